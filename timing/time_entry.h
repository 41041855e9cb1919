// Race-day entry: arrival times at a relay station, carried starts.
#pragma once

#include <cstdint>

#include "eventdata/mastfile.h"

namespace korvel {

// Main menu [4]: arrival times typed team by team at one station.
void time_entry();
// Main menu [5]: carried starts.
void carried_start_entry();
// Carried starts at a station already chosen (the station submenu's [2]).
void carried_start_at_station(int station);

// The screen after the entry at a station: its check list and, when offered, the
// carried-start entry for the same station. Stays up until Esc.
void station_submenu(int station, bool offer_carried_start);

// The pieces of the entry that the text import shares.
// The team's record when record rec_no of MASTFILE.DAT really is that team's.
bool load_team_record(int rec_no, int team, TeamRecord& r);
// Stores arrival, departure and the input sequence number at block k (the logical
// station of the physical station) of the team's record, on the disk before it
// returns; false, and nothing written, when the record is not that team's or k is
// not the station's block. r receives the stored record.
bool store_station_times(int rec_no, int team, int station, int k, RaceTime arrival, RaceTime departure,
                         std::uint16_t seq, TeamRecord& r);
// The highest input sequence number stored at any station after a start.
std::uint16_t last_input_seq();
// The added-time prompt of a station (header on row 0); false after Esc.
bool ask_station_added_time(int station, RaceTime& added);

}  // namespace korvel
