// File-system services: opening with Windows text-mode translation, identity,
// time stamps, existence.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

// The name the system knows a file by. The program names files in CP932 (区間賞TAB.txt,
// the certificate templates); on disk such names are UTF-8, as every file manager and
// shell shows them. A name that already is UTF-8 (a path from the system, any ASCII
// name) is taken as it is. Every file name the program passes to the system goes
// through here: the functions below do it themselves.
std::string disk_name(std::string_view name);
bool remove_file(const char* name);
bool rename_file(const char* from, const char* to);
bool make_folder(const char* name);
// Swaps two existing paths (folders, typically) in one step, so that whoever opens a
// path sees either the one or the other (renameat2 RENAME_EXCHANGE). False with errno
// set; EINVAL or ENOSYS when the file system or the kernel cannot do it.
bool exchange_paths(const char* a, const char* b);
// Removes a file or a folder with everything in it; true when nothing is left.
bool remove_tree(const char* path);

// fopen with the C library's Windows modes: a mode without "b" is a text stream
// whose writes turn "\n" into CR LF and whose reads drop a CR before LF. "t" and "b"
// are accepted and removed. Returns nullptr with errno set on failure.
FILE* open_file(const char* name, const char* mode);
// The file descriptor under a stream from open_file (fileno does not see through a
// text stream); -1 for none.
int file_descriptor(FILE* f);

enum class OpenError { not_found, access_denied, other };
OpenError classify_errno(int err);

enum class Sameness {
    same,
    different,
    first_not_opened,     // a cannot be opened
    second_not_opened,    // b cannot be opened
    first_not_examined,   // a was opened, its identity cannot be read
    second_not_examined,  // the same for b
};
// Whether a and b name the same file (links and other spellings of one path included).
Sameness same_file(const char* a, const char* b);

// The packed stamp of a file's last modification in local time: high half the DOS
// date (day, month, years since 1980), low half the DOS time (seconds / 2, minutes,
// hours). 0 when the file is missing or cannot be opened.
std::uint32_t file_mtime(const char* path);
std::uint32_t pack_dos_time(int year, int month, int day, int hour, int minute, int second);

bool file_exists(const char* path);
// What tells one state of a file from the next (device, inode, size, modification
// time to the nanosecond); empty for a missing file.
std::string file_state(const char* path);
bool folder_exists(const char* path);
std::string current_folder();

// Writes a whole file to disk before returning (fsync), and the folder entry after
// a rename.
bool sync_file(FILE* f);
// Hands everything written to f to the system (both buffers of a text stream).
bool flush_file(FILE* f);
// Writes everything handed to the system for the file system that holds f (other
// files included, flushed with flush_file) through to the disk, many new files in one
// commit; false when that failed or cannot be done.
bool sync_file_system(FILE* f);
bool sync_folder_of(const char* path);

// The folder of the running executable, with a trailing "/"; empty when unknown.
std::string program_folder();
std::string program_path();

void sleep_ms(int ms);

}  // namespace platform
