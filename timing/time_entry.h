// Race-day entry: the screen where arrival times are typed at a relay station, and
// the station submenu after it. What it stores goes through timing/time_store.h.
#pragma once

#include <string>

#include "eventdata/mastfile.h"
#include "timing/time_store.h"

namespace korvel {

// F9 at a team prompt: offers to take back this terminal's last change at station
// not yet offered, asks Y/N and restores the old value, unless another terminal has
// changed the block since. The offer and the answer use the rows from row on.
void offer_undo(int station, int row);

// Main menu [4]: arrival times typed team by team at one station.
void time_entry();

// The screen after the entry at a station: its check list and, when offered, the
// carried-start entry for the same station. Stays up until Esc.
void station_submenu(int station, bool offer_carried_start);
// The station submenu's check list; installed by the menus, which own the lists.
void set_station_check_list(void (*print)(int station));

// Shared with the carried-start entry.
// The team typed at a team prompt of station: its record number, record and the
// station's block k. False after the message on the message line (no such team, or
// the station not on its course).
bool find_station_team(const char* team_text, int station, int& rec_no, TeamRecord& r, int& k);
// A refused input: bell, then the text in white on red on the message line.
void show_entry_message(const std::string& text);

// Shared with the text import.
// The added-time prompt of a station (header on row 0); false after Esc.
bool ask_station_added_time(int station, RaceTime& added);

}  // namespace korvel
