// How many teams each division has in a master file.
#pragma once

#include <cstdio>

#include "eventdata/kihondat.h"

namespace korvel {

// Teams per division index of the master file mast_name.
void count_teams(const char* mast_name, int (&counts)[MAX_BUMON]);
// One line per division ("%2d: name count") and a total line; out nullptr writes to
// the console.
void print_counts(FILE* out, const int (&counts)[MAX_BUMON]);
// Both, for the master file named mast_name (MASTFILE.TMP during a build).
void count_division_teams(const char* mast_name, FILE* out);

}  // namespace korvel
