// Advisory locks between copies of the program working in one folder: fcntl
// open-file-description locks, so that a lock belongs to the open file it was taken
// on (two opens in one process exclude each other as two processes do) and goes when
// that file is closed, also when a copy crashes.
#pragma once

#include <sys/types.h>

#include <functional>

namespace platform {

// Whole file: from start to any length the file may grow to.
constexpr off_t LOCK_TO_END = 0;

enum class LockResult {
    locked,       // held until unlock_range or the file is closed
    unsupported,  // the file system refuses locks: go on without them
    failed,       // any other error (errno kept)
    cancelled,    // the user left the wait (the cancel hook said so); nothing held
};

// Locks bytes [start, start + length) of the open file fd, waiting while another
// open file holds a conflicting lock. A wait of more than one second calls the busy
// hook with true once; it is called with false when the lock is obtained after that.
LockResult lock_range(int fd, off_t start, off_t length, bool exclusive);
// The same without waiting: false when another open file holds a conflicting lock
// (or locks are refused).
bool try_lock_range(int fd, off_t start, off_t length, bool exclusive);
void unlock_range(int fd, off_t start, off_t length);
// True when another open file holds a lock on the range that conflicts with an
// exclusive one (a lock of fd itself never counts).
bool range_locked_by_other(int fd, off_t start, off_t length);

void set_lock_busy_hook(std::function<void(bool waiting)> hook);
// Asked every few hundredths of a second while a wait goes on past the busy point:
// true leaves the wait (lock_range then returns cancelled). Without it a wait is
// unbounded.
void set_lock_cancel_hook(std::function<bool()> hook);

// Locking is switched off for the run when the file system refuses it, or when the
// environment variable KORVEL_NO_LOCKS is set (a test shows what goes wrong then);
// every lock then succeeds at once without locking anything.
bool locks_enabled();
void disable_locks();

}  // namespace platform
