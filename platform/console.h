// The console: a screen buffer of cells (one CP932 byte and one colour attribute each),
// a cursor, and a keyboard. Two backends exist: the real terminal (ncursesw) and an
// in-memory screen with scripted keys for tests. Only platform/ includes curses.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

// Key codes: printable ASCII as itself, every other key 0x7F000000 + virtual-key code.
constexpr int KEY_BASE = 0x7F000000;
constexpr int VK_BACK = KEY_BASE + 0x08;
constexpr int VK_TAB = KEY_BASE + 0x09;
constexpr int VK_RETURN = KEY_BASE + 0x0D;
constexpr int VK_SHIFT = KEY_BASE + 0x10;
constexpr int VK_ESCAPE = KEY_BASE + 0x1B;
constexpr int VK_PRIOR = KEY_BASE + 0x21;
constexpr int VK_NEXT = KEY_BASE + 0x22;
constexpr int VK_END = KEY_BASE + 0x23;
constexpr int VK_HOME = KEY_BASE + 0x24;
constexpr int VK_LEFT = KEY_BASE + 0x25;
constexpr int VK_UP = KEY_BASE + 0x26;
constexpr int VK_RIGHT = KEY_BASE + 0x27;
constexpr int VK_DOWN = KEY_BASE + 0x28;
constexpr int VK_INSERT = KEY_BASE + 0x2D;
constexpr int VK_DELETE = KEY_BASE + 0x2E;
constexpr int VK_F1 = KEY_BASE + 0x70;
constexpr int VK_F2 = KEY_BASE + 0x71;
constexpr int VK_F5 = KEY_BASE + 0x74;
constexpr int VK_F9 = KEY_BASE + 0x78;
constexpr int VK_F12 = KEY_BASE + 0x7B;
// Any key the program has no code for (a character outside ASCII, a control key):
// every screen refuses it with the bell.
constexpr int VK_OTHER = KEY_BASE + 0xFF;

// Results of Console::poll_event besides a key code.
constexpr int EVENT_NONE = -1;

// Thrown to end the program with status: caught only in main, which returns it, so
// that every owner on the way (a temporary file, a lock, an open report) cleans up as
// its destructor says. Also thrown here when the terminal is gone and nobody can answer.
struct ProgramEnd {
    int status;
};

class Console {
public:
    virtual ~Console() = default;

    // Size of the screen buffer, fixed for the run.
    virtual int columns() const = 0;
    virtual int rows() const = 0;

    virtual void set_cursor(int row, int col) = 0;
    virtual int cursor_row() const = 0;
    virtual int cursor_col() const = 0;
    virtual void set_color(int attribute) = 0;
    virtual int color() const = 0;

    // Writes CP932 bytes at the cursor in the current colour, as a console does:
    // "\n" goes to column 0 of the next row, "\r" to column 0, "\t" to the next
    // multiple of 8, "\b" one column left, BEL beeps; a write past the last column
    // wraps, past the last row scrolls the buffer up by one row.
    virtual void write(std::string_view text) = 0;

    // Fills count cells from (row, col) onward, wrapping rows, with ch in attribute.
    // The cursor does not move.
    virtual void fill(int row, int col, int count, char ch, int attribute) = 0;

    virtual void beep() = 0;

    // One key press, or EVENT_NONE when nothing is waiting. Never blocks.
    virtual int poll_event() = 0;
    // Blocks until a key is pressed and returns its code.
    virtual int wait_event() = 0;
    // Number of input events waiting.
    virtual int pending_events() = 0;
    // Sleeps until an input event is pending (true), the descriptor watch (when 0 or
    // more; never read here) becomes readable, or timeout_ms passes (false).
    virtual bool wait_input(int timeout_ms, int watch) = 0;
    // Discards every waiting input event.
    virtual void flush_input() = 0;

    virtual void set_title(std::string_view cp932_title) = 0;

    // Shows what was written since the last call (the terminal batches output).
    virtual void refresh() = 0;

    // Gives the terminal to another program and takes it back, redrawing everything.
    virtual void suspend() = 0;
    virtual void resume() = 0;

    // Restores the user's terminal for good (normal exit, stop, signal).
    virtual void shutdown() = 0;
};

// The console of the run. Set once at start (terminal) or by a test (memory).
Console& console();
void set_console(std::unique_ptr<Console> c);
bool has_console();

}  // namespace platform
