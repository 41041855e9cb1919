// The teams tied on a cumulative time, listed for the officials to decide.
#pragma once

namespace korvel {

// The teams of a division that reach a station on the same cumulative time, through
// the output destination (print key PRINTCMD66). Run after recompute_results.
void same_time_check_list();

}  // namespace korvel
