// Services under every screen and report: streams that open with a retry dialogue,
// the two ways of ending on an error, the jump back to the main menu, file checks
// and stamps, the team index.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/files.h"
#include "platform/whole_file.h"

namespace korvel {

// Thrown to abandon the current work and land on the main menu; caught only there.
struct MainMenuReturn {};
[[noreturn]] void jump_to_main_menu();

// The end of the program on its way to main (see platform::ProgramEnd).
using ProgramExit = platform::ProgramEnd;
// Ends the program with status: throws ProgramExit, which main catches and hands to
// finish_program. Nothing ends the process on the way, so that every destructor runs.
[[noreturn]] void exit_program(int status);
// What main does with a ProgramExit (and after run_program-like loops return): this
// copy's temporary files still not renamed or removed go, the terminal is given back,
// the output is flushed. Returns the status for main to return.
int finish_program(int status);

// An open file. Closes itself when it goes out of scope; streams still open when the
// main menu is reached (held by globals) are closed and reported by stream_check.
class Stream {
public:
    Stream() = default;
    explicit Stream(FILE* f);
    Stream(Stream&& other) noexcept;
    Stream& operator=(Stream&& other) noexcept;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    ~Stream();

    FILE* get() const { return file_; }
    operator FILE*() const { return file_; }
    explicit operator bool() const { return file_ != nullptr; }
    // Closes now; false when the close failed.
    bool close();
    // The open file holds a lock other copies of the program may wait for: no
    // question may be asked until it is closed.
    void mark_holds_lock() { holds_lock_ = true; }
    // True while any open Stream so marked is open.
    static bool any_holds_lock();

private:
    FILE* file_ = nullptr;
    bool holds_lock_ = false;
};

// Opens or asks: retry question for a locked file, return to the main menu otherwise.
Stream fopen_retry(const char* name, const char* mode);
// Replaces the function fopen_retry opens with (tests simulate locked files); nullptr
// restores the real one.
void set_open_function(FILE* (*open)(const char* name, const char* mode));
// The function fopen_retry opens with, without its questions.
FILE* open_hooked(const char* name, const char* mode);
// What fopen_retry does when name cannot be opened with mode (errno err): the message,
// then a return for a retry the user chose, else the jump to the main menu.
void open_failed(const char* name, const char* mode, int err);
Stream fopen_or_abort(const char* name, const char* mode);
void fclose_or_abort(Stream& stream);
// Closes every stream still open; with warn, reports their count and waits for Y.
void stream_check(bool warn);
int open_stream_count();

bool file_exists(const char* path);
bool access_check(const char* path);
bool folder_exists(const char* path);
platform::Sameness same_file(const char* a, const char* b);
std::uint32_t file_mtime(const char* path);

// The temporary files of files written whole (platform/whole_file.h).
using platform::temporary_beside;
using platform::temporary_done;

// Writes the file name whole: body writes into a temporary file beside it, which is
// flushed to disk and renamed into place, so that a failure or a stop leaves the
// previous file (or none), never a part of one. False after the failure was shown.
// mode "wb" for a file that is not text (a PDF).
bool write_file_whole(const char* name, const std::function<void(FILE*)>& body, const char* mode = "wt");

// The system's text for errno value err on a line of its own.
void show_system_error(int err);

[[noreturn]] void end_program(const char* name);
[[noreturn]] void fatal_stop();
// Installed at start: a failed allocation reports itself and makes the orderly stop.
void install_out_of_memory_handler();

// Work to undo before the orderly stop ends the program (temporary files, tables that
// must not outlive it); run in the order registered.
void at_fatal_stop(void (*cleanup)());

void open_with_association(const char* path);
// Opens web pages (files below the working folder, or addresses) for reading: with the
// desktop's browser, else in a terminal browser. Where neither is there, one line per
// page says which file or address to open, and the user confirms once.
void open_in_browser(const std::vector<std::string>& pages);
void open_in_editor(const char* path);
int run_shell(const char* command);

// "%04d/%02d/%02d", "%02d:%02d:%02d" and the two with two blanks between, of now;
// each in its own buffer, overwritten by the next call.
const char* date_stamp();
const char* time_stamp();
const char* date_time_stamp();
// Replaces the clock the stamps read, as local broken-down time (tests freeze it);
// nullptr restores the real one.
void set_clock(std::tm (*local_now)());

// Program folder and path, as "/"-separated paths; the folder ends with "/" or is
// empty when unknown.
extern std::string program_path;
std::string program_folder();
// The build time of the program in local time.
std::tm exe_time();

}  // namespace korvel
