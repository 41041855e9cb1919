// Shared test fixtures: a fresh working folder, the in-memory console, and an exit
// handler that throws instead of ending the test process.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/memory_console.h"
#include "shell/runtime.h"

namespace korvel_test {

// Converts UTF-8 test text (as written in this source) to CP932 bytes; literals are
// already CP932, this is for text read from elsewhere.
std::string to_cp932(const std::string& utf8);
std::string to_utf8(const std::string& cp932);

// Windows text: each line followed by CR LF.
std::string text_file(const std::vector<std::string>& lines);

// Writes a file exactly as given (use "\r\n" for Windows text).
void write_file(const std::string& name, const std::string& bytes);
std::string read_file(const std::string& name);
// A report's text with CR LF made "\n" and every date and time ("9999/99/99
// 99:99:99", 9 any digit) made STAMP, for comparison with worked-out texts.
std::string normalised_report(std::string text);
// The little-endian int16 at byte at of a file's bytes.
int i16(const std::string& bytes, std::size_t at);

// Processes of tests that stand for a second terminal. A wait never hangs the suite:
// a child still running after the deadline is killed and the wait fails.
// The child's exit status; -1 when it was killed or did not end in time.
int wait_child(pid_t pid, int seconds = 120);
// Polls until ready() holds; after the deadline a test failure naming what, and false.
bool wait_until(const std::function<bool()>& ready, const char* what, int seconds = 60);
// True once the child has ended (it is not reaped: wait_child still gives its status).
bool child_ended(pid_t pid);

// The date and time every report stamps in tests (the clock is frozen there).
inline constexpr const char* FIXED_STAMP = "2024/04/07  09:30:15";

// The output settings and hooks a test may change, as they were before it.
struct SavedGlobals {
    int out_kind_no;
    char append_mode;
    char field_separator;
    std::string program_path;
    SavedGlobals();
    // Restores the settings and the real file opening.
    void restore() const;
};

// Each test runs in its own empty temporary folder with a memory console of 80x60 and
// the clock frozen at FIXED_STAMP; whatever it changed in the output settings is put
// back afterwards, even when it failed half-way.
class WorkFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    platform::MemoryConsole& con() { return *console_; }
    std::string folder() const { return folder_; }

private:
    std::string folder_;
    std::string previous_;
    platform::MemoryConsole* console_ = nullptr;
    SavedGlobals saved_;
};

}  // namespace korvel_test

// Runs statement and expects it to end the program with status.
#define EXPECT_PROGRAM_EXIT(statement, expected)                            \
    do {                                                                    \
        try {                                                               \
            statement;                                                      \
            ADD_FAILURE() << "expected the program to end";                 \
        } catch (const korvel::ProgramExit& e) {                            \
            EXPECT_EQ(e.status, expected);                                  \
        }                                                                   \
    } while (0)

#define EXPECT_MAIN_MENU_RETURN(statement)                                  \
    do {                                                                    \
        try {                                                               \
            statement;                                                      \
            ADD_FAILURE() << "expected a return to the main menu";          \
        } catch (const korvel::MainMenuReturn&) {                           \
        }                                                                   \
    } while (0)
