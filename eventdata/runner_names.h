// Runner names: NAMEFILE.DAT built from SENSYU.TXT (build_name_file in
// master_build.h), and the width reports give to a name column.
#pragma once

#include <vector>

#include "eventdata/mastfile.h"

namespace korvel {

// The longest runner name in NAMEFILE.DAT in bytes, at least 12 (also when the file
// is missing).
int runner_name_width();

// The runners of every team of teams (record n of NAMEFILE.DAT for teams[n]), read in
// file order. A name record that is missing or belongs to another team gives no
// names rather than wrong ones.
std::vector<RunnerNameRecord> read_name_records(const std::vector<TeamRecord>& teams);

}  // namespace korvel
