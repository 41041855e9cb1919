#include "eventdata/master_build.h"
#include "eventdata/team_index.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "eventdata/backup.h"
#include "eventdata/division_counts.h"
#include "eventdata/import_times.h"
#include "eventdata/journal.h"
#include "eventdata/kihondat.h"
#include "eventdata/list_file.h"
#include "eventdata/mast_lock.h"
#include "eventdata/mastfile.h"
#include "eventdata/race_folder.h"
#include "eventdata/start_time_store.h"
#include "shell/console_ui.h"
#include "shell/runtime.h"
#include "shell/sjis.h"

namespace korvel {

namespace fs = std::filesystem;

namespace {

constexpr const char* EKI_FILE = "EKI.TXT";
constexpr const char* BUMON_FILE = "BUMON.TXT";
constexpr const char* TEAM_FILE = "TEAM.TXT";

// One team line of TEAM.TXT, before it is checked.
struct TeamEntry {
    int team;
    char open_flag;
    int division;  // as written, 1-based
    char name[MAST_TEAM_NAME_SIZE];
    std::string team_text, division_text;  // as written, for the messages
};

// The names cut so far are shown before the fault, as the file was read.
[[noreturn]] void team_line_error(const std::string& shortened, const char* message, int line_no) {
    cputs(shortened);
    cputs(message);
    cprintf("ファイル \"%s\" の %d行目\n", TEAM_FILE, line_no);
    fix_file(TEAM_FILE);
}

void read_team_line(const char* line, const char* separators, int line_no, std::vector<TeamEntry>& entries,
                    std::string& shortened) {
    TeamEntry e{};
    e.team = leading_number(line);
    e.team_text = number_as_written(line);
    const char* p = line;
    skip_digits(&p);

    if (!next_list_field(&p, separators)) team_line_error(shortened, "\nチーム名がありません\n", line_no);
    std::string written = take_list_field(&p, separators);
    fit_list_field(written, e.name, sizeof e.name, separators);

    if (!next_list_field(&p, separators)) team_line_error(shortened, "\n部門Ｎｏの指定がありません(1)\n", line_no);
    std::string field = take_list_field(&p, separators);
    std::vector<char> division(field.size() + 1);
    fit_list_field(field, division.data(), division.size(), separators);
    if (division[0] < '0' || division[0] > '9') team_line_error(shortened, "\n部門Ｎｏの指定がありません(2)\n", line_no);
    e.division = leading_number(division.data());
    e.division_text = number_as_written(division.data());
    e.open_flag = contains_word(p, "open") ? '1' : '0';

    entries.push_back(e);
    if (written != e.name) shortened += "\"" + written + "\" → \"" + e.name + "\"\n";
}

// Every entry is checked and reported (after the names cut) before the fix-file
// handler runs.
void validate_teams(const std::vector<TeamEntry>& entries, const std::string& shortened) {
    std::array<bool, 1000> seen{};
    bool failed = false;
    for (const TeamEntry& e : entries) {
        bool in_range = e.team >= 0 && e.team <= 999;
        bool duplicate = in_range && seen[e.team];
        bool bad_division = e.division < 1 || e.division > definition().division_count();
        if (in_range) seen[e.team] = true;
        if (!duplicate && in_range && !bad_division) continue;
        if (!failed) cputs(shortened);
        failed = true;
        cprintf("%s %s %s\n    ", e.team_text.c_str(), e.name, e.division_text.c_str());
        if (duplicate) cprintf("チームNo（%s）が重複している。", e.team_text.c_str());
        if (!in_range) cputs("チームNoは３桁以内。");
        if (bad_division) cprintf("部門No（%s）不正。", e.division_text.c_str());
        cputs("\n");
    }
    if (entries.empty()) {
        cprintf("\n%s に有効なデータがありません\n", TEAM_FILE);
        fix_file(TEAM_FILE);
    }
    if (failed) fix_file(TEAM_FILE);
}

// The records of a new master file, in its order: by division, then team number. More
// teams than a file holds stop the program (after the names cut, as read).
std::vector<TeamRecord> make_team_records(std::vector<TeamEntry>& entries, const std::string& shortened) {
    if (entries.size() > static_cast<std::size_t>(MAX_TEAMS)) {
        cputs(shortened);
        cprintf("チーム数 > %d\n", MAX_TEAMS);
        fatal_stop();
    }
    std::stable_sort(entries.begin(), entries.end(), [](const TeamEntry& a, const TeamEntry& b) {
        return a.division != b.division ? a.division < b.division : a.team < b.team;
    });
    std::vector<TeamRecord> records(entries.size());
    for (std::size_t n = 0; n < entries.size(); ++n) {
        const TeamEntry& e = entries[n];
        TeamRecord& r = records[n];
        clear_team_record(r);
        r.team_no = static_cast<std::int16_t>(e.team);
        r.open_flag = e.open_flag;
        r.division = static_cast<std::uint8_t>(e.division - 1);
        r.set_name(e.name);
    }
    return records;
}

TeamText loaded_team_text() {
    kihon_data();
    return read_team_text();
}

// What identifies a version of a file: a rewrite within the same two-second packed
// stamp still changes the nanoseconds or the size.
struct FileState {
    std::uint32_t packed;
    bool exists;
    std::int64_t nanoseconds;
    std::uintmax_t size;
    bool operator==(const FileState&) const = default;
};

FileState file_state(const char* name, std::uint32_t packed) {
    FileState s{packed, false, 0, 0};
    std::error_code ec;
    auto t = fs::last_write_time(name, ec);
    if (ec) return s;
    s.exists = true;
    s.nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
    s.size = fs::file_size(name, ec);
    if (ec) s.size = 0;
    return s;
}

// Which MASTFILE.DAT (the file, not its contents) and which versions of the
// definition files this program last built or found.
struct LoadedData {
    std::array<FileState, 3> definitions;
    bool master_exists;
    dev_t device;
    ino_t inode;
    FileState master_state{};
    bool operator==(const LoadedData&) const = default;
};
std::optional<LoadedData> loaded;
// The same when the user last declined the automatic rebuild. Entries (of this or
// another copy) change MASTFILE.DAT without making a rebuild for an edited definition
// any more wanted: only its replacement counts.
std::optional<LoadedData> declined_files;
// The files of the last offer of the automatic rebuild.
LoadedData offered{};

LoadedData data_now() {
    LoadedData d{{file_state(EKI_FILE, 0), file_state(BUMON_FILE, 0), file_state(TEAM_FILE, 0)}, false, 0, 0};
    struct stat st;
    if (::stat(MASTFILE_NAME, &st) == 0) {
        d.master_exists = true;
        d.device = st.st_dev;
        d.inode = st.st_ino;
    }
    return d;
}

// The one line of a rebuild, on the disk before the new file replaces the old.
std::string journal_build(JournalKind kind, int carried) {
    return journal_append(journal_file_line(kind, kind == JournalKind::carry_over ? std::to_string(carried) : ""));
}

}  // namespace

MasterBuild::MasterBuild(const SourceStamps& sources)
    : sources_(sources),
      // One copy builds at a time; one that finds another building waits and then
      // works on its result (the caller's stale check sees the new file).
      building_(BuildLock::waiting),
      text_(loaded_team_text()),
      temporary_(MASTFILE_NAME) {
    write_master_records(temporary_.name(), text_.records);
    count_teams(temporary_.name(), counts_);
}

bool MasterBuild::carry_over() {
    if (import_times(temporary_.name(), MASTFILE_NAME, MASTFILE_TMP) != MergeResult::merged) return false;
    initialised_ = false;
    carried_ = last_imported_blocks();
    return true;
}

BuildInstall MasterBuild::install() {
    // MASTFILE.DAT is replaced in one step: a stop at any moment leaves the old file
    // or the new one, never a part of it. Another copy of the program may have
    // stored entries while the questions before were open: the times are taken again
    // under the lock, which is held until the new file is in place. The copy of the
    // data as they were is on the disk before anything changes; without it nothing
    // changes. NAMEFILE.DAT is replaced after it (its readers match records by team
    // number, so a moment of the old names gives blanks, never wrong names).
    std::optional<int> taken = carried_;
    std::string backup_error, refusal;
    {
        Stream held;
        if (file_exists(MASTFILE_NAME)) held = mast_lock_for_replacing();
        if (held) backup_error = write_backup(snapshot_data_files(held), BackupKind::before_change);
        if (backup_error.empty()) {
            if (!initialised_) {
                write_master_records(temporary_.name(), text_.records);
                taken = korvel::carry_times_over(temporary_.name(), MASTFILE_NAME);
            }
            // The rebuild's one line is on the disk before the new file replaces the old.
            if (taken)
                refusal = journal_build(held ? (initialised_ ? JournalKind::initialise : JournalKind::carry_over)
                                             : JournalKind::create,
                                        *taken);
            if (taken && refusal.empty()) temporary_.install(MASTFILE_NAME, sources_);
        }
    }
    BuildInstall result;
    if (!backup_error.empty()) {
        result.refused = BuildRefusal::no_backup;
        result.reason = backup_error;
    } else if (!refusal.empty()) {
        result.refused = BuildRefusal::journal;
        result.reason = refusal;
    } else if (!taken) {
        result.refused = BuildRefusal::master_replaced;
    }
    if (result.refused) return result;
    if (*taken != carried_) result.times_taken_again = *taken;
    note_data_loaded();
    team_index.set();
    return result;
}

void MasterBuild::start_times_registered() { keep_stamp_not_older(MASTFILE_NAME, sources_); }

int MasterBuild::start_added_teams() {
    const int added = register_missing_start_times();
    if (added > 0) keep_stamp_not_older(MASTFILE_NAME, sources_);
    return added;
}

void write_master_records(const char* name, const std::vector<TeamRecord>& records) {
    Stream f = fopen_retry(name, "wb");
    mast_write_header(f);
    for (std::size_t n = 0; n < records.size(); ++n) mast_write(f, static_cast<int>(n), records[n]);
    fclose_or_abort(f);
}

TeamText read_team_text() {
    std::vector<TeamEntry> entries;
    TeamText text;
    read_list_file(TEAM_FILE, nullptr, nullptr, [&](const char* line, FILE*, const char* separators, int line_no) {
        read_team_line(line, separators, line_no, entries, text.shortened);
    });
    validate_teams(entries, text.shortened);
    text.records = make_team_records(entries, text.shortened);
    return text;
}

void note_data_loaded() { loaded = data_now(); }

bool definitions_changed_since_load() {
    LoadedData now = data_now();
    // The first look, or another copy has rebuilt the file: these are the data now.
    if (!loaded || !now.master_exists || loaded->master_exists != now.master_exists ||
        loaded->device != now.device || loaded->inode != now.inode) {
        loaded = now;
        return false;
    }
    return loaded->definitions != now.definitions;
}

bool offer_stale_rebuild(std::uint32_t eki, std::uint32_t bumon, std::uint32_t team, std::uint32_t mast) {
    LoadedData now = data_now();
    // While MASTFILE.DAT is older than a definition, any change of it counts.
    if (mast < eki || mast < bumon || mast < team) now.master_state = file_state(MASTFILE_NAME, mast);
    offered = now;
    if (declined_files && *declined_files == now) return false;
    declined_files.reset();
    return true;
}

void stale_rebuild_answered(bool built) {
    if (!built) declined_files = offered;
}

}  // namespace korvel
