// Plausibility warnings over the entered times: arrivals before departures, arrivals
// without a departure from the previous station, impossible section speeds, and the
// teams tied on the same cumulative time (listed by reports/same_time_list.h). They
// only warn; data are never changed.
#pragma once

#include <vector>

#include "eventdata/mastfile.h"
#include "timing/ranking.h"

namespace korvel {

// Departure/arrival order over every team and logical station 0..kukan_suu: an
// arrival before the departure at the same station, and an arrival before the
// departure at the previous station (a section of negative time). Prints the first 5
// warnings, a summary when there were more, and waits for Y when there was any.
// Returns the number of warnings. file: the master file to check.
int check_time_order(const char* file = MASTFILE_NAME);

// After an entry at logical station k of team r: the arrivals at k and k+1 against
// the departures from the stations before them. Prints each arrival that comes
// before its departure under the team's heading; returns their number.
int entry_order_test(const TeamRecord& r, int k);

// Kind 1: an arrival at logical station i (1..kukan_suu) while the departure at i-1
// is missing. Same printing limit, summary and confirmation as check_time_order.
// Other kinds find nothing. Returns the number of warnings.
constexpr int MISSING_DEPARTURE = 1;
int check_missing_times(int kind, const char* file = MASTFILE_NAME);

// The section ending at logical station k of team r: 1 when its speed is at or
// beyond a limit (slow_speed_limit, fast_speed_limit), else 0; nothing for k outside
// 1..kukan_suu or a section without a time. Prints the warning when print is set.
int speed_test(const TeamRecord& r, int k, bool print);

// speed_test over every team and section; prints the first 11 abnormal sections,
// then the total and waits for Y when there was any. Returns the total.
int speed_check(const char* file = MASTFILE_NAME);

// The order check and the speed check of file, as run after times were merged into it.
void check_merged_times(const char* file);

// Teams of one division that reach physical station s on the same cumulative time.
struct TieGroup {
    int station;
    std::vector<TieItem> members;
};
// The groups of every station, station by station, in the order of the tie-break,
// from records as recompute_results left them (reports/same_time_list.h lists them).
std::vector<TieGroup> same_time_groups(const std::vector<TeamRecord>& records);

}  // namespace korvel
