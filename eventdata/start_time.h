// The start time of each division: entered at the console (main menu entry 3) and
// copied into station block 0 (departure and arrival) of every team record.
#pragma once

#include <functional>

#include "eventdata/mastfile.h"

namespace korvel {

// Main menu entry 3: enter_start_times.
void start_time_entry();

// The entry screen: asks every division in turn, then register_start_times. Esc
// leaves at once; the times entered so far stay in the event definition only.
void enter_start_times();

// Asks the start time of division d (HHMMSS digits) until a valid one is given and
// makes it division d's start time in a new event definition: 0; Esc: -1. F5 returns
// to the main menu.
int enter_start_time(int d);

// Lists every division's start time and, after Y, writes them into block 0 of every
// record of MASTFILE.DAT. Returns 1 when written, 0 when the user answered N.
int register_start_times();
// After a carry-over: a team without any start time (one added to TEAM.TXT) gets its
// division's. Returns how many teams got one.
int register_missing_start_times();
// Block 0 (departure and arrival) of every record of a known division for which
// start_of gives a time, journaled (スタート) before any record is written, under the
// whole-file lock. The number of records changed; -1 when the journal refused (said
// on the console after the lock is released; nothing written).
int set_start_times(const std::function<bool(const TeamRecord&, RaceTime&)>& start_of);

}  // namespace korvel
