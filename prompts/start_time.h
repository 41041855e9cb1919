// The start time of each division: entered at the console (main menu entry 3) and
// copied into station block 0 (departure and arrival) of every team record.
#pragma once

namespace korvel {

// Main menu entry 3: enter_start_times.
void start_time_entry();

// The entry screen: asks every division in turn, then register_start_times. Esc
// leaves at once; the times entered so far stay in the event definition only.
void enter_start_times();

// Asks the start time of division d (HHMMSS digits) until a valid one is given and
// makes it division d's start time in a new event definition: true; Esc: false. F5
// returns to the main menu.
bool enter_start_time(int d);

// Lists every division's start time and, after Y, writes them into block 0 of every
// record of MASTFILE.DAT (set_start_times). True when written; false when the user
// answered N or the journal refused. Installed as the confirmation a rebuild from scratch asks
// (set_start_time_confirmation).
bool register_start_times();

}  // namespace korvel
