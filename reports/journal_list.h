// The history list: JOURNAL.TXT station by station, each station's lines in time
// order, the team name beside the number and a mark on every team whose value there
// changed more than once.
#pragma once

#include <vector>

#include "eventdata/journal.h"
#include "eventdata/mastfile.h"
#include "shell/report.h"

namespace korvel {

// Other submenu [J]: the station (99 for all), the destination, the list.
void journal_list_entry();

// The list of station (99: every station, the whole-file lines first) from lines,
// the team names taken from records.
void write_journal_list(Report& report, const std::vector<JournalLine>& lines, const std::vector<TeamRecord>& records,
                        int station);

}  // namespace korvel
