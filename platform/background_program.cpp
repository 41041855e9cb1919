#include "platform/background_program.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

// The last non-empty line of text, carriage returns (progress output) ending lines too.
void keep_last_line(std::string& pending, std::string& last, bool at_end) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (pending[i] != '\n' && pending[i] != '\r') continue;
        if (i > start) last = pending.substr(start, i - start);
        start = i + 1;
    }
    pending.erase(0, start);
    if (at_end && !pending.empty()) last = pending;
    // A program writing one endless line must not grow the buffer without bound.
    constexpr std::size_t LINE_LIMIT = 4096;
    if (pending.size() > LINE_LIMIT) pending.erase(0, pending.size() - LINE_LIMIT);
}

}  // namespace

BackgroundProgram::~BackgroundProgram() {
    if (fd_ >= 0) ::close(fd_);
    // A hook still running at exit is left to finish on its own (an upload half done
    // is worse than one that completes); it is only reaped here when it already ended.
    if (pid_ > 0) ::waitpid(pid_, nullptr, WNOHANG);
}

bool BackgroundProgram::start(const std::vector<std::string>& argv) {
    if (running() || argv.empty()) {
        errno = running() ? EBUSY : EINVAL;
        return false;
    }
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return false;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int err = errno;
        ::close(pipe_fds[0]);
        ::close(pipe_fds[1]);
        errno = err;
        return false;
    }
    if (pid == 0) {
        const int null_fd = ::open("/dev/null", O_RDONLY);
        if (null_fd >= 0) ::dup2(null_fd, STDIN_FILENO);
        ::dup2(pipe_fds[1], STDOUT_FILENO);
        ::dup2(pipe_fds[1], STDERR_FILENO);
        ::execvp(args[0], args.data());
        const char* reason = std::strerror(errno);
        (void)!::write(STDERR_FILENO, args[0], std::strlen(args[0]));
        (void)!::write(STDERR_FILENO, ": ", 2);
        (void)!::write(STDERR_FILENO, reason, std::strlen(reason));
        (void)!::write(STDERR_FILENO, "\n", 1);
        ::_exit(127);
    }
    ::close(pipe_fds[1]);
    ::fcntl(pipe_fds[0], F_SETFL, ::fcntl(pipe_fds[0], F_GETFL) | O_NONBLOCK);
    pid_ = pid;
    fd_ = pipe_fds[0];
    pending_.clear();
    last_line_.clear();
    status_ = 0;
    return true;
}

bool BackgroundProgram::take_output() {
    if (fd_ < 0) return false;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n > 0) {
            pending_.append(buf, static_cast<std::size_t>(n));
            keep_last_line(pending_, last_line_, false);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;  // nothing more for now
        break;                    // end of output: the program (and its children) closed it
    }
    keep_last_line(pending_, last_line_, true);
    ::close(fd_);
    fd_ = -1;
    reap();
    return true;
}

void BackgroundProgram::reap() {
    int status = 0;
    pid_t r;
    while ((r = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    if (r == pid_) status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    pid_ = -1;
}

}  // namespace platform
