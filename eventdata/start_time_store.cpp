#include "eventdata/start_time_store.h"

#include <string>
#include <vector>

#include "eventdata/journal.h"
#include "eventdata/kihondat.h"
#include "eventdata/mast_lock.h"
#include "shell/console_ui.h"

namespace korvel {

namespace {

bool (*start_time_confirmation)() = nullptr;

}  // namespace

void set_start_time_confirmation(bool (*confirm)()) { start_time_confirmation = confirm; }

bool confirm_start_times() { return start_time_confirmation && start_time_confirmation(); }

int register_missing_start_times() {
    return set_start_times([](const TeamRecord& r, RaceTime& t) {
        const StationBlock& start = r.blocks[0];
        t = definition().division(r.division).start_time;
        return time_is_none(start.departure) && time_is_none(start.arrival) && time_is_set(t);
    }).value_or(0);
}

std::optional<int> set_start_times(const std::function<bool(const TeamRecord&, RaceTime&)>& start_of) {
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
    return std::nullopt;
}

}  // namespace korvel
