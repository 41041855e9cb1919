// The relative check list: every section whose time lies outside the bounds around
// the division's median (scaled by the team's own pace), by division and section.
#pragma once

#include <vector>

#include "eventdata/mastfile.h"
#include "timing/relative_check.h"

namespace korvel {

// A section outside the bounds.
struct RelativeItem {
    int division;
    int section;
    int record;  // record number in MASTFILE.DAT
    RelativeJudgement judgement;
};

// Every suspect section of records, ordered by division, section, kind (too fast
// first) and time, fastest first; equal times keep the master-file order.
std::vector<RelativeItem> collect_relative_items(const std::vector<TeamRecord>& records,
                                                 const RelativeBounds& bounds);

// Input-data check [0]: the list through the output destination (PRINTCMD97).
void relative_check_list();

}  // namespace korvel
