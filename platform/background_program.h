// A program started in the background whose end a waiting loop notices: its output
// (standard output and error together) comes through a pipe that the loop polls with
// its other descriptors; when the pipe closes, the program is reaped.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

class BackgroundProgram {
public:
    BackgroundProgram() = default;
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    // Starts argv[0] (searched along PATH) with its arguments (UTF-8, as the system
    // takes them), standard input from /dev/null. False when one is still running or
    // no pipe or process could be made (errno set). A program that cannot be executed
    // ends with status 127 and the reason as its output.
    bool start(const std::vector<std::string>& argv);
    bool running() const { return pid_ > 0; }
    // Readable while output waits or when the program has ended; -1 when none runs.
    int fd() const { return fd_; }
    // Reads what waits without blocking; true once the program has ended and been
    // reaped (status() and last_line() then hold its result).
    bool take_output();
    // Exit status, or 128 + the signal that ended it.
    int status() const { return status_; }
    // The last non-empty line it wrote, without its line end.
    const std::string& last_line() const { return last_line_; }

private:
    void reap();
    pid_t pid_ = -1;
    int fd_ = -1;
    int status_ = 0;
    std::string pending_;
    std::string last_line_;
};

}  // namespace platform
