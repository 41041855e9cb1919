// The results list by division (at each division's goal) and the intermediate results
// (at one relay station): per division a heading block, then three rows per team in
// listing order. Plain fixed-width text, or delimited cells through begin_field and
// next_field, from the same calls.
#pragma once

#include <string>
#include <vector>

#include "eventdata/mastfile.h"
#include "prompts/selection.h"
#include "shell/report.h"

namespace korvel {

// The whole report through the output destination. station: AT_GOAL for the list by
// division (the divisions chosen), or a physical station for the
// intermediate results. The caller has run recompute_results.
void print_seiseki(int station, const DivisionSelection& divisions = DivisionSelection::all());

// What the report is made from, gathered before its output is opened (a file that
// cannot be read then leaves no report half open), the listing order at station included.
struct SeisekiData {
    int w = 0;   // runner column width without its separating blank
    int lf = 0;  // empty lines after each team block (option LF)
    bool has_senden = false;
    std::string senden;  // the SENDEN line above every title
    std::vector<TeamRecord> teams;  // file order
    std::vector<RunnerNameRecord> names;  // the same records' runners
    std::vector<std::vector<int>> order;  // per division, record numbers in listing order
    DivisionSelection divisions;  // listed at the goal
};
SeisekiData gather_seiseki(int station, const DivisionSelection& divisions = DivisionSelection::all());

// The report text into report for station, in the listing order of data.
void write_seiseki(Report& report, int station, const SeisekiData& data);

// The rows of the report as cells, for any renderer. n is the logical station the
// division d is listed up to, w the runner column width.
// The title row: "部門別成績一覧表" at the division's goal, else "中間成績一覧表".
Row seiseki_title_row(int n, int division);
// The division name, written bare in front of the first heading row.
Cell seiseki_division_cell(int division);
// The four heading rows: section numbers, start stations, distances, end stations.
std::vector<Row> seiseki_heading_rows(int n, int w, int division);
// The three rows of one team: rank, name and runners; number, total and section
// times; open entry and cumulative times.
std::vector<Row> seiseki_team_rows(int w, int n, const TeamRecord& team, const RunnerNameRecord& names);

// The heading block of division d listed up to logical station n: the SENDEN line,
// the title, the heading rows, with lf > 0 an empty line after the title and after
// the heading.
void print_seiseki_header(Report& report, const SeisekiData& data, int n, int division);
// The three rows of one team and data.lf empty lines.
void print_seiseki_team(Report& report, const SeisekiData& data, int n, const TeamRecord& team,
                        const RunnerNameRecord& names);

// Results menu entry 3: division selection, destination questions, the list at the
// goal. Esc at the destination questions goes back to the selection.
void results_list_entry();
// Results menu entry 7: station selection, destination questions, the intermediate
// list at that station for every division that uses it.
void intermediate_list_entry();

}  // namespace korvel
