// What the award lists, the merge files and the result tables share: the records and
// runners of the whole race, names and speeds that never index past the event tables,
// and merge files that are either written whole or left as they were.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "eventdata/mastfile.h"
#include "shell/sjis.h"

namespace korvel {

// Every record of MASTFILE.DAT in file order (the index is the record number) with its
// runners from NAMEFILE.DAT.
struct RaceData {
    std::vector<TeamRecord> teams;
    std::vector<RunnerNameRecord> names;
};
RaceData read_race_data();


// The longest division name in bytes.
int division_name_width();
// The speed of section k of division d run in t, in km/h; 0 when t is no duration.
double section_speed(int division, int section, RaceTime t);

// Writes the file name (CP932; UTF-8 on disk) in text mode through a temporary file in
// the same folder, puts it in place once body has written it whole, and opens it with
// its associated program. A failed write leaves an existing file as it was, shows the
// message and returns false.
bool write_merge_file(const char* name, const std::function<void(FILE*)>& body);

}  // namespace korvel
