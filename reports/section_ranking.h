// The section ranking table: for one section number, every runner of that section in
// every division that has it, in section-rank order, with time, team and speed. Plain
// text or delimited cells.
#pragma once

#include <vector>

#include "reports/award_common.h"
#include "shell/report.h"

namespace korvel {

constexpr int UNRANKED = 32767;

struct SectionEntry {
    int division;
    int record;
    int rank;  // UNRANKED when the team has no section rank
};

// The teams with a time of at least one second in section k, by division, rank and
// record number.
std::vector<SectionEntry> collect_section_entries(const std::vector<TeamRecord>& teams, int section);

// The two heading lines of division d (as whole-line cells) and the cells of a team.
Row section_heading_row(int division, int section);
Row section_team_row(const RaceData& race, const SectionEntry& entry, int section, int runner_width);

// The whole report for section k (1-based) through the output destination; the caller
// has run recompute_results with the destination and separator questions.
void print_kukan_jun(int section);

// Results menu entry 5: the section prompt, the destination questions (Esc goes back
// to the prompt), the table.
void section_ranking_entry();

}  // namespace korvel
