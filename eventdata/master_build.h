// Building MASTFILE.DAT from EKI.TXT, BUMON.TXT and TEAM.TXT, and NAMEFILE.DAT from
// SENSYU.TXT: the data steps of a rebuild. None of them asks anything; the screen that
// shows them and asks between them is prompts/rebuild.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "eventdata/kihondat.h"
#include "eventdata/mastfile.h"
#include "eventdata/race_folder.h"
#include "shell/own_temporary.h"

namespace korvel {

// The data as built or found now: the definition files of this moment are those the
// data come from. Done by the build itself and at the first stale check.
void note_data_loaded();
// True when EKI.TXT, BUMON.TXT or TEAM.TXT changed since this program last built or
// found MASTFILE.DAT, whatever MASTFILE.DAT's stamp says (entries of another copy
// make it newer than an edited TEAM.TXT). A MASTFILE.DAT replaced by another copy
// counts as found anew.
bool definitions_changed_since_load();
// The waiting menu's rebuild offered for the files as they are now (the stamps
// given): false when the user declined it for these very files, since asking again
// at once would keep the menu from ever taking a key. stale_rebuild_answered then
// says how the offer ended: one declined is not made again until a file changes.
bool offer_stale_rebuild(std::uint32_t eki, std::uint32_t bumon, std::uint32_t team, std::uint32_t mast);
void stale_rebuild_answered(bool built);

// TEAM.TXT read (the event loaded): the records of a new master file, no time
// entered, and a line ""as written" → "as kept"" for each team name cut to fit its
// field. An error in the file is reported (after the names cut so far) and handed to
// fix_file, as the definition files are.
struct TeamText {
    std::vector<TeamRecord> records;
    std::string shortened;
};
TeamText read_team_text();
// A master file of these records under name (header first).
void write_master_records(const char* name, const std::vector<TeamRecord>& records);
// True when NAMEFILE.DAT was written (always, unless MASTFILE.DAT is missing;
// without SENSYU.TXT every runner name is empty).
bool build_name_file();

// Why MASTFILE.DAT was left as it was at the end of a build.
enum class BuildRefusal {
    no_backup,        // the copy of the data before the change could not be written
    journal,          // the journal refused the rebuild's line
    master_replaced,  // replaced meanwhile by a file the times cannot come from
};
struct BuildInstall {
    std::optional<BuildRefusal> refused;  // nothing: the new file is in place
    std::string reason;                   // no_backup, journal: their own words
    // Carried over: entries stored by another copy while the questions were open
    // made the times taken under the lock differ from those merged first.
    std::optional<int> times_taken_again;
};

// One rebuild of MASTFILE.DAT, step by step. While it lives this copy has the
// folder's build turn and its own new file beside MASTFILE.DAT (removed unless
// installed).
class MasterBuild {
public:
    // Waits for the turn (another copy building: the wait line, Esc returns to the
    // main menu), loads the event and writes the new file from TEAM.TXT, no time
    // entered. A fault in a definition file goes to fix_file.
    explicit MasterBuild(const SourceStamps& sources);
    const std::string& shortened_names() const { return text_.shortened; }
    // Teams per division index of the new file.
    const int (&team_counts() const)[MAX_BUMON] { return counts_; }
    // The times of the present MASTFILE.DAT merged into the new file (import_times,
    // which shows its own refusals): true when merged. Otherwise the new file keeps
    // every time cleared.
    bool carry_over();
    bool initialised() const { return initialised_; }
    // Puts the new file in place of MASTFILE.DAT under its lock: the copy of the data
    // before the change first, the times of a carry-over taken again, the journal
    // line, the rename. Then the data are those loaded. Asks nothing.
    BuildInstall install();
    // After the start times of a build from scratch were registered: the stamp of
    // MASTFILE.DAT not older than the definition files.
    void start_times_registered();
    // After a carry-over: a team without any start time (one added to TEAM.TXT) gets
    // its division's. How many did.
    int start_added_teams();

private:
    SourceStamps sources_;
    BuildLock building_;
    TeamText text_;
    OwnTemporary temporary_;
    int counts_[MAX_BUMON];
    bool initialised_ = true;
    int carried_ = 0;
};

}  // namespace korvel
