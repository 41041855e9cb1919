// The in-memory console for tests: a screen buffer, scripted keys, and a record of
// bells and titles. A blocking read with no keys left throws ScriptExhausted, so a
// test whose script ends early fails instead of hanging.
#pragma once

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/screen_buffer.h"
#include "platform/screen_view.h"

namespace platform {

struct ScriptExhausted : std::runtime_error {
    ScriptExhausted() : std::runtime_error("the key script ran out") {}
};

class MemoryConsole : public Console {
public:
    explicit MemoryConsole(int columns = 80, int rows = 60);

    // Scripted input: printable text as its characters, or single key codes.
    void type(std::string_view text);
    void press(int key);
    std::size_t keys_left() const { return keys_.size(); }

    // What a test reads back.
    std::string row_text(int row) const { return buffer_.row_text(row); }
    // The row with trailing blanks removed.
    std::string row(int row) const;
    // The whole screen, one line per row, trailing blanks removed.
    std::string screen() const;
    // A terminal window of this many rows onto the buffer (the whole buffer unless
    // set), and what it shows at its row y, trailing blanks removed. The view moves
    // as on the terminal: before each key is read.
    void set_window_rows(int rows) { view_.resize(rows, buffer_); }
    int view_top() const { return view_.top(); }
    std::string shown_row(int y) const { return row(view_.top() + y); }
    int attribute_at(int row, int col) const { return buffer_.attribute_at(row, col); }
    int bells() const { return bells_; }
    const std::string& title() const { return title_; }
    int suspends() const { return suspends_; }

    int columns() const override { return buffer_.columns(); }
    int rows() const override { return buffer_.rows(); }
    void set_cursor(int row, int col) override { buffer_.set_cursor(row, col); }
    int cursor_row() const override { return buffer_.cursor_row(); }
    int cursor_col() const override { return buffer_.cursor_col(); }
    void set_color(int attribute) override { buffer_.set_color(attribute); }
    int color() const override { return buffer_.color(); }
    void write(std::string_view text) override { bells_ += buffer_.write(text); }
    void fill(int row, int col, int count, char ch, int attribute) override {
        buffer_.fill(row, col, count, ch, attribute);
    }
    void beep() override { ++bells_; }
    int poll_event() override;
    int wait_event() override;
    int pending_events() override { return static_cast<int>(keys_.size()); }
    // No time passes in a test: without keys left the wait would never end.
    bool wait_input(int, int) override {
        if (keys_.empty()) throw ScriptExhausted();
        return true;
    }
    void flush_input() override;
    void set_title(std::string_view t) override { title_ = std::string(t); }
    void refresh() override { view_.follow(buffer_); }
    void suspend() override { ++suspends_; }
    void resume() override {}
    void shutdown() override {}

    // When set, flush_input keeps the scripted keys (tests script a whole session
    // ahead, while the program discards typed-ahead keys after each menu choice).
    bool keep_keys_on_flush = true;

private:
    ScreenBuffer buffer_;
    ScreenView view_;
    std::deque<int> keys_;
    int bells_ = 0;
    int suspends_ = 0;
    std::string title_;
};

}  // namespace platform
