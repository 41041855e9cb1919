// Building MASTFILE.DAT from EKI.TXT, BUMON.TXT and TEAM.TXT, and NAMEFILE.DAT from
// SENSYU.TXT.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "eventdata/mastfile.h"

namespace korvel {

// Why a rebuild is shown: the waiting menu found a source newer than the data, or
// the user asked for it.
enum class BuildAsked { when_stale, on_demand };
// True when the files were rebuilt (the caller redraws).
bool build_master_file(BuildAsked asked);
// The automatic rebuild for the given stamps; a rebuild the user declined is not
// offered again until one of the files changes. Non-zero when the build screen was
// shown (built or declined): the caller redraws its menu.
int build_master_file_when_stale(std::uint32_t eki, std::uint32_t bumon, std::uint32_t team, std::uint32_t mast);
// The data as built or found now: the definition files of this moment are those the
// data come from. Done by the build itself and at the first stale check.
void note_data_loaded();
// True when EKI.TXT, BUMON.TXT or TEAM.TXT changed since this program last built or
// found MASTFILE.DAT, whatever MASTFILE.DAT's stamp says (entries of another copy
// make it newer than an edited TEAM.TXT). A MASTFILE.DAT replaced by another copy
// counts as found anew.
bool definitions_changed_since_load();
// The records a build makes from TEAM.TXT (the event loaded), no time entered; an
// error in the file is reported as the build reports it.
std::vector<TeamRecord> team_records_from_text();
// A master file of these records under name (header first).
void write_master_records(const char* name, const std::vector<TeamRecord>& records);
// True when NAMEFILE.DAT was written (always, unless MASTFILE.DAT is missing;
// without SENSYU.TXT every runner name is empty).
bool build_name_file();

// The newest modification time among the source files of a built file, taken before
// they are read.
struct SourceStamps {
    std::uint32_t packed = 0;  // 0: none of the sources exists
    std::filesystem::file_time_type time{};
};
SourceStamps take_source_stamps(std::initializer_list<const char*> sources);

// Puts a finished temporary file in place of final_name: written through to the disk,
// renamed over it, the folder entry synced. Its stamp is then raised, when older, to
// the sources' stamp, so that the waiting menu does not find it stale; with exact it
// is set to that stamp (a build that read only part of its sources: an edit made
// since must still show as newer). A failure is reported and makes the fatal stop.
void install_temporary_file(const char* temporary_name, const char* final_name, const SourceStamps& sources,
                            bool exact = false);
// A temporary file of this copy beside a data file (another copy building at the
// same moment has its own): removed when it goes out of scope unless installed. One
// that cannot be created is reported and the work returns to the main menu.
class OwnTemporary {
public:
    explicit OwnTemporary(const char* final_name);
    ~OwnTemporary();
    OwnTemporary(const OwnTemporary&) = delete;
    OwnTemporary& operator=(const OwnTemporary&) = delete;
    const char* name() const { return name_.c_str(); }
    // install_temporary_file, renamed over final_name (never deleted first).
    void install(const char* final_name, const SourceStamps& sources, bool exact = false);
    // Put in place by the caller's own rename.
    void installed();

private:
    std::string name_;
    bool installed_ = false;
};

// The stamp step alone, for a file written again after it was installed.
void keep_stamp_not_older(const char* name, const SourceStamps& sources);

}  // namespace korvel
