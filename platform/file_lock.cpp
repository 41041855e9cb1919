#include "platform/file_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace platform {

namespace {

std::function<void(bool)>& busy_hook() {
    static std::function<void(bool)> hook;
    return hook;
}

std::function<bool()>& cancel_hook() {
    static std::function<bool()> hook;
    return hook;
}

int& lock_state() {
    // 0 not decided, 1 on, -1 off
    static int state = 0;
    if (state == 0) state = std::getenv("KORVEL_NO_LOCKS") ? -1 : 1;
    return state;
}

flock range(short type, off_t start, off_t length) {
    flock l{};
    l.l_type = type;
    l.l_whence = SEEK_SET;
    l.l_start = start;
    l.l_len = length;
    l.l_pid = 0;  // required for open-file-description locks
    return l;
}

bool is_refusal(int err) {
    return err == EINVAL || err == ENOLCK || err == EOPNOTSUPP || err == ENOSYS || err == EBADF;
}

bool is_conflict(int err) { return err == EAGAIN || err == EACCES; }

long long now_us() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000LL + t.tv_nsec / 1000;
}

void pause_us(long us) {
    timespec t{us / 1000000, (us % 1000000) * 1000};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

}  // namespace

bool locks_enabled() { return lock_state() > 0; }
void disable_locks() { lock_state() = -1; }

void set_lock_busy_hook(std::function<void(bool waiting)> hook) { busy_hook() = std::move(hook); }
void set_lock_cancel_hook(std::function<bool()> hook) { cancel_hook() = std::move(hook); }

bool try_lock_range(int fd, off_t start, off_t length, bool exclusive) {
    if (!locks_enabled()) return true;
    flock l = range(exclusive ? F_WRLCK : F_RDLCK, start, length);
    return fcntl(fd, F_OFD_SETLK, &l) == 0;
}

LockResult lock_range(int fd, off_t start, off_t length, bool exclusive) {
    if (!locks_enabled()) return LockResult::locked;
    flock l = range(exclusive ? F_WRLCK : F_RDLCK, start, length);
    if (fcntl(fd, F_OFD_SETLK, &l) == 0) return LockResult::locked;
    if (is_refusal(errno)) return LockResult::unsupported;
    if (!is_conflict(errno)) return LockResult::failed;

    // Most waits are a few milliseconds (another copy storing one entry): retry
    // quietly with growing pauses for one second, then say so and queue up.
    const long long deadline = now_us() + 1000000;
    long pause = 200;
    while (now_us() < deadline) {
        pause_us(pause);
        pause = std::min(pause * 2, 20000L);
        l = range(exclusive ? F_WRLCK : F_RDLCK, start, length);
        if (fcntl(fd, F_OFD_SETLK, &l) == 0) return LockResult::locked;
        if (!is_conflict(errno)) return is_refusal(errno) ? LockResult::unsupported : LockResult::failed;
    }
    if (busy_hook()) busy_hook()(true);
    for (;;) {
        l = range(exclusive ? F_WRLCK : F_RDLCK, start, length);
        // Someone who may want to leave the wait is asked between short tries; with
        // nobody to ask the system queues the wait.
        if (cancel_hook()) {
            if (fcntl(fd, F_OFD_SETLK, &l) == 0) break;
            if (is_conflict(errno)) {
                if (cancel_hook()()) {
                    if (busy_hook()) busy_hook()(false);
                    return LockResult::cancelled;
                }
                pause_us(50000);
                continue;
            }
        } else if (fcntl(fd, F_OFD_SETLKW, &l) == 0) {
            break;
        }
        if (errno != EINTR) {
            if (busy_hook()) busy_hook()(false);
            return is_refusal(errno) ? LockResult::unsupported : LockResult::failed;
        }
    }
    if (busy_hook()) busy_hook()(false);
    return LockResult::locked;
}

void unlock_range(int fd, off_t start, off_t length) {
    if (!locks_enabled()) return;
    flock l = range(F_UNLCK, start, length);
    fcntl(fd, F_OFD_SETLK, &l);
}

bool range_locked_by_other(int fd, off_t start, off_t length) {
    if (!locks_enabled()) return false;
    flock l = range(F_WRLCK, start, length);
    if (fcntl(fd, F_OFD_GETLK, &l) != 0) return false;
    return l.l_type != F_UNLCK;
}

}  // namespace platform
