// Carried starts (繰上出発): the next runners of teams whose incoming runner had not
// arrived by a fixed time were started together at that time. The operator gives the
// station and the time once, then the numbers of the teams started; only their
// departure at the station is set.
#pragma once

#include <vector>

#include "eventdata/mastfile.h"

namespace korvel {

// Main menu [5]: station selection, then the entry; Esc at the selection ends it.
void carried_start_entry();
// The station submenu's [2]: the entry at that station, once.
void carried_start_at_station(int station);

// Teams of records that look like carried starts at physical station s at time t but
// were not entered as such: their division uses s, their arrival there is later than
// t (none yet counts as later) and their departure is not t. Team numbers, master order.
std::vector<int> carried_start_suspects(const std::vector<TeamRecord>& records, int s, RaceTime t);

}  // namespace korvel
