// Rotating copies of MASTFILE.DAT and NAMEFILE.DAT (and JOURNAL.TXT, the record they
// can be rebuilt from) in the folder "backup" of the race
// folder: one before every change of the data as a whole (rebuild, conversion,
// import from another master file, text import, initialisation), written before the
// change, and at most one a minute while entries change it. Each copy carries its
// time in its name (MASTFILE_20261209_101530.DAT with NAMEFILE_20261209_101530.DAT;
// MASTFILE_BEFORE_... for a copy before a change), is written to a temporary name,
// flushed and put in place; the last 9 of each file and kind are kept.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace korvel {

constexpr const char* BACKUP_FOLDER = "backup";
constexpr int BACKUP_KEEP = 9;
// Entries make a copy when the newest one is at least this old.
constexpr int BACKUP_ENTRY_INTERVAL = 60;

// The two data files as they were at one moment.
struct DataSnapshot {
    std::string master, names, journal;
    bool has_master = false, has_names = false, has_journal = false;
    std::time_t taken = 0;
};

// Reads both files; MASTFILE.DAT under a shared lock held only while it is read
// (never call it while this program holds a lock on MASTFILE.DAT).
DataSnapshot snapshot_data_files();
// The same with MASTFILE.DAT read through a stream whose whole-file lock the caller
// holds.
DataSnapshot snapshot_data_files(FILE* locked_master);

enum class BackupKind {
    entry,          // MASTFILE_20261209_101530.DAT: at most once a minute during entries
    before_change,  // MASTFILE_BEFORE_20261209_101530.DAT: before a change of the whole
};

// The copies of MASTFILE.DAT in the folder, newest first, as paths; and the copy of
// NAMEFILE.DAT taken with one of them (its path, whether it exists or not).
std::vector<std::string> master_copies_newest_first();
std::string name_copy_of(const std::string& master_copy);

// One file written whole, byte for byte: a temporary name of this process (another
// copy of the program may write the same name), flushed, renamed. Nothing is asked;
// false with the reason in error.
bool write_copy(const std::string& bytes, const std::string& name, std::string& error);


// Writes the snapshot as the newest copies of its kind (flushed to the disk before it
// returns) and drops the oldest of that kind beyond BACKUP_KEEP. A name another copy
// of the program took in the same second is never reused. On failure nothing but the
// temporary file is touched (and it is removed); the result is then the reason in
// one line, else empty.
std::string write_backup(const DataSnapshot& snapshot, BackupKind kind);

// The copy before a change of the data as a whole, of the files as they are now
// (never call it while this program holds a lock on MASTFILE.DAT). The reason in one
// line when it could not be written: the change must then not happen.
std::string backup_before_change();

// After an entry was stored (and its lock released): a copy when the newest one is
// a minute old, written in the background so that the entry does not wait for the
// disk. A backup folder that cannot be made is said once per run.
void backup_after_entry();
// Waits for a copy still being written (tests; the end of the program).
void finish_backups();

}  // namespace korvel
