// A loop that sleeps on several descriptors at once (a folder watch, a program's
// output, the stop signals) through one descriptor, which can be handed to
// Console::wait_input beside the keyboard.
#pragma once

namespace platform {

class WaitSet {
public:
    WaitSet();
    ~WaitSet();
    WaitSet(const WaitSet&) = delete;
    WaitSet& operator=(const WaitSet&) = delete;

    // Readable while any descriptor added is readable; -1 when none could be made.
    int fd() const { return fd_; }
    void add(int fd);
    void remove(int fd);
    // Sleeps until one of them is readable (true) or timeout_ms passes.
    bool wait(int timeout_ms);

private:
    int fd_ = -1;
};

// SIGINT, SIGTERM and SIGHUP no longer end the program: each sets the flag and makes
// stop_signal_fd readable, so that the loop ends in order (Ctrl-C in the terminal).
void catch_stop_signals();
bool stop_requested();
int stop_signal_fd();

}  // namespace platform
