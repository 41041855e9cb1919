// Race-day entry: arrival times at a relay station, carried starts.
#pragma once

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

}  // namespace korvel
