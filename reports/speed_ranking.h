// The speed ranking: within each division every runner's section ranked by average
// speed, so that runners of short and long sections can be compared. One collection,
// order and rank count for both forms: the text report "スピード・ランキング表" here and
// the table under each division page of the web results (html/speed_ranking_page.h).
// Also the speed-to-time table of the other menu.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "eventdata/mastfile.h"
#include "shell/report.h"

namespace korvel {

struct SpeedEntry {
    std::int16_t section_rank;  // as computed by the ranking; below 1 none (open runner)
    double speed;               // km/h
    std::int32_t record;        // record number in MASTFILE.DAT
    std::int8_t section;        // 1-based
};

struct RankedSpeed {
    SpeedEntry entry;
    int rank;  // displayed rank: equal speeds share the rank of the first (1, 2, 2, 4)
};

// Every section of division d with a valid, non-zero section time, fastest first;
// equal speeds stay in master-file order. records: MASTFILE.DAT in file order.
std::vector<RankedSpeed> speed_ranking(const std::vector<TeamRecord>& records, int division);

// Results menu entry 8: the destination and separator questions, the recomputation,
// then the report. Esc at the questions prints nothing.
void speed_ranking_entry();
// The text report over all divisions through the output destination; the caller has
// run recompute_results.
void print_speed_ranking();

// One ranked section as both forms show it; the texts from the race files are cells,
// padded in the text form and escaped on a page.
struct SpeedLine {
    int rank;
    Cell runner;
    int team_no;
    Cell team;
    double speed;
    int section;
    Cell from;
    Cell to;
    double distance;
    RaceTime time;
    int section_rank;
};

// The ranked sections of division d, runner names padded to w.
std::vector<SpeedLine> speed_lines(int d, const std::vector<TeamRecord>& records,
                                   const std::vector<RunnerNameRecord>& names, int w);
// The section time column, blank for a time not set.
std::string section_time_text(RaceTime t);
// The distance column with its unit, width columns wide.
std::string kyori_text(double distance, int width, const char* unit);

// Other menu entry 4: the speed-to-time table through the output destination.
void print_speed_table();

}  // namespace korvel
