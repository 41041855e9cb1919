// The times an import from another master file leaves alone: a block that holds a time
// here keeps it, whatever the other file says. Where the other file says something
// else, the office must hear of it.
#pragma once

#include <string>
#include <vector>

#include "eventdata/mastfile.h"

namespace korvel {

struct ImportConflict {
    int team_no;
    int division;
    int block;  // logical station
    char name[MAST_TEAM_NAME_SIZE];
    RaceTime here_arrival, here_departure;    // this file's, kept
    RaceTime other_arrival, other_departure;  // the other file's, not taken
};

// Block k of two raw records (this file's, the other's) when both hold a time and the
// times differ; false otherwise.
bool import_conflict(const unsigned char* here, const unsigned char* other, int k, ImportConflict& c);

// The width of a team name in the list of conflicts and on the screen.
constexpr int CONFLICT_NAME_COLUMNS = 24;
// The station's name in the team's division; its number where the division is not
// one of this event's.
std::string import_conflict_station(const ImportConflict& c);
// "取り込み時の食い違い一覧" through the output destination (PRINTCMD98).
void import_conflict_report(const std::vector<ImportConflict>& conflicts, const char* destination,
                            const char* source);

}  // namespace korvel
