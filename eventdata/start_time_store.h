// The start time of each division stored into station block 0 (departure and
// arrival) of every team record. The screen that enters and confirms them lives
// above (prompts/start_time.h); a rebuild from scratch asks it through the hook.
#pragma once

#include <functional>
#include <optional>

#include "eventdata/mastfile.h"

namespace korvel {

// After a carry-over: a team without any start time (one added to TEAM.TXT) gets its
// division's. Returns how many teams got one (none when the journal refused).
int register_missing_start_times();
// Block 0 (departure and arrival) of every record of a known division for which
// start_of gives a time, journaled (スタート) before any record is written, under the
// whole-file lock. The number of records changed; nothing when the journal refused
// (said on the console after the lock is released; nothing written).
std::optional<int> set_start_times(const std::function<bool(const TeamRecord&, RaceTime&)>& start_of);

// The confirmation of the start times after the data were initialised: the start
// time screen installs it (the data know no screen); nothing happens until it has.
// True when the times were written.
void set_start_time_confirmation(bool (*confirm)());
bool confirm_start_times();

}  // namespace korvel
