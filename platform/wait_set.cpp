#include "platform/wait_set.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace platform {

namespace {

std::atomic<bool> stop_flag{false};
int signal_pipe[2] = {-1, -1};

extern "C" void on_stop_signal(int) {
    const int err = errno;
    stop_flag = true;
    if (signal_pipe[1] >= 0) (void)!::write(signal_pipe[1], "x", 1);
    errno = err;
}

}  // namespace

WaitSet::WaitSet() : fd_(::epoll_create1(EPOLL_CLOEXEC)) {}

WaitSet::~WaitSet() {
    if (fd_ >= 0) ::close(fd_);
}

void WaitSet::add(int fd) {
    if (fd_ < 0 || fd < 0) return;
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.fd = fd;
    ::epoll_ctl(fd_, EPOLL_CTL_ADD, fd, &e);
}

void WaitSet::remove(int fd) {
    if (fd_ >= 0 && fd >= 0) ::epoll_ctl(fd_, EPOLL_CTL_DEL, fd, nullptr);
}

bool WaitSet::wait(int timeout_ms) {
    if (fd_ < 0) {
        ::usleep(static_cast<useconds_t>(timeout_ms) * 1000);
        return false;
    }
    epoll_event e;
    return ::epoll_wait(fd_, &e, 1, timeout_ms) > 0;
}

void catch_stop_signals() {
    if (signal_pipe[0] < 0 && ::pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) signal_pipe[0] = signal_pipe[1] = -1;
    struct sigaction sa{};
    sa.sa_handler = on_stop_signal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
}

bool stop_requested() { return stop_flag; }

int stop_signal_fd() { return signal_pipe[0]; }

}  // namespace platform
