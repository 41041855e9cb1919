// The questionable speed list: every section whose average speed lies at or beyond
// the limits of the team's division (MaxSpeed= and MinSpeed= of BUMON.TXT), read from
// the section times of the last recomputation.
#pragma once

#include <cstdint>
#include <vector>

#include "eventdata/mastfile.h"

namespace korvel {

class Report;

// A section found outside its division's range.
struct SpeedItem {
    std::uint8_t end_station;  // physical station at the end of the section
    std::uint8_t section;      // logical section number
    std::uint8_t division;
    std::int32_t record;       // record number in MASTFILE.DAT
    double speed;              // km/h
    std::uint8_t kind;         // SPEED_TOO_FAST or SPEED_TOO_SLOW
};
constexpr std::uint8_t SPEED_TOO_FAST = 0;
constexpr std::uint8_t SPEED_TOO_SLOW = 1;
// More than the list takes: the 1000th section found stops it.
constexpr int SPEED_ITEM_LIMIT = 1000;

// The speed of section i of r in km/h, 0 for a section without a time.
double section_speed(const TeamRecord& r, int i);
// Every questionable section of records, in record and section order. At the 1000th
// the BUMON.TXT correction dialogue runs, which never returns.
std::vector<SpeedItem> collect_questionable_speeds(const std::vector<TeamRecord>& records);
// GIMON_SPEED_SORTTYPE=2: by station; otherwise by kind.
void sort_by_kind(std::vector<SpeedItem>& items);
void sort_by_station(std::vector<SpeedItem>& items);
void write_speeds_by_kind(Report& report, const std::vector<TeamRecord>& records,
                          const std::vector<SpeedItem>& items);
void write_speeds_by_station(Report& report, const std::vector<TeamRecord>& records,
                             const std::vector<SpeedItem>& items);

// Input-data check [5], after recompute_results: the list through the destination.
void questionable_speed_list();

}  // namespace korvel
