#include "eventdata/master_build.h"
#include "eventdata/team_index.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
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
#include "platform/files.h"
#include "platform/whole_file.h"
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

[[noreturn]] void team_line_error(const char* message, int line_no) {
    cputs(message);
    cprintf("ファイル \"%s\" の %d行目\n", TEAM_FILE, line_no);
    fix_file(TEAM_FILE);
}

void read_team_line(const char* line, const char* separators, int line_no, std::vector<TeamEntry>& entries) {
    TeamEntry e{};
    e.team = leading_number(line);
    e.team_text = number_as_written(line);
    const char* p = line;
    skip_digits(&p);

    if (!next_list_field(&p, separators)) team_line_error("\nチーム名がありません\n", line_no);
    std::string written = take_list_field(&p, separators);
    fit_list_field(written, e.name, sizeof e.name, separators);

    if (!next_list_field(&p, separators)) team_line_error("\n部門Ｎｏの指定がありません(1)\n", line_no);
    std::string field = take_list_field(&p, separators);
    std::vector<char> division(field.size() + 1);
    fit_list_field(field, division.data(), division.size(), separators);
    if (division[0] < '0' || division[0] > '9') team_line_error("\n部門Ｎｏの指定がありません(2)\n", line_no);
    e.division = leading_number(division.data());
    e.division_text = number_as_written(division.data());
    e.open_flag = contains_word(p, "open") ? '1' : '0';

    entries.push_back(e);
    if (written != e.name) cprintf("\"%s\" → \"%s\"\n", written.c_str(), e.name);
}

// Every entry is checked and reported before the fix-file handler runs.
void validate_teams(const std::vector<TeamEntry>& entries) {
    std::array<bool, 1000> seen{};
    bool failed = false;
    for (const TeamEntry& e : entries) {
        bool in_range = e.team >= 0 && e.team <= 999;
        bool duplicate = in_range && seen[e.team];
        bool bad_division = e.division < 1 || e.division > definition().division_count();
        if (in_range) seen[e.team] = true;
        if (!duplicate && in_range && !bad_division) continue;
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

// The records of a new master file, in its order: by division, then team number.
std::vector<TeamRecord> make_team_records(std::vector<TeamEntry>& entries) {
    if (entries.size() > static_cast<std::size_t>(MAX_TEAMS)) {
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

void write_team_records(std::vector<TeamEntry>& entries, const char* temporary) {
    write_master_records(temporary, make_team_records(entries));
}

std::vector<TeamEntry> read_team_entries() {
    std::vector<TeamEntry> entries;
    read_list_file(TEAM_FILE, nullptr, nullptr, [&entries](const char* line, FILE*, const char* separators, int line_no) {
        read_team_line(line, separators, line_no, entries);
    });
    validate_teams(entries);
    return entries;
}

void refuse_without_backup(const char* name, const std::string& error) {
    cprintf("\n\tバックアップを作れないため %s は変更しませんでした\n\t%s\n", name, error.c_str());
    menu_return_prompt();
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

bool build_master_file(BuildAsked asked) {
    SourceStamps sources = take_source_stamps({EKI_FILE, BUMON_FILE, TEAM_FILE});
    clear_screen();
    cputs("\n\n\t");
    if (asked == BuildAsked::on_demand) {
        cprintf("%s, %s, %s から\n", EKI_FILE, BUMON_FILE, TEAM_FILE);
        cprintf("\t%s を作り直します\n", MASTFILE_NAME);
        if (!ask_yes_no("\t実行しますか？（Y / N）")) return false;
    } else {
        cprintf("%s, %s, %s のどれかが\n", EKI_FILE, BUMON_FILE, TEAM_FILE);
        cprintf("\t%s より新しくなっていますので\n", MASTFILE_NAME);
        cprintf("\t%s を作り直します\n", MASTFILE_NAME);
        platform::console().refresh();
        platform::sleep_ms(1000);
    }
    cputs("\n\t作成中・・・\n");
    // One copy builds at a time; one that finds another building waits and then
    // works on its result (the caller's stale check sees the new file).
    BuildLock building(BuildLock::waiting);
    kihon_data();

    std::vector<TeamEntry> entries = read_team_entries();
    OwnTemporary tmp(MASTFILE_NAME);
    write_team_records(entries, tmp.name());
    count_division_teams(tmp.name(), nullptr);

    bool initialised = true;
    int carried = 0;
    if (file_exists(MASTFILE_NAME)) {
        cputs("\n");
        const bool carry = ask_yes_no("\t旧 MASTFILE.DAT のタイムデータを引き継ぎますか？（Y / N）");
        cputs("\n");
        if (carry && import_times(tmp.name(), MASTFILE_NAME, MASTFILE_TMP) == MergeResult::merged) {
            initialised = false;
            carried = last_imported_blocks();
        } else {
            if (carry) cputs("引き継げませんでした\n");
            // A carry-over that failed would lose the entered times just as a refused
            // one: the same question, and N keeps MASTFILE.DAT.
            if (!ask_yes_no("\n\tタイムデータがすべて初期化されます\n\t実行しますか？（Y / N）")) return false;
        }
        cputs("\n");
    }

    // MASTFILE.DAT is replaced in one step: a stop at any moment leaves the old file
    // or the new one, never a part of it. Another copy of the program may have
    // stored entries while the questions above were open: the times are taken again
    // under the lock, which is held until the new file is in place. The copy of the
    // data as they were is on the disk before anything changes; without it nothing
    // changes. NAMEFILE.DAT is replaced after it (its readers match records by team
    // number, so a moment of the old names gives blanks, never wrong names).
    std::optional<int> taken = carried;
    std::string backup_error, refusal;
    {
        Stream held;
        if (file_exists(MASTFILE_NAME)) held = mast_lock_for_replacing();
        if (held) backup_error = write_backup(snapshot_data_files(held), BackupKind::before_change);
        if (backup_error.empty()) {
            if (!initialised) {
                write_team_records(entries, tmp.name());
                taken = carry_times_over(tmp.name(), MASTFILE_NAME);
            }
            // The rebuild's one line is on the disk before the new file replaces the old.
            if (taken)
                refusal = journal_build(held ? (initialised ? JournalKind::initialise : JournalKind::carry_over)
                                             : JournalKind::create,
                                        *taken);
            if (taken && refusal.empty()) tmp.install(MASTFILE_NAME, sources);
        }
    }
    if (!backup_error.empty()) {
        refuse_without_backup(MASTFILE_NAME, backup_error);
        return false;
    }
    if (!refusal.empty()) {
        cprintf("\t%s\n\t%s はそのままです\n", refusal.c_str(), MASTFILE_NAME);
        menu_return_prompt();
        return false;
    }
    if (!taken) {
        // Replaced meanwhile by a file the times cannot come from: nothing is lost
        // as long as MASTFILE.DAT stays.
        cprintf("\t%s が変わったため引き継げませんでした。%s はそのままです\n", MASTFILE_NAME, MASTFILE_NAME);
        menu_return_prompt();
        return false;
    }
    if (*taken != carried) cprintf("\t置き換える直前のデータから %d 件のタイムを引き継ぎました\n", *taken);
    note_data_loaded();
    team_index.set();
    if (initialised) {
        confirm_start_times();
        cputs("\n\n");
        keep_stamp_not_older(MASTFILE_NAME, sources);
    } else if (int added = register_missing_start_times(); added > 0) {
        // Teams added to TEAM.TXT would otherwise have no start and no times at all.
        cprintf("\t%d チームにスタート時刻を登録しました\n", added);
        keep_stamp_not_older(MASTFILE_NAME, sources);
    }

    kihon_data();
    cprintf("\t%s を作り直しました\n", MASTFILE_NAME);
    if (build_name_file()) cprintf("\t%s を作り直しました\n", NAMEFILE_NAME);
    menu_return_prompt();
    return true;
}

void write_master_records(const char* name, const std::vector<TeamRecord>& records) {
    Stream f = fopen_retry(name, "wb");
    mast_write_header(f);
    for (std::size_t n = 0; n < records.size(); ++n) mast_write(f, static_cast<int>(n), records[n]);
    fclose_or_abort(f);
}

std::vector<TeamRecord> team_records_from_text() {
    std::vector<TeamEntry> entries = read_team_entries();
    return make_team_records(entries);
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

int build_master_file_when_stale(std::uint32_t eki, std::uint32_t bumon, std::uint32_t team, std::uint32_t mast) {
    LoadedData now = data_now();
    // While MASTFILE.DAT is older than a definition, any change of it counts.
    if (mast < eki || mast < bumon || mast < team) now.master_state = file_state(MASTFILE_NAME, mast);
    // Asking again at once would keep the menu from ever taking a key.
    if (declined_files && *declined_files == now) return 0;
    declined_files.reset();
    if (!build_master_file(BuildAsked::when_stale)) declined_files = now;
    // Built or declined, the build screen has replaced the menu: the caller redraws.
    return 1;
}

SourceStamps take_source_stamps(std::initializer_list<const char*> sources) {
    SourceStamps newest;
    for (const char* name : sources) {
        std::error_code ec;
        auto time = fs::last_write_time(name, ec);
        if (ec) continue;
        std::uint32_t packed = platform::file_mtime(name);
        if (packed > newest.packed || (packed == newest.packed && time > newest.time)) {
            newest.packed = packed;
            newest.time = time;
        }
    }
    return newest;
}

void install_temporary_file(const char* temporary_name, const char* final_name, const SourceStamps& sources,
                            bool exact) {
    if (platform::place_temporary(temporary_name, final_name) != 0) {
        cprintf("\n%s: can't rename %s to %s\n", program_path.c_str(), temporary_name, final_name);
        fatal_stop();
    }

    if (exact) {
        if (sources.packed == 0) return;
        std::error_code ec;
        fs::last_write_time(final_name, sources.time, ec);
        return;
    }
    keep_stamp_not_older(final_name, sources);
}

OwnTemporary::OwnTemporary(const char* final_name) : name_(temporary_beside(final_name)) {
    if (!name_.empty()) return;
    const int err = errno;
    cprintf("\n%s の一時ファイルを作れません\n", final_name);
    show_system_error(err);
    menu_return_prompt();
    jump_to_main_menu();
}

OwnTemporary::~OwnTemporary() {
    if (installed_) return;
    platform::remove_file(name_.c_str());
    temporary_done(name_);
}

void OwnTemporary::install(const char* final_name, const SourceStamps& sources, bool exact) {
    install_temporary_file(name_.c_str(), final_name, sources, exact);
    installed();
}

void OwnTemporary::installed() {
    installed_ = true;
    temporary_done(name_);
}

void keep_stamp_not_older(const char* name, const SourceStamps& sources) {
    if (sources.packed == 0 || platform::file_mtime(name) >= sources.packed) return;
    // A source stamped ahead of this computer's clock (copied from another PC).
    std::error_code ec;
    fs::last_write_time(name, sources.time, ec);
}

}  // namespace korvel
