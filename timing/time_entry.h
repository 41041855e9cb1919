// Race-day entry: arrival times at a relay station, carried starts.
#pragma once

#include <cstdint>
#include <string>

#include "eventdata/journal.h"
#include "eventdata/mastfile.h"

namespace korvel {

enum StoreKind { STORE_ARRIVAL, STORE_DEPARTURE_ONLY };

// Sets arrival and departure of block k of record rec_no to t with the next input
// sequence number, taken from the file under the lock (a carried start: the
// departure alone, no number), and has the record on the disk before returning.
// The record is read afresh under its lock and checked again (team number, station
// of its division), so nothing but this team's block k can change. r receives the
// stored record (its block k holds the number). False when the record is not that
// team's or the station not on its course, or when the journal line (with typed,
// what the official typed) could not be written first: store_refusal() then says
// why, and nothing was stored.
bool store_entry(int rec_no, int team, int station, int k, RaceTime t, TeamRecord& r,
                 StoreKind kind = STORE_ARRIVAL, const std::string& typed = "");
// Why the last store was refused when the journal could not take its line; empty
// when the record was not the team's.
const std::string& store_refusal();
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
// The record of team and its number; false when the team has none (or the index no
// longer matches the file).
bool find_team_record(long team, int& rec_no, TeamRecord& r);
// The team typed at a team prompt of station: its record number, record and the
// station's block k. False after the message on the message line (no such team, or
// the station not on its course).
bool find_station_team(const char* team_text, int station, int& rec_no, TeamRecord& r, int& k);
// Sets the departure of block k to t, arrival and sequence number untouched, with the
// same checks and on the disk before returning, as an arrival is stored.
bool store_departure(int rec_no, int team, int station, int k, RaceTime t, TeamRecord& r,
                     const std::string& typed = "");
// A refused input: bell, then the text in white on red on the message line.
void show_entry_message(const std::string& text);

// The pieces of the entry that the text import shares.
// The team's record when record rec_no of MASTFILE.DAT really is that team's.
bool load_team_record(int rec_no, int team, TeamRecord& r);
// Stores arrival, departure and the next input sequence number (as store_entry) at
// block k (the logical station of the physical station) of the team's record, on
// the disk before it returns; false, and nothing written, when the record is not
// that team's or k is not the station's block. r receives the stored record.
bool store_station_times(int rec_no, int team, int station, int k, RaceTime arrival, RaceTime departure,
                         TeamRecord& r, const std::string& typed = "",
                         JournalKind kind = JournalKind::text_import);
// The added-time prompt of a station (header on row 0); false after Esc.
bool ask_station_added_time(int station, RaceTime& added);

}  // namespace korvel
