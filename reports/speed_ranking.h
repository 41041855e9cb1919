// The speed ranking: within each division every runner's section ranked by average
// speed, so that runners of short and long sections can be compared. One collection,
// order and rank count for both forms: the text report "スピード・ランキング表" and the
// table under each division page of the web results.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "eventdata/mastfile.h"
#include "html/html_text.h"

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

// The ranking table of division d for its results page: nothing when the division has
// no section time. The table is left open (the page closes it). names: NAMEFILE.DAT
// records matching records.
std::string html_speed_ranking(int division, const std::vector<TeamRecord>& records,
                               const std::vector<RunnerNameRecord>& names, const std::string& table_tag,
                               const HtmlColors& colors);

}  // namespace korvel
