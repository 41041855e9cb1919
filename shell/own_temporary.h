// A new version of a data file written beside it under a name of this copy's own and
// put in its place in one step, its stamp kept not older than the files it was made
// from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>

namespace korvel {

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
