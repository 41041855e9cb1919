// Section times judged against the rest of the field: a typo that keeps a speed inside
// the division's limits (10:02:31 typed as 10:03:21) still makes a section far shorter
// or longer than the division's other teams ran it. Only warns; data are never changed.
#pragma once

#include <string>
#include <vector>

#include "eventdata/mastfile.h"

namespace korvel {

// Below fast x the typical time or above slow x it is suspect; 0 turns a bound off.
struct RelativeBounds {
    double fast = 0.6;
    double slow = 1.7;
};
// RELATIVE_FAST and RELATIVE_SLOW of OPTION.TXT, looked up anew. A value that is no
// number, negative, or on the wrong side of 1 (a fast bound of 1 or more, a slow one
// above 0 but not above 1 would call half the field suspect) gives the default.
RelativeBounds relative_bounds();

// A section time is judged only when at least this many teams of the division have one.
constexpr int RELATIVE_MIN_TEAMS = 5;

enum RelativeKind { RELATIVE_UNJUDGED, RELATIVE_INSIDE, RELATIVE_TOO_FAST, RELATIVE_TOO_SLOW };

struct RelativeJudgement {
    RelativeKind kind = RELATIVE_UNJUDGED;
    int seconds = 0;      // the judged section time
    double median = 0;    // the division's median of the section, seconds
    double pace = 1;      // the team's own pace over its earlier sections; 1 without any
    double ratio = 0;     // seconds / (median * pace)
};

// The section times of one division in seconds: field[k] for section k (1..sections),
// every team that has one, each list sorted. field[0] stays empty.
using FieldTimes = std::vector<std::vector<int>>;
FieldTimes field_times(const std::vector<TeamRecord>& records, int division);

// The median of sorted times; 0 for fewer than RELATIVE_MIN_TEAMS.
double field_median(const std::vector<int>& sorted);

// Section k of a team whose section times are own[1..] (0: none) against field. The
// yardstick is the field's median scaled by the team's pace: its time over the
// field's medians summed over the earlier sections both have, so that a fast team is
// not called suspect for being fast everywhere.
RelativeJudgement judge_section(const FieldTimes& field, const std::vector<int>& own, int k,
                                const RelativeBounds& bounds);

// The team's section times in seconds, own[k] for section k, 0 where none.
std::vector<int> team_section_times(const TeamRecord& r);

// Seconds as the time text without its leading blanks ("0:16:20"), rounded.
std::string relative_time_text(double seconds);

// After an arrival at logical station k of r is stored: sections k and k + 1 against
// the field of MASTFILE.DAT, each suspect one printed in the manner of the speed
// warning. Returns their number.
int relative_entry_test(const TeamRecord& r, int k);

}  // namespace korvel
