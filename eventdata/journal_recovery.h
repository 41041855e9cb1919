// The entered data rebuilt from the text files and JOURNAL.TXT, for a master file
// lost or damaged between two backups.
#pragma once

#include <string>
#include <vector>

#include "eventdata/journal.h"
#include "eventdata/mastfile.h"

namespace korvel {

// What the journal makes of a fresh master file.
struct RecoveryPlan {
    std::vector<TeamRecord> records;  // the fresh file with every line applied
    int lines = 0;                    // station lines since the last 初期化
    int entries = 0;                  // of them applied
    int teams = 0;                    // teams they changed
    std::vector<std::string> missing;  // teams and stations the text files no longer have
    std::vector<std::pair<int, std::string>> unreadable;
};

// The fresh records from TEAM.TXT with the lines of contents since its last 初期化
// applied in order, each to its team by number (作成 and 引継 lines change nothing).
RecoveryPlan plan_recovery(const JournalContents& contents);

// What a recovery did. Refused, nothing was replaced.
enum class Recovery {
    recovered,        // MASTFILE.DAT replaced, the data loaded again
    backup_refused,   // the copy of the present files could not be made (why in reason)
    journal_refused,  // the 作成 line could not be written (reason is the journal's words)
};
struct RecoveryResult {
    Recovery outcome = Recovery::recovered;
    std::string reason;
    int entries = 0;  // applied by the plan made under the lock
};

// A backup, then under the lock the plan made again from the journal as it is then
// (entries of other terminals may have come since it was shown), a 作成 line, and
// the new file in place of MASTFILE.DAT. Asks nothing: the question is asked before.
// The caller builds NAMEFILE.DAT again after it (build_name_file).
RecoveryResult recover_master_from_journal();

}  // namespace korvel
