// Blind double entry (照合入力): a second official types the paper record of a station
// again, without seeing what is stored. Each typed time is compared with the record;
// nothing is stored by typing, only by answering Y to a difference or a missing time.
#pragma once

#include "eventdata/mastfile.h"

namespace korvel {

// Input-data check [9]: station, added time, then team and time as in time entry;
// a summary of the pass on Esc.
void double_entry();

enum CorrectionResult { CORRECTION_STORED, CORRECTION_STALE, CORRECTION_REFUSED };

// Stores value as the arrival (and, unless the block holds a carried start, the
// departure) at logical station k of the team, through the entry's store routine.
// compared is the block as the official was shown it: when the record holds anything
// else by now (another terminal), nothing is stored (CORRECTION_STALE). REFUSED when
// the record is not the team's or k not the station's block. r receives the stored
// record.
CorrectionResult store_verified_correction(int rec_no, int team, int station, int k, RaceTime value,
                                           const StationBlock& compared, TeamRecord& r);

}  // namespace korvel
