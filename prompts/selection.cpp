// The selection screens over the event definition: a relay station (time entry,
// carried starts, imports, the intermediate results), the divisions of a report and a
// section.
#include "prompts/selection.h"

#include <cstdlib>
#include <cstring>

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
    int count = definition().station_count() < 0 ? 0 : (definition().station_count() > MAX_EKI ? MAX_EKI : definition().station_count());
    int listed = 0;
    for (int i = 0; i < count; ++i, ++listed) {
        set_cursor(i + 2, 20);
        cprintf("%3d : %s", i, definition().station(i).name);
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

std::optional<int> select_station(const char* title, int colour, bool show_destination, bool allow_all) {
    for (;;) {
        draw_station_list(title, colour, show_destination, allow_all);
        char buf[8];
        const FieldInput in = input_number(buf, 2, nullptr, REPORT_CHOICE_KEYS);
        if (in.end == FieldEnd::destination) continue;
        if (in.end == FieldEnd::back) return std::nullopt;
        if (in.length > 0) {
            int n = std::atoi(buf);
            if (n >= 0 && n < definition().station_count()) return n;
            if (allow_all && n == ALL_STATIONS) return ALL_STATIONS;
        }
        beep();
    }
}

std::optional<DivisionSelection> select_divisions() {
    for (;;) {
        clear_screen();
        set_cursor(0, 0);
        cputs("成績一覧表 出力部門選択");
        show_destination_line(48, 0);
        set_cursor(2, 8);
        cputs(" 0. 全部門");
        for (int d = 1; d <= definition().division_count(); ++d) {
            set_cursor(d + 2, 8);
            cprintf("%2d. %s", d, division_name(d - 1));
        }
        cputs("\n\n");
        DivisionSelection chosen;
        bool any = false;
        bool redraw = false;
        while (!redraw) {
            cputs("選択部門No(空入力で選択終了)＝");
            char buf[8];
            const FieldInput in = input_number(buf, 2, nullptr, REPORT_CHOICE_KEYS);
            if (in.end == FieldEnd::destination) {
                redraw = true;
            } else if (in.end == FieldEnd::back) {
                return std::nullopt;
            } else if (in.length == 0) {
                if (any) return chosen;
                return std::nullopt;
            } else {
                int d = std::atoi(buf);
                if (d == 0) {
                    return DivisionSelection::all();
                }
                if (d >= 1 && d <= definition().division_count()) {
                    chosen.choose(d - 1);
                    any = true;
                } else {
                    beep();
                }
            }
        }
    }
}

std::optional<int> ask_section() {
    for (;;) {
        clear_screen();
        set_cursor(0, 0);
        cputs("区間順位表出力");
        show_destination_line(48, 0);
        bool redraw = false;
        while (!redraw) {
            set_cursor(2, 8);
            clear_to_eol(2, 8);
            cputs("区間＝");
            char buf[8];
            const FieldInput in = input_number(buf, 2, nullptr, REPORT_CHOICE_KEYS);
            if (in.end == FieldEnd::destination) redraw = true;
            else if (in.end == FieldEnd::back) return std::nullopt;
            else {
                int s = std::atoi(buf);
                if (in.length > 0 && s >= 1 && s <= definition().max_sections()) return s;
                beep();
            }
        }
    }
}

}  // namespace korvel
