// The relay-station selection screen shared by time entry, carried starts, imports and
// the intermediate results.
#include <cstdlib>

#include "eventdata/kihondat.h"
#include "shell/console_ui.h"

namespace korvel {

namespace {

constexpr int ALL_STATIONS = 99;

void draw_station_list(const char* title, int colour, bool show_destination, bool allow_all) {
    clear_screen();
    show_help_hint();
    if (show_destination) show_destination_line(44, 1);

    set_cursor(1, 0);
    // Grey has no bright background of its own: the title would vanish into the list.
    set_color(colour == 7 ? 248 : colour * 16 + 15);
    cputs(title);

    set_color(colour + 8);
    int count = eki_suu < 0 ? 0 : (eki_suu > MAX_EKI ? MAX_EKI : eki_suu);
    int listed = 0;
    for (int i = 0; i < count; ++i, ++listed) {
        set_cursor(i + 2, 20);
        cprintf("%3d : %s", i, stations[i].name);
    }
    if (allow_all) {
        set_cursor(listed + 2, 20);
        cprintf("%3d : %s", ALL_STATIONS, "すべて");
        ++listed;
    }

    set_color(15);
    set_cursor(listed + 3, 0);
    cputs("中継所Ｎｏ＝");
}

}  // namespace

int select_station(const char* title, int colour, bool show_destination, bool allow_all) {
    for (;;) {
        draw_station_list(title, colour, show_destination, allow_all);
        char buf[8];
        int len = input_number(buf, 2, nullptr, HINT_ESC | HINT_F2 | HINT_F5);
        if (len == -2) continue;
        if (len == -1) return -1;
        if (len > 0) {
            int n = std::atoi(buf);
            if (n >= 0 && n < eki_suu) return n;
            if (allow_all && n == ALL_STATIONS) return ALL_STATIONS;
        }
        beep();
    }
}

}  // namespace korvel
