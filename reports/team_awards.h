// The team awards: every team ranked 1 to BESTNO at its division's goal, as the
// printed award list and as the merge file 団体賞TAB.txt for the certificates.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "reports/award_common.h"

namespace korvel {

constexpr const char* TEAM_AWARD_FILE = "団体賞TAB.txt";

// BESTNO, default 10; below 1 nobody is awarded.
int best_no();

struct TeamAward {
    int division;
    int record;
    int rank;
};
// The awarded teams of every division in listing order (recompute_results at the goal
// has filled it).
std::vector<TeamAward> collect_dantaisyou(const std::vector<TeamRecord>& teams, int best);

// The lines of the printed list, without the title.
std::vector<std::string> dantaisyou_lines(const std::vector<TeamRecord>& teams, const std::vector<TeamAward>& awards);
// The merge file's header line and lines, stamped with date_time.
void write_dantaisyou_rows(FILE* out, const RaceData& race, const std::vector<TeamAward>& awards,
                           const char* date_time);

// The printed list through the output destination; the caller has run
// recompute_results with the destination question, at the goal.
void print_dantaisyou();
// 団体賞TAB.txt, then opened with its associated program; the caller has run
// recompute_results at the goal. false when it could not be written (the message was
// shown).
bool write_dantaisyou_tab();

}  // namespace korvel
