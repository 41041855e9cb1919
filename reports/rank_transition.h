// The rank transition table: per division one column per section and one row per
// cumulative position, each cell the runner and number of the team that held the
// position after that section. Plain text only.
#pragma once

#include <string>
#include <vector>

#include "reports/award_common.h"

namespace korvel {

// The table of division d (heading lines included); empty when no team of d has a
// cumulative rank after section 1.
std::vector<std::string> rank_transition_lines(const RaceData& race, int division, int runner_width);

// The whole report through the output destination; the caller has run
// recompute_results with the destination question.
void print_jun_hensen();

}  // namespace korvel
