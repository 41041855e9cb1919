#include "platform/whole_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace platform {

namespace {

// This process's temporary files not yet renamed into place: another copy's are
// never touched. The copies of the data files are written by a thread of their own.
struct OwnTemporary {
    std::string name;
    int slot;  // in signal_slots, or -1
};
std::mutex own_mutex;
std::vector<OwnTemporary>& own_temporaries() {
    static auto* names = new std::vector<OwnTemporary>;
    return *names;
}

// The same files by their full disk paths in fixed places, for a signal handler: a
// slot is read only once it is complete (state ready).
enum SlotState : int { slot_free, slot_writing, slot_ready };
struct SignalSlot {
    std::atomic<int> state{slot_free};
    pid_t owner;  // a forked child never removes its parent's files
    char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");
constexpr int SIGNAL_SLOTS = 64;
SignalSlot signal_slots[SIGNAL_SLOTS];

// The slot now holding disk_path, or -1 (too many or too long: the orderly ends
// still remove the file).
int take_signal_slot(const std::string& disk_path) {
    std::string full = disk_path;
    if (full.empty() || full[0] != '/') {
        char here[PATH_MAX];
        if (!::getcwd(here, sizeof here)) return -1;
        full = std::string(here) + "/" + disk_path;
    }
    if (full.size() >= PATH_MAX) return -1;
    for (int i = 0; i < SIGNAL_SLOTS; ++i) {
        int expected = slot_free;
        if (!signal_slots[i].state.compare_exchange_strong(expected, slot_writing)) continue;
        signal_slots[i].owner = ::getpid();
        std::memcpy(signal_slots[i].path, full.c_str(), full.size() + 1);
        signal_slots[i].state.store(slot_ready);
        return i;
    }
    return -1;
}

void free_signal_slot(int slot) {
    if (slot >= 0) signal_slots[slot].state.store(slot_free);
}

mode_t permissions_for(const char* final_name) {
    struct stat st;
    if (::stat(disk_name(final_name).c_str(), &st) == 0) return st.st_mode & 07777;
    // mkstemp makes the file private; the data files are shared by every user of the
    // folder, as a plain create would make them.
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The bytes of from into to, as they are.
bool copy_bytes(const char* from, const char* to) {
    FILE* in = open_file(from, "rb");
    if (!in) return false;
    FILE* out = open_file(to, "wb");
    bool ok = out != nullptr;
    char chunk[65536];
    std::size_t n;
    while (ok && (n = std::fread(chunk, 1, sizeof chunk, in)) > 0) ok = std::fwrite(chunk, 1, n, out) == n;
    ok = ok && !std::ferror(in);
    if (out && std::fclose(out) != 0) ok = false;
    std::fclose(in);
    return ok;
}

}  // namespace

std::string temporary_beside(const char* final_name) {
    std::string base = final_name;
    const std::string extension = ".TMP";
    std::size_t slash = base.rfind('/');
    std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.erase(dot);
    std::string pattern = disk_name((base + "_XXXXXX" + extension).c_str());
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const mode_t mode = permissions_for(final_name);
    int fd = mkstemps(buffer.data(), static_cast<int>(extension.size()));
    if (fd < 0) return {};
    if (::fchmod(fd, mode) != 0) {
        // Not the owner of the old file: the new one is this user's, as a create makes it.
    }
    ::close(fd);
    // The six characters mkstemp chose are ASCII: the same in the program's text.
    const std::size_t chosen = buffer.size() - 1 - extension.size() - 6;
    std::string name = base + "_" + std::string(buffer.data() + chosen, 6) + extension;
    const int slot = take_signal_slot(disk_name(name.c_str()));
    std::lock_guard<std::mutex> hold(own_mutex);
    own_temporaries().push_back({name, slot});
    return name;
}

void temporary_done(const std::string& name) {
    std::lock_guard<std::mutex> hold(own_mutex);
    auto& v = own_temporaries();
    auto gone = std::remove_if(v.begin(), v.end(), [&](const OwnTemporary& t) {
        if (t.name != name) return false;
        free_signal_slot(t.slot);
        return true;
    });
    v.erase(gone, v.end());
}

void remove_own_temporaries() {
    std::lock_guard<std::mutex> hold(own_mutex);
    for (const OwnTemporary& t : own_temporaries()) {
        remove_file(t.name.c_str());
        free_signal_slot(t.slot);
    }
    own_temporaries().clear();
}

void remove_own_temporaries_at_signal() noexcept {
    const pid_t self = ::getpid();
    for (SignalSlot& s : signal_slots)
        if (s.state.load() == slot_ready && s.owner == self) ::unlink(s.path);
}

int place_temporary(const char* temporary, const char* name) {
    {
        FILE* f = open_file(temporary, "rb");
        if (!f) return errno;
        const bool synced = sync_file(f);
        const int err = errno;
        std::fclose(f);
        if (!synced) return err ? err : EIO;
    }
    if (!rename_file(temporary, name)) return errno;
    // The file itself is complete on the disk; a folder that cannot be synced only
    // leaves the rename to the system's next write-back.
    sync_folder_of(name);
    return 0;
}

WholeFile::WholeFile(std::string name, const char* mode, Begin begin, FILE* (*open)(const char*, const char*))
    : name_(std::move(name)) {
    temporary_ = temporary_beside(name_.c_str());
    if (temporary_.empty()) {
        error_ = errno;
        return;
    }
    std::string how = mode;
    if (begin == Begin::after_old_content && file_exists(name_.c_str())) {
        if (!copy_bytes(name_.c_str(), temporary_.c_str())) {
            error_ = errno ? errno : EIO;
            discard();
            return;
        }
        how[0] = 'a';
    }
    out_ = open(temporary_.c_str(), how.c_str());
    if (!out_) {
        error_ = errno;
        discard();
    }
}

WholeFile::~WholeFile() {
    if (!done_) discard();
}

void WholeFile::discard() {
    if (out_) std::fclose(out_);
    out_ = nullptr;
    if (!temporary_.empty()) {
        remove_file(temporary_.c_str());
        temporary_done(temporary_);
    }
    done_ = true;
}

int WholeFile::finish() {
    if (!out_) return error_ ? error_ : EBADF;
    bool written = std::fflush(out_) == 0 && !std::ferror(out_) && sync_file(out_);
    int err = errno;
    FILE* f = std::exchange(out_, nullptr);
    if (std::fclose(f) != 0 && written) {
        written = false;
        err = errno;
    }
    if (!written) {
        error_ = err ? err : EIO;
        discard();
    }
    return error_;
}

int WholeFile::commit() {
    if (finish() != 0) return error_;
    if (!rename_file(temporary_.c_str(), name_.c_str())) {
        error_ = errno;
        discard();
        return error_;
    }
    placed();
    sync_folder_of(name_.c_str());
    return 0;
}

void WholeFile::placed() {
    done_ = true;
    temporary_done(temporary_);
}

int write_whole_file(const char* name, std::string_view bytes) {
    WholeFile file(name, "wb");
    if (!file) return file.error();
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.out()) != bytes.size()) {
        // The stream's error flag makes commit fail with what the system said.
    }
    return file.commit();
}

}  // namespace platform
