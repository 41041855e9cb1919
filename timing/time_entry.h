// Race-day entry: arrival times at a relay station, carried starts.
#pragma once

#include <cstdint>

#include "eventdata/mastfile.h"

namespace korvel {

// Sets arrival and departure of block k of record rec_no to t with the sequence
// number, and has the record on the disk before returning. The record is read afresh
// under its lock and checked again (team number, station of its division), so
// nothing but this team's block k can change. r receives the stored record. False
// when the record is not that team's or the station not on its course.
bool store_entry(int rec_no, int team, int station, int k, RaceTime t, std::uint16_t seq, TeamRecord& r);

// Main menu [4]: arrival times typed team by team at one station.
void time_entry();
// Main menu [5]: carried starts.
void carried_start_entry();
// Carried starts at a station already chosen (the station submenu's [2]).
void carried_start_at_station(int station);

// The screen after the entry at a station: its check list and, when offered, the
// carried-start entry for the same station. Stays up until Esc.
void station_submenu(int station, bool offer_carried_start);

}  // namespace korvel
