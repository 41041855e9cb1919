#include "eventdata/race_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "eventdata/kihondat.h"
#include "eventdata/mastfile.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "shell/lock_wait.h"
#include "shell/runtime.h"

namespace korvel {

namespace {

// Never removed: a lock file deleted while another copy waits on it would let a
// third copy lock a new one beside it.
constexpr const char* BUILD_LOCK_FILE = ".korvel32.lock";

// One open file per holding copy, opened at the outermost hold and closed with it: a
// descriptor kept over a fork would share the lock with the child.
int build_fd = -1;
int build_depth = 0;

void give_up_locks(int err) {
    platform::disable_locks();
    say_locks_given_up(err);
}

}  // namespace

bool header_fits_event(const unsigned char* header) {
    if (definition().max_sections() < 0 || definition().master_record_size() <= 0) return true;
    const MastHeader h = decode_mast_header(header);
    return h.current_format() && h.max_kukan == definition().max_sections() && h.rec_len == definition().master_record_size();
}

void leave_for_rebuilt_data() {
    keep_for_main_menu("他の端末で大会データ（MASTFILE.DAT）が作り直されました。メインメニューからやり直してください");
    jump_to_main_menu();
}

BuildLock::BuildLock(Mode mode) {
    if (build_depth > 0 || !platform::locks_enabled()) {
        ++build_depth;
        held_ = true;
        return;
    }
    int fd = ::open(platform::disk_name(BUILD_LOCK_FILE).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        // A folder where nothing can be created cannot be built in either; the
        // build itself says why.
        ++build_depth;
        held_ = true;
        return;
    }
    platform::LockResult r;
    if (mode == if_free) {
        r = platform::LockResult::locked;
        if (!platform::try_lock_range(fd, 0, 1, true))
            r = errno == EAGAIN || errno == EACCES ? platform::LockResult::cancelled : platform::LockResult::failed;
    } else {
        install_lock_wait_line();
        LockWaitSubject subject("他の端末が大会データを作り直しています");
        r = platform::lock_range(fd, 0, 1, true);
    }
    if (r == platform::LockResult::cancelled) {
        ::close(fd);
        if (mode == waiting) jump_to_main_menu();
        return;
    }
    if (r != platform::LockResult::locked) give_up_locks(errno);
    build_fd = fd;
    ++build_depth;
    held_ = true;
}

BuildLock::~BuildLock() {
    if (!held_) return;
    if (--build_depth > 0) return;
    if (build_fd >= 0) ::close(build_fd);
    build_fd = -1;
}

void wait_for_rebuild_elsewhere() { BuildLock wait(BuildLock::waiting); }

}  // namespace korvel
