// The results list by division (at each division's goal) and the intermediate results
// (at one relay station): per division a heading block, then three rows per team in
// listing order. Plain fixed-width text, or delimited cells through begin_field and
// next_field, from the same calls.
#pragma once

#include <vector>

#include "eventdata/mastfile.h"

namespace korvel {

// The whole report through the output destination. station: AT_GOAL for the list by
// division (the divisions chosen in division_selected), or a physical station for the
// intermediate results. The caller has run recompute_results for the same station.
void print_seiseki(int station);

// The report text into fpout, which the caller has opened and will deliver.
void write_seiseki(int station);

// The heading block of division d listed up to logical station n; W is the runner
// column width without its separating blank.
void print_seiseki_header(int n, int lf, int w, int division);
// The three rows of one team up to logical station n.
void print_seiseki_team(int lf, int w, int n, const TeamRecord& team, const RunnerNameRecord& names);

// The runners of every team of teams (MASTFILE.DAT in file order), read in the same
// order (the listing order would seek for every team). A name record that is missing
// or belongs to another team gives no names rather than wrong ones.
std::vector<RunnerNameRecord> read_name_records(const std::vector<TeamRecord>& teams);

// Results menu entry 3: division selection, destination questions, the list at the
// goal. Esc at the destination questions goes back to the selection.
void results_list_entry();
// Results menu entry 7: station selection, destination questions, the intermediate
// list at that station for every division that uses it.
void intermediate_list_entry();

}  // namespace korvel
