// Runner names: NAMEFILE.DAT built from SENSYU.TXT (build_name_file in
// master_build.h), and the width reports give to a name column.
#pragma once

#include <vector>

#include "eventdata/mastfile.h"

namespace korvel {

// The longest runner name in NAMEFILE.DAT in bytes, at least 12 (also when the file
// is missing).
int runner_name_width();
// The name record of each of teams (records of MASTFILE.DAT in file order), read in
// file order. A name record that is missing or belongs to another team gives no
// names rather than wrong ones.
std::vector<RunnerNameRecord> read_name_records(const std::vector<TeamRecord>& teams);

// True when NAMEFILE.DAT holds one record per record of MASTFILE.DAT, of the same
// team each: false after a rebuild of the master file that stopped before its name
// file was in place (the waiting menu then builds it). A missing file fits nothing.
bool name_file_fits_master();

}  // namespace korvel
