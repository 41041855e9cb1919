#include "eventdata/mast_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "eventdata/kihondat.h"
#include "eventdata/mastfile.h"
#include "eventdata/race_folder.h"
#include "platform/console.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "shell/console_ui.h"

namespace korvel {

namespace {

// A byte far beyond any record, passed through by everyone who locks: a copy that
// wants the whole file holds it while it waits, so that entries stored one after the
// other cannot keep it waiting for ever; an entry holds it only until it has its
// record.
constexpr off_t TURNSTILE = off_t{1} << 30;
// Beyond the turnstile: whoever numbers an entry.
constexpr off_t NUMBERING = TURNSTILE + 1;

platform::LockResult lock_for_update(int fd, off_t start, off_t length) {
    using platform::LockResult;
    const bool whole = length == platform::LOCK_TO_END;
    LockResult r = platform::lock_range(fd, TURNSTILE, 1, whole);
    if (r != LockResult::locked) return r;
    r = platform::lock_range(fd, start, whole ? TURNSTILE - start : length, true);
    if (!whole || r != LockResult::locked) platform::unlock_range(fd, TURNSTILE, 1);
    return r;
}

bool is_current_file(int fd, const char* name) {
    struct stat open_file, named;
    if (fstat(fd, &open_file) != 0 || ::stat(platform::disk_name(name).c_str(), &named) != 0) return false;
    return open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino;
}

Stream open_locked(off_t start, off_t length, bool buffered, const char* subject, bool read_header = true) {
    install_lock_wait_line();
    LockWaitSubject waiting_for(subject);
    for (;;) {
        Stream f = fopen_retry(MASTFILE_NAME, "r+b");
        if (!buffered) std::setvbuf(f, nullptr, _IONBF, 0);
        const int fd = platform::file_descriptor(f);
        const platform::LockResult r = lock_for_update(fd, start, length);
        if (r == platform::LockResult::cancelled) jump_to_main_menu();
        // A file system that refuses locks (or an error of the lock itself): the
        // entry must go on; the folder is then used as by a single copy.
        if (r != platform::LockResult::locked) {
            const int err = errno;
            platform::disable_locks();
            say_locks_given_up(err);
        }
        f.mark_holds_lock();
        // Replaced by another copy while this one waited: the lock is on a file
        // nobody reads any more.
        if (!platform::locks_enabled() || is_current_file(fd, MASTFILE_NAME)) {
            if (!read_header) return f;
            unsigned char header[MAST_HEADER_SIZE];
            if (std::fread(header, 1, sizeof header, f) != sizeof header) {
                cprintf("fread error in mast_open(%s) filename=%s\n", "r+b", MASTFILE_NAME);
                fatal_stop();
            }
            if (!header_fits_event(header)) leave_for_rebuilt_data();
            return f;
        }
    }
}

}  // namespace

Stream mast_lock_for_replacing() {
    return open_locked(0, platform::LOCK_TO_END, false, "他の端末が大会データを使用中です", false);
}

Stream mast_lock_record(int rec_no) {
    off_t start = MAST_HEADER_SIZE + static_cast<off_t>(rec_no < 0 ? 0 : rec_no) * definition().master_record_size();
    return open_locked(start, definition().master_record_size() > 0 ? definition().master_record_size() : platform::LOCK_TO_END, false,
                       "他の端末がこのチームの記録か大会データ全体を使用中です");
}

Stream mast_lock_file() { return open_locked(0, platform::LOCK_TO_END, true, "他の端末が大会データを使用中です"); }

void mast_lock_sequence(FILE* f) {
    LockWaitSubject waiting_for("他の端末がタイムを記録中です");
    const platform::LockResult r = platform::lock_range(platform::file_descriptor(f), NUMBERING, 1, true);
    if (r == platform::LockResult::cancelled) jump_to_main_menu();
    if (r != platform::LockResult::locked) {
        const int err = errno;
        platform::disable_locks();
        say_locks_given_up(err);
    }
}

std::string take_folder_mark() {
    if (!platform::locks_enabled()) return {};
    // Every copy holds a shared lock on the folder itself for as long as it runs; a
    // crashed copy leaves nothing behind.
    static int folder_fd = -1;
    if (folder_fd < 0) folder_fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd < 0) return {};
    if (platform::lock_range(folder_fd, 0, 1, false) != platform::LockResult::locked) {
        // A folder that cannot be locked may still lock its files; the master file
        // tells.
        int fd = ::open(platform::disk_name(MASTFILE_NAME).c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) return {};
        bool refused = platform::lock_range(fd, 0, 1, false) != platform::LockResult::locked;
        ::close(fd);
        if (!refused) return {};
        platform::disable_locks();
        return "このフォルダではファイルのロックが使えません。複数の端末から同時に使わないでください";
    }
    if (platform::range_locked_by_other(folder_fd, 0, 1))
        return "このフォルダでは他の KORVEL32 も動いています（入力は失われません）";
    return {};
}

}  // namespace korvel
