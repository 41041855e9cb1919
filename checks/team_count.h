// The division team-count report.
#pragma once

namespace korvel {

// The report of the other-functions submenu (entry 5): title, the counts of
// MASTFILE.DAT, through the output destination with print key PRINTCMD95.
void team_count_report();

}  // namespace korvel
