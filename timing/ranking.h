// Section and cumulative times, ranks within each division and the listing order,
// recomputed from the entered clock times over the whole of MASTFILE.DAT before every
// report. Nothing here is kept up to date during entry.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "eventdata/master_build.h"
#include "eventdata/mastfile.h"

namespace korvel {

// Station argument: each division at the furthest station any of its teams reached.
constexpr int AT_GOAL = 0x7fffffff;
// Division d occupies the positions division_start[d] .. division_start[d + 1] - 1 of
// a listing order; entries after the end of the last division with teams are -1.
constexpr int BUMON_START_SIZE = MAX_BUMON + 2;

// The order in which the teams are listed at one station: record numbers of
// MASTFILE.DAT (the records it was made from), division after division.
struct ListingOrder {
    ListingOrder();  // nobody listed

    // Record numbers in listing order; -1 past the last team.
    std::array<std::int32_t, MAX_TEAMS> records;
    std::array<std::int32_t, BUMON_START_SIZE> division_start;

    // Walks division d: for (int p = first(d); p < end(d); ++p) records[p] ... Empty
    // for a division without teams.
    int first(int division) const;
    int end(int division) const;
    // The same walk as a list: the record numbers of division d in listing order.
    std::vector<int> of_division(int division) const;
};

// Runs the warnings and recomputes every time and rank in MASTFILE.DAT. False when
// the operator cancelled the destination question (nothing computed).
bool recompute_results(bool ask_destination, bool ask_separator);
// The same computation without the warnings, which wait for a key: for the publisher,
// which nobody answers.
void recompute_without_warnings();

// The computation recompute_results runs, on records in memory: section and
// cumulative times, ranks and the tie-break. Nothing is read or written.
void compute_times_and_ranks(std::vector<TeamRecord>& records);

// The listing order at station (physical number or AT_GOAL) of records, as
// recompute_results left them.
ListingOrder listing_order_of(const std::vector<TeamRecord>& records, int station);

// A team that reaches a physical station on a valid cumulative time, as the tie-break
// by input order and the same-time check list see it.
struct TieItem {
    int division;
    int team_no;
    int cumul_key;            // seconds
    std::uint16_t input_seq;  // 0: no sequence number
    int carried_from;         // physical station of the first earlier carried start, 0 none
    int logical;              // logical station of the physical one in the division
    int record;               // record number in MASTFILE.DAT
};

// The tie items of physical station s (1..eki_suu-1), sorted by division, cumulative
// time, input sequence number and team number.
std::vector<TieItem> collect_tie_items(const std::vector<TeamRecord>& records, int s);

// Every record of MASTFILE.DAT (at most MAX_TEAMS), in file order.
std::vector<TeamRecord> read_all_records();

// For each division (furthest[0..MAX_BUMON]), the furthest logical station at which any
// of its teams has an arrival time; -1 when none has.
void furthest_stations(const std::vector<TeamRecord>& records, int* furthest);

}  // namespace korvel
