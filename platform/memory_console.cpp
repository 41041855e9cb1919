#include "platform/memory_console.h"

namespace platform {

MemoryConsole::MemoryConsole(int columns, int rows) : buffer_(columns, rows), view_(buffer_.rows()) {}

void MemoryConsole::type(std::string_view text) {
    for (char c : text) keys_.push_back(static_cast<unsigned char>(c));
}

void MemoryConsole::press(int key) { keys_.push_back(key); }

// As on the terminal: the paging keys move the view and never reach the program.
int MemoryConsole::poll_event() {
    view_.follow(buffer_);
    while (!keys_.empty()) {
        int key = keys_.front();
        keys_.pop_front();
        if (view_.page(key, buffer_)) continue;
        view_.end_paging();
        return key;
    }
    return EVENT_NONE;
}

int MemoryConsole::wait_event() {
    int key = poll_event();
    if (key == EVENT_NONE) throw ScriptExhausted();
    return key;
}

void MemoryConsole::flush_input() {
    if (!keep_keys_on_flush) keys_.clear();
}

std::string MemoryConsole::row(int r) const {
    std::string text = buffer_.row_text(r);
    auto end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string MemoryConsole::screen() const {
    std::string all;
    for (int r = 0; r < buffer_.rows(); ++r) {
        all += row(r);
        all += '\n';
    }
    return all;
}

}  // namespace platform
