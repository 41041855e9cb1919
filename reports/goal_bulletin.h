// The goal bulletin: a quick provisional list at the finish from two clock times per
// team, the start and the goal, ordered within each division by their difference.
// It computes no rank and ignores every relay station.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "eventdata/mastfile.h"

namespace korvel {

struct GoalEntry {
    int division;
    int elapsed;              // goal minus start in seconds; INT32_MAX when either is missing
    std::uint16_t goal_seq;   // input sequence number at the goal; 0xFFFF none
    int record;
};

// One entry per team, in listing order: division, elapsed time, goal input order.
std::vector<GoalEntry> collect_goal_entries(const std::vector<TeamRecord>& teams);

// The whole report text (division headings and team lines) for the sorted entries.
std::vector<std::string> goal_bulletin_lines(const std::vector<TeamRecord>& teams,
                                             const std::vector<GoalEntry>& entries);

// The destination question, then the report; no ranking computation.
void print_goal_sokuhou();

}  // namespace korvel
