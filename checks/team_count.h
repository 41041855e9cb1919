// How many teams each division has in a master file.
#pragma once

#include <cstdio>

namespace korvel {

// One line per division ("%2d: name count") and a total line, for the master file
// named mast_name (MASTFILE.TMP during a build). out nullptr writes to the console.
void count_division_teams(const char* mast_name, FILE* out);

// The report of the other-functions submenu (entry 5): title, the counts of
// MASTFILE.DAT, through the output destination with print key PRINTCMD95.
void team_count_report();

}  // namespace korvel
