#include "eventdata/start_time.h"

#include <cstring>
#include <string>
#include <vector>

#include "eventdata/journal.h"
#include "eventdata/kihondat.h"
#include "eventdata/mast_lock.h"
#include "eventdata/mastfile.h"
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
        if (enter_start_time(d) == -1) return;
    }
    clear_screen();
    register_start_times();
}

int enter_start_time(int d) {
    if (d < 0 || d >= definition().division_count()) return -1;
    for (;;) {
        division_line(d);
        char buf[16] = "";
        int n = input_number(buf, 6, nullptr, HINT_ESC | HINT_F5);
        if (n == -1) return -1;
        RaceTime t;
        if (n > 0 && all_digits(buf) && parse_time_hhmmss(t, buf) && time_is_valid(t)) {
            replace_definition(definition().with_start_time(d, t));
            return 0;
        }
        beep();
    }
}

int register_start_times() {
    for (int d = 0; d < definition().division_count(); ++d) {
        cputs("\n");
        division_line(d);
        char text[TIME_TEXT_SIZE];
        format_time_fixed(definition().division(d).start_time, text, 9, TIME_CHECK_VALID, "NoData");
        cputs(text);
    }
    int key = ask_key("\n上のスタート時刻を登録しますか？（Y / N）", "YyNn");
    if (key == 'N' || key == 'n') return 0;

    // A record of an unknown division has no start time to take.
    return set_start_times([](const TeamRecord& r, RaceTime& t) {
               t = definition().division(r.division).start_time;
               return true;
           }) >= 0
               ? 1
               : 0;
}

int register_missing_start_times() {
    return set_start_times([](const TeamRecord& r, RaceTime& t) {
        const StationBlock& start = r.blocks[0];
        t = definition().division(r.division).start_time;
        return time_is_none(start.departure) && time_is_none(start.arrival) && time_is_set(t);
    });
}

int set_start_times(const std::function<bool(const TeamRecord&, RaceTime&)>& start_of) {
    std::vector<TeamRecord> changed;
    std::vector<int> numbers;
    std::vector<JournalLine> lines;
    std::string refusal;
    {
        Stream f = mast_lock_file();
        TeamRecord r;
        for (int n = 0; mast_read_next(f, r); ++n) {
            RaceTime t;
            if (r.division >= definition().division_count() || !start_of(r, t)) continue;
            StationBlock& start = r.blocks[0];
            if (time_equal(start.departure, t) && time_equal(start.arrival, t)) continue;
            const JournalValue before = journal_block_value(start);
            start.departure = t;
            start.arrival = t;
            lines.push_back(journal_block_line(JournalKind::start, physical_station(r.division, 0), r.team_no, before,
                                               journal_block_value(start), static_cast<std::uint16_t>(start.input_seq),
                                               journal_value_text(journal_time_value(t))));
            changed.push_back(r);
            numbers.push_back(n);
        }
        // Every line is on the disk before the first record changes.
        refusal = journal_append(lines);
        if (refusal.empty()) {
            for (std::size_t i = 0; i < changed.size(); ++i) mast_write(f, numbers[i], changed[i]);
            if (!changed.empty()) mast_sync(f, "set_start_times");
        }
        fclose_or_abort(f);
    }
    if (refusal.empty()) return static_cast<int>(changed.size());
    beep();
    cprintf("\n%s\n", refusal.c_str());
    wait_confirm();
    return -1;
}

}  // namespace korvel
