#include "eventdata/backup.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "eventdata/mast_lock.h"
#include "eventdata/journal.h"
#include "eventdata/mastfile.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/whole_file.h"
#include "shell/console_ui.h"

namespace korvel {

namespace {

// The master file, the name file and the journal. Entry copies and copies before a
// change of the whole keep 9 places each: a busy hour of entries must not push out
// the copy from before the last rebuild.
constexpr int COPY_FILES = 3;
const char* const COPY_PREFIX[COPY_FILES] = {"MASTFILE_", "NAMEFILE_", "JOURNAL_"};
const char* const CHANGE_PREFIX[COPY_FILES] = {"MASTFILE_BEFORE_", "NAMEFILE_BEFORE_", "JOURNAL_BEFORE_"};
const char* const COPY_SUFFIX[COPY_FILES] = {".DAT", ".DAT", ".TXT"};

std::string error_text(int err) { return std::strerror(err); }

bool read_all(int fd, std::string& out) {
    out.clear();
    char buf[65536];
    for (off_t at = 0;;) {
        ssize_t n = pread(fd, buf, sizeof buf, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        out.append(buf, static_cast<std::size_t>(n));
        at += n;
    }
}

void read_file_into(const char* name, std::string& bytes, bool& has) {
    int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    has = read_all(fd, bytes);
    ::close(fd);
}

// The name file and the journal, which need no lock: the journal only grows.
void read_names(DataSnapshot& s) {
    read_file_into(NAMEFILE_NAME, s.names, s.has_names);
    read_file_into(JOURNAL_NAME, s.journal, s.has_journal);
}

bool same_inode(int fd, const char* name) {
    struct stat a, b;
    return fstat(fd, &a) == 0 && ::stat(name, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string in_folder(const std::string& name) { return std::string(BACKUP_FOLDER) + "/" + name; }

// One file of a copy written and synced under a temporary name of this process
// (another copy of the program may be writing a copy at the same moment); false
// with error set on failure.
bool write_temporary(platform::WholeFile& file, const std::string& bytes, std::string& error) {
    int err = file.error();
    if (file) {
        std::fwrite(bytes.data(), 1, bytes.size(), file.out());
        err = file.finish();
    }
    if (err == 0) return true;
    error = file.temporary() + ": " + error_text(err);
    return false;
}

// Puts the temporary file under name. With claim the name must be new: a copy that
// another process made in the same second is never replaced (false, errno EEXIST).
// A folder without hard links falls back to a look and a rename.
bool place_copy(const std::string& temporary, const std::string& name, bool claim) {
    if (claim) {
        if (::link(temporary.c_str(), name.c_str()) == 0) {
            ::unlink(temporary.c_str());
            return true;
        }
        if (errno == EEXIST) return false;
        if (platform::file_exists(name.c_str())) {
            errno = EEXIST;
            return false;
        }
    }
    return std::rename(temporary.c_str(), name.c_str()) == 0;
}

// The copies of one file in the folder, oldest first (the time in the name sorts):
// the prefix followed by the date.
std::vector<std::string> copies_of(const char* prefix, const char* suffix = COPY_SUFFIX[0]) {
    std::vector<std::string> names;
    DIR* d = opendir(BACKUP_FOLDER);
    if (!d) return names;
    const std::size_t plen = std::strlen(prefix), slen = std::strlen(suffix);
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n.size() > plen + slen && n.compare(0, plen, prefix) == 0 && n[plen] >= '0' && n[plen] <= '9' &&
            n.compare(n.size() - slen, slen, suffix) == 0)
            names.push_back(n);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// "20261209_101530", and "20261209_101530_2" ... for the n-th copy of that second.
std::string copy_stamp(std::time_t when, int n) {
    std::tm tm{};
    localtime_r(&when, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &tm);
    return n == 1 ? std::string(stamp) : std::string(stamp) + "_" + std::to_string(n);
}

bool make_backup_folder(std::string& error) {
    if (platform::folder_exists(BACKUP_FOLDER)) return true;
    // Made at this moment by another copy of the program, or a file in the way.
    if (::mkdir(BACKUP_FOLDER, 0777) == 0 || (errno == EEXIST && platform::folder_exists(BACKUP_FOLDER)))
        return true;
    error = std::string(BACKUP_FOLDER) + ": " + error_text(errno);
    return false;
}

// The time in the name of the newest copy; 0 when there is none.
std::time_t newest_copy_time() {
    std::vector<std::string> names = copies_of(COPY_PREFIX[0]);
    if (names.empty()) return 0;
    std::tm tm{};
    const std::string& n = names.back();
    if (!strptime(n.c_str() + std::strlen(COPY_PREFIX[0]), "%Y%m%d_%H%M%S", &tm)) return 0;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

// ---- The copy written in the background ----

pthread_mutex_t worker_mutex = PTHREAD_MUTEX_INITIALIZER;
pthread_t worker;
bool worker_running = false;  // started and not yet joined
bool worker_done = false;

void* write_in_background(void* arg) {
    auto* snapshot = static_cast<DataSnapshot*>(arg);
    write_backup(*snapshot, BackupKind::entry);  // a failed copy is dropped; the next minute tries again
    delete snapshot;
    pthread_mutex_lock(&worker_mutex);
    worker_done = true;
    pthread_mutex_unlock(&worker_mutex);
    return nullptr;
}

// A process forked while a copy is written would inherit the thread's locks (the
// allocator's among them) without the thread, and could wait on them for ever: the
// fork waits for the copy. The child owns no writing thread.
void before_fork() {
    finish_backups();
    pthread_mutex_lock(&worker_mutex);
}
void after_fork_in_parent() { pthread_mutex_unlock(&worker_mutex); }
void after_fork_in_child() {
    worker_running = false;
    worker_done = false;
    pthread_mutex_unlock(&worker_mutex);
}

// The last copy (or failed attempt) of the entries, for the race folder it was made in.
std::time_t last_entry_copy = 0;
std::string last_entry_folder;

}  // namespace

bool write_copy(const std::string& bytes, const std::string& name, std::string& error) {
    const int err = platform::write_whole_file(name.c_str(), bytes);
    if (err != 0) error = name + ": " + error_text(err);
    return err == 0;
}

DataSnapshot snapshot_data_files(FILE* locked_master) {
    DataSnapshot s;
    s.taken = std::time(nullptr);
    int fd = platform::file_descriptor(locked_master);
    if (fd >= 0) s.has_master = read_all(fd, s.master);
    read_names(s);
    return s;
}

DataSnapshot snapshot_data_files() {
    DataSnapshot s;
    s.taken = std::time(nullptr);
    for (;;) {
        int fd = ::open(MASTFILE_NAME, O_RDONLY | O_CLOEXEC);
        if (fd < 0) break;
        // Held only for the read: a stored entry waits for a few hundred kilobytes
        // from the page cache at most.
        bool locked = platform::lock_range(fd, 0, platform::LOCK_TO_END, false) == platform::LockResult::locked;
        if (locked && platform::locks_enabled() && !same_inode(fd, MASTFILE_NAME)) {
            ::close(fd);
            continue;
        }
        s.has_master = read_all(fd, s.master);
        ::close(fd);
        break;
    }
    read_names(s);
    return s;
}

// Both kinds, by the time in their names.
std::vector<std::string> master_copies_newest_first() {
    std::vector<std::pair<std::string, std::string>> dated;  // time part, name
    for (const char* prefix : {COPY_PREFIX[0], CHANGE_PREFIX[0]})
        for (const std::string& n : copies_of(prefix)) dated.emplace_back(n.substr(std::strlen(prefix)), n);
    std::stable_sort(dated.begin(), dated.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> names;
    for (const auto& d : dated) names.push_back(in_folder(d.second));
    return names;
}

std::string name_copy_of(const std::string& master_copy) {
    std::string path = master_copy;
    std::size_t at = path.rfind(COPY_PREFIX[0]);
    if (at != std::string::npos) path.replace(at, std::strlen(COPY_PREFIX[1]), COPY_PREFIX[1]);
    return path;
}

std::string write_backup(const DataSnapshot& snapshot, BackupKind kind) {
    std::string error;
    if (!snapshot.has_master && !snapshot.has_names) return error;
    if (!make_backup_folder(error)) return error;
    // A copy of the entries still being written would share the temporary name.
    if (kind == BackupKind::before_change) finish_backups();
    const char* const* prefix = kind == BackupKind::entry ? COPY_PREFIX : CHANGE_PREFIX;
    const std::string* bytes[COPY_FILES] = {snapshot.has_master ? &snapshot.master : nullptr,
                                            snapshot.has_names ? &snapshot.names : nullptr,
                                            snapshot.has_journal ? &snapshot.journal : nullptr};
    std::string stamp;  // claimed by the first file of the copy
    for (int i = 0; i < COPY_FILES; ++i) {
        if (!bytes[i]) continue;
        platform::WholeFile file(in_folder("copy"), "wb");
        if (!write_temporary(file, *bytes[i], error)) return error;
        const std::string& temporary = file.temporary();
        bool placed = false;
        if (stamp.empty()) {
            for (int n = 1; !placed; ++n) {
                stamp = copy_stamp(snapshot.taken, n);
                placed = place_copy(temporary, in_folder(prefix[i] + stamp + COPY_SUFFIX[i]), true);
                if (!placed && errno != EEXIST) break;
            }
        } else {
            placed = place_copy(temporary, in_folder(prefix[i] + stamp + COPY_SUFFIX[i]), false);
        }
        if (!placed) {
            error = in_folder(prefix[i] + stamp + COPY_SUFFIX[i]) + ": " + error_text(errno);
            return error;
        }
        file.placed();
        std::vector<std::string> names = copies_of(prefix[i], COPY_SUFFIX[i]);
        for (std::size_t n = 0; n + BACKUP_KEEP < names.size(); ++n) ::unlink(in_folder(names[n]).c_str());
    }
    platform::sync_folder_of(in_folder("x").c_str());
    return error;
}

std::string backup_before_change() {
    return write_backup(snapshot_data_files(), BackupKind::before_change);
}

void backup_after_entry() {
    const std::time_t now = std::time(nullptr);
    if (std::string here = platform::current_folder(); here != last_entry_folder) {
        last_entry_folder = here;
        last_entry_copy = 0;
    }
    if (now - last_entry_copy < BACKUP_ENTRY_INTERVAL && now >= last_entry_copy) return;
    // Another copy of the program may have made one a moment ago.
    std::time_t newest = newest_copy_time();
    if (newest != 0 && now - newest < BACKUP_ENTRY_INTERVAL && newest <= now) {
        last_entry_copy = newest;
        return;
    }
    std::string error;
    if (!make_backup_folder(error)) {
        static bool said = false;
        if (!said) show_folder_notice(("バックアップ用フォルダを作れません（" + error + "）").c_str());
        said = true;
        last_entry_copy = now;
        return;
    }
    pthread_mutex_lock(&worker_mutex);
    bool busy = worker_running && !worker_done;
    pthread_mutex_unlock(&worker_mutex);
    if (busy) return;
    finish_backups();
    last_entry_copy = now;
    auto* snapshot = new DataSnapshot(snapshot_data_files());
    pthread_mutex_lock(&worker_mutex);
    if (pthread_create(&worker, nullptr, write_in_background, snapshot) == 0) {
        worker_running = true;
        worker_done = false;
        static bool hooked = false;
        if (!hooked) {
            std::atexit(finish_backups);
            pthread_atfork(before_fork, after_fork_in_parent, after_fork_in_child);
        }
        hooked = true;
    } else {
        pthread_mutex_unlock(&worker_mutex);
        write_backup(*snapshot, BackupKind::entry);
        delete snapshot;
        return;
    }
    pthread_mutex_unlock(&worker_mutex);
}

void finish_backups() {
    pthread_mutex_lock(&worker_mutex);
    bool running = worker_running;
    worker_running = false;
    pthread_mutex_unlock(&worker_mutex);
    if (running) pthread_join(worker, nullptr);
}

}  // namespace korvel
