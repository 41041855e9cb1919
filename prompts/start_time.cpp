#include "prompts/start_time.h"

#include <cstring>

#include "eventdata/kihondat.h"
#include "eventdata/mastfile.h"
#include "eventdata/start_time_store.h"
#include "shell/console_ui.h"

namespace korvel {

namespace {

void division_line(int d) { cprintf("%2d: %-26s のスタート時刻＝", d + 1, division_name(d)); }

// Only digits make a time: "-" alone would otherwise pass as 0:00:00.
bool all_digits(const char* text) {
    if (*text == '\0') return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

}  // namespace

void start_time_entry() { enter_start_times(); }

void enter_start_times() {
    clear_screen();
    show_help_hint();
    show_folder_line(0, 2);
    cputs("\n\n第１走者のスタート時刻入力\n");
    for (int d = 0; d < definition().division_count(); ++d) {
        if (!enter_start_time(d)) return;
    }
    clear_screen();
    register_start_times();
}

bool enter_start_time(int d) {
    if (d < 0 || d >= definition().division_count()) return false;
    for (;;) {
        division_line(d);
        char buf[16] = "";
        const FieldInput in = input_number(buf, 6, nullptr, ENTRY_KEYS);
        if (in.end == FieldEnd::back) return false;
        RaceTime t;
        if (in.length > 0 && all_digits(buf) && parse_time_hhmmss(t, buf) && time_is_valid(t)) {
            replace_definition(definition().with_start_time(d, t));
            return true;
        }
        beep();
    }
}

bool register_start_times() {
    for (int d = 0; d < definition().division_count(); ++d) {
        cputs("\n");
        division_line(d);
        char text[TIME_TEXT_SIZE];
        format_time_fixed(definition().division(d).start_time, text, 9, TIME_CHECK_VALID, "NoData");
        cputs(text);
    }
    if (!ask_yes_no("\n上のスタート時刻を登録しますか？（Y / N）")) return false;

    // A record of an unknown division has no start time to take.
    return set_start_times([](const TeamRecord& r, RaceTime& t) {
               t = definition().division(r.division).start_time;
               return true;
           })
        .has_value();
}

}  // namespace korvel
