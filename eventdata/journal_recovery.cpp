#include "eventdata/journal_recovery.h"


#include <cstdio>
#include <map>
#include <set>

#include "eventdata/backup.h"
#include "eventdata/kihondat.h"
#include "eventdata/mast_lock.h"
#include "eventdata/race_folder.h"
#include "eventdata/master_build.h"
#include "eventdata/team_index.h"
#include "shell/runtime.h"

namespace korvel {

namespace {

// Sets the block as the line left it: a departure line the departure alone, every
// other line the whole block and its sequence number.
void apply_line(const JournalLine& line, StationBlock& b) {
    if (line.kind == JournalKind::departure) {
        b.departure = line.after.departure;
        return;
    }
    b.arrival = line.after.arrival;
    b.departure = line.after.departure;
    if (line.seq >= 0) b.input_seq = static_cast<std::int16_t>(line.seq);
}

std::string missing_text(const char* format, int a, int b = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

}  // namespace

RecoveryPlan plan_recovery(const JournalContents& contents) {
    RecoveryPlan plan;
    plan.records = team_records_from_text();
    plan.unreadable = contents.unreadable;
    std::map<int, std::size_t> by_team;
    for (std::size_t i = 0; i < plan.records.size(); ++i) by_team[plan.records[i].team_no] = i;

    // Everything before the last clearing was cleared by it; a 作成 line (a file built
    // where none could be read) cleared nothing on record.
    std::size_t first = 0;
    for (std::size_t i = 0; i < contents.lines.size(); ++i)
        if (contents.lines[i].kind == JournalKind::initialise) first = i + 1;

    std::set<std::string> missing;
    std::set<int> teams;
    for (std::size_t i = first; i < contents.lines.size(); ++i) {
        const JournalLine& line = contents.lines[i];
        if (!line.for_station()) continue;
        ++plan.lines;
        auto found = by_team.find(line.team);
        if (found == by_team.end()) {
            missing.insert(missing_text("チームＮｏ＝%d は TEAM.TXT にありません", line.team));
            continue;
        }
        TeamRecord& r = plan.records[found->second];
        int k = logical_station(r.division, line.station);
        if (k < 0) {
            missing.insert(missing_text("チームＮｏ＝%d の部門に中継所 %d がありません", line.team, line.station));
            continue;
        }
        apply_line(line, r.blocks[k]);
        ++plan.entries;
        teams.insert(line.team);
    }
    plan.teams = static_cast<int>(teams.size());
    plan.missing.assign(missing.begin(), missing.end());
    return plan;
}

RecoveryResult recover_master_from_journal() {
    SourceStamps sources = take_source_stamps({"EKI.TXT", "BUMON.TXT", "TEAM.TXT"});
    // Never two rebuilds at once; the new file is this copy's own until it is in place.
    BuildLock building(BuildLock::waiting);
    OwnTemporary temporary(MASTFILE_NAME);
    RecoveryResult result;
    {
        // Entries of other terminals may have been journaled while the question was
        // open: the plan is made again from the journal under the lock. The copy of
        // the present files is on the disk before anything changes.
        Stream held;
        if (file_exists(MASTFILE_NAME)) held = mast_lock_for_replacing();
        result.reason = write_backup(held ? snapshot_data_files(held) : snapshot_data_files(), BackupKind::before_change);
        if (!result.reason.empty()) {
            result.outcome = Recovery::backup_refused;
            return result;
        }
        const RecoveryPlan now = plan_recovery(read_journal());
        result.entries = now.entries;
        write_master_records(temporary.name(), now.records);
        result.reason = journal_append(journal_file_line(JournalKind::create, "入力履歴から復元"));
        if (!result.reason.empty()) {
            result.outcome = Recovery::journal_refused;
            return result;
        }
        temporary.install(MASTFILE_NAME, sources);
    }
    note_data_loaded();
    team_index.set();
    kihon_data();
    return result;
}

}  // namespace korvel
