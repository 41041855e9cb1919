#include "platform/terminal_console.h"

#define NCURSES_NOMACROS 1
#define NCURSES_WIDECHAR 1
#include <curses.h>

#include <langinfo.h>
#include <locale.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/key_sequence.h"
#include "platform/screen_buffer.h"
#include "platform/screen_view.h"
#include "platform/whole_file.h"

namespace platform {

namespace {

// What a signal handler needs to give the terminal back, prepared at start because a
// handler may only write() and tcsetattr().
volatile sig_atomic_t g_screen_active = 0;
volatile sig_atomic_t g_have_tty = 0;
volatile sig_atomic_t g_title_pushed = 0;
termios g_saved_tty;
char g_reset[512];
std::size_t g_reset_len = 0;
const char g_title_pop[] = "\033[23;0t";

void write_all(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

void restore_terminal_now() {
    if (g_screen_active) {
        g_screen_active = 0;
        if (g_title_pushed) write_all(STDOUT_FILENO, g_title_pop, sizeof g_title_pop - 1);
        write_all(STDOUT_FILENO, g_reset, g_reset_len);
    }
    if (g_have_tty) tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_tty);
}

extern "C" void on_fatal_signal(int sig) {
    int err = errno;
    restore_terminal_now();
    // The one end that runs no destructors: their temporary files go here.
    remove_own_temporaries_at_signal();
    errno = err;
    // The handler was reset to the default on entry: this ends the process with the
    // signal's own status (and core dump for a crash).
    raise(sig);
}

void install_signal_handlers() {
    struct sigaction sa{};
    sa.sa_handler = on_fatal_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        struct sigaction old{};
        // A stop signal ignored by whoever started us (nohup, a background job) stays ignored.
        bool stop = sig == SIGINT || sig == SIGTERM || sig == SIGHUP || sig == SIGQUIT;
        if (stop && sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(sig, &sa, nullptr);
    }
}

// A terminfo string without its padding marks ("$<5>"), which only tputs understands.
std::string cap(const char* name) {
    char* s = tigetstr(name);
    if (!s || s == reinterpret_cast<char*>(-1)) return {};
    std::string out;
    for (const char* p = s; *p; ++p) {
        if (p[0] == '$' && p[1] == '<') {
            const char* end = std::strchr(p, '>');
            if (end) {
                p = end;
                continue;
            }
        }
        out += *p;
    }
    return out;
}

void prepare_reset_string() {
    std::string rmcup = cap("rmcup");
    std::string reset = cap("sgr0") + cap("cnorm") + cap("rmkx") + rmcup;
    if (rmcup.empty()) reset += "\r\n";
    g_reset_len = std::min(reset.size(), sizeof g_reset);
    std::memcpy(g_reset, reset.data(), g_reset_len);
}

bool title_supported() {
    const char* term = std::getenv("TERM");
    if (!term) return false;
    static const char* const prefixes[] = {"xterm", "tmux", "screen", "rxvt", "alacritty", "foot", "kitty",
                                           "vte", "gnome", "konsole", "putty", "wezterm", "st-", "contour"};
    for (const char* p : prefixes) {
        if (std::strncmp(term, p, std::strlen(p)) == 0) return true;
    }
    return std::strcmp(term, "st") == 0;
}

// Curses colour of a colour in Windows bit order (1 blue, 2 green, 4 red).
short curses_color(int windows) {
    return static_cast<short>((windows & 1 ? COLOR_BLUE : 0) | (windows & 2 ? COLOR_GREEN : 0) | (windows & 4 ? COLOR_RED : 0));
}

class TerminalConsole;
TerminalConsole* g_live = nullptr;

class TerminalConsole : public Console {
public:
    explicit TerminalConsole(SCREEN* screen);
    ~TerminalConsole() override;

    int columns() const override { return buffer_.columns(); }
    int rows() const override { return buffer_.rows(); }
    void set_cursor(int row, int col) override {
        buffer_.set_cursor(row, col);
        changed_ = true;
    }
    int cursor_row() const override { return buffer_.cursor_row(); }
    int cursor_col() const override { return buffer_.cursor_col(); }
    void set_color(int attribute) override { buffer_.set_color(attribute); }
    int color() const override { return buffer_.color(); }
    void write(std::string_view text) override {
        if (buffer_.write(text) > 0) beep();
        changed_ = true;
    }
    void fill(int row, int col, int count, char ch, int attribute) override {
        buffer_.fill(row, col, count, ch, attribute);
        changed_ = true;
    }
    void beep() override {
        if (active_) ::beep();
    }
    int poll_event() override;
    int wait_event() override;
    int pending_events() override;
    bool wait_input(int timeout_ms, int watch) override;
    void flush_input() override;
    void set_title(std::string_view cp932_title) override;
    void refresh() override;
    void suspend() override;
    void resume() override;
    void shutdown() override;

private:
    int read_key();
    int decode_key();
    int escape_sequence();
    int function_key(wint_t code);
    void take_size();
    void draw_row(int screen_row, int buffer_row);
    void style(int attribute, attr_t& attrs, short& pair);
    int wait_after_shutdown();

    SCREEN* screen_;
    ScreenBuffer buffer_;
    int term_rows_ = 24;
    int term_cols_ = 80;
    ScreenView view_{24};
    int view_top_ = 0;
    bool cursor_shown_ = true;
    bool active_ = true;
    bool shut_ = false;
    bool changed_ = true;
    bool redraw_all_ = true;
    bool colors_ = false;
    bool bright_ = false;
    short pairs_[256] = {};
    int next_pair_ = 1;
    bool title_ok_ = false;
    std::deque<int> keys_;
    // What each terminal row shows (bytes then attributes), to skip unchanged rows.
    std::vector<std::string> shown_;
    int shown_cursor_y_ = -1;
    int shown_cursor_x_ = -1;
};

ScreenBuffer initial_buffer() {
    int rows, cols;
    getmaxyx(stdscr, rows, cols);
    return ScreenBuffer(std::max(cols, 80), std::max(rows, 100));
}

TerminalConsole::TerminalConsole(SCREEN* screen) : screen_(screen), buffer_(initial_buffer()) {
    // Raw: Ctrl-C, Ctrl-\ and Ctrl-Z are keys like any other (refused with the bell),
    // never the end or the stop of the program in the middle of an entry; Ctrl-S does
    // not freeze the screen. Programs we start get the terminal as the user had it.
    raw();
    noecho();
    nonl();
    intrflush(stdscr, FALSE);
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    set_escdelay(25);
    // A mouse report is read whole as an unknown sequence (the program asks for none).
    keyok(KEY_MOUSE, FALSE);
    curs_set(1);
    if (has_colors() && start_color() == OK) {
        colors_ = true;
        assume_default_colors(COLOR_WHITE, COLOR_BLACK);
        bright_ = COLORS >= 16 && COLOR_PAIRS > 256;
    }
    def_prog_mode();
    prepare_reset_string();
    title_ok_ = title_supported();
    take_size();
    g_live = this;
    g_screen_active = 1;
    install_signal_handlers();
    static bool exit_hook = false;
    if (!exit_hook) {
        exit_hook = true;
        std::atexit([] {
            if (g_live) g_live->shutdown();
            restore_terminal_now();
        });
    }
}

TerminalConsole::~TerminalConsole() {
    shutdown();
    if (g_live == this) g_live = nullptr;
}

void TerminalConsole::take_size() {
    getmaxyx(stdscr, term_rows_, term_cols_);
    term_rows_ = std::max(term_rows_, 1);
    term_cols_ = std::max(term_cols_, 1);
    view_.resize(term_rows_, buffer_);
    redraw_all_ = true;
    changed_ = true;
}

void TerminalConsole::style(int attribute, attr_t& attrs, short& pair) {
    pair = 0;
    if (!colors_) {
        attrs = (attribute & 8 ? A_BOLD : A_NORMAL) | (attribute >> 4 != 0 ? A_REVERSE : A_NORMAL);
        return;
    }
    TerminalColors tc = terminal_colors(attribute, bright_);
    attrs = tc.bold ? A_BOLD : A_NORMAL;
    if (tc.foreground == COLOR_WHITE && tc.background == COLOR_BLACK) return;  // pair 0
    int key = tc.foreground | tc.background << 4;
    if (pairs_[key] == 0 && next_pair_ < COLOR_PAIRS && next_pair_ <= 256) {
        if (init_pair(static_cast<short>(next_pair_), tc.foreground, tc.background) == OK)
            pairs_[key] = static_cast<short>(next_pair_++);
    }
    pair = pairs_[key];
}

void TerminalConsole::draw_row(int y, int r) {
    auto put = [&](int x, char32_t code, int attribute) {
        attr_t attrs;
        short pair;
        style(attribute, attrs, pair);
        wchar_t text[2] = {static_cast<wchar_t>(code), 0};
        cchar_t cell;
        setcchar(&cell, text, attrs, pair, nullptr);
        mvwadd_wch(stdscr, y, x, &cell);
    };
    int x = 0;
    if (r < buffer_.rows()) {
        for (const Glyph& g : row_glyphs(buffer_.row_text(r))) {
            if (g.column >= term_cols_) break;
            int attribute = buffer_.attribute_at(r, g.column);
            if (g.column + g.cells > term_cols_) {
                put(g.column, U' ', attribute);
                x = g.column + 1;
                break;
            }
            put(g.column, g.code, attribute);
            for (int k = g.cells; k < g.bytes && g.column + k < term_cols_; ++k)
                put(g.column + k, U' ', buffer_.attribute_at(r, g.column + k));
            x = std::min(g.column + g.bytes, term_cols_);
        }
    }
    for (; x < term_cols_; ++x) put(x, U' ', 7);
}

void TerminalConsole::refresh() {
    if (!active_ || shut_) return;
    if (!changed_ && !redraw_all_) return;
    int cursor = buffer_.cursor_row();
    view_.follow(buffer_);
    int top = view_.top();
    bool all = redraw_all_ || top != view_top_;
    view_top_ = top;
    auto& dirty = buffer_.dirty_rows();
    bool drawn = false;
    if (all) shown_.assign(static_cast<std::size_t>(term_rows_), std::string());
    for (int y = 0; y < term_rows_; ++y) {
        int r = view_top_ + y;
        if (!all && !(r < buffer_.rows() && dirty[r])) continue;
        std::string look;
        if (r < buffer_.rows()) {
            look = buffer_.row_text(r);
            for (int x = 0; x < buffer_.columns(); ++x) look += static_cast<char>(buffer_.attribute_at(r, x));
        }
        if (!all && look == shown_[y]) continue;
        shown_[y] = std::move(look);
        draw_row(y, r);
        drawn = true;
    }
    std::fill(dirty.begin(), dirty.end(), false);
    // Paged away from the cursor: no cursor is shown on a row it is not on.
    bool cursor_in_view = cursor >= view_top_ && cursor < view_top_ + term_rows_;
    if (cursor_in_view != cursor_shown_) {
        curs_set(cursor_in_view ? 1 : 0);
        cursor_shown_ = cursor_in_view;
        drawn = true;
    }
    int cy = std::clamp(cursor - view_top_, 0, term_rows_ - 1);
    int cx = std::min(buffer_.cursor_col(), term_cols_ - 1);
    if (drawn || cy != shown_cursor_y_ || cx != shown_cursor_x_) {
        wmove(stdscr, cy, cx);
        wrefresh(stdscr);
        shown_cursor_y_ = cy;
        shown_cursor_x_ = cx;
    }
    changed_ = false;
    redraw_all_ = false;
}

int TerminalConsole::function_key(wint_t code) {
    switch (code) {
    case KEY_ENTER: return VK_RETURN;
    case KEY_BACKSPACE: return VK_BACK;
    case KEY_UP: return VK_UP;
    case KEY_DOWN: return VK_DOWN;
    case KEY_LEFT: return VK_LEFT;
    case KEY_RIGHT: return VK_RIGHT;
    case KEY_DC: return VK_DELETE;
    case KEY_IC: return VK_INSERT;
    case KEY_HOME:
    case KEY_A1: return VK_HOME;
    case KEY_END:
    case KEY_C1: return VK_END;
    case KEY_PPAGE:
    case KEY_A3: return VK_PRIOR;
    case KEY_NPAGE:
    case KEY_C3: return VK_NEXT;
    case KEY_RESIZE:
        take_size();
        refresh();
        return EVENT_NONE;
    default: break;
    }
    if (code >= static_cast<wint_t>(KEY_F(1)) && code <= static_cast<wint_t>(KEY_F(12)))
        return VK_F1 + static_cast<int>(code - KEY_F(1));
    return VK_OTHER;
}

// After Esc: what follows at once decides (platform/key_sequence.h). The characters
// of a sequence are read raw, each waited for a moment (a slow link splits them),
// so that curses takes no part of one for a key of its own.
int TerminalConsole::escape_sequence() {
    constexpr int SEQUENCE_GAP_MS = 50;
    wint_t ch;
    int r = wget_wch(stdscr, &ch);
    if (r == KEY_CODE_YES) {
        ungetch(static_cast<int>(ch));
        return VK_ESCAPE;
    }
    int pushed_key = -1;
    auto next = [&]() -> int {
        wint_t c;
        int got = wget_wch(stdscr, &c);
        if (got == OK) return static_cast<int>(c);
        if (got == KEY_CODE_YES) pushed_key = static_cast<int>(c);  // a resize: ends the sequence
        return -1;
    };
    keypad(stdscr, FALSE);
    wtimeout(stdscr, SEQUENCE_GAP_MS);
    AfterEscape after = read_after_escape(r == OK ? static_cast<int>(ch) : -1, next);
    nodelay(stdscr, TRUE);
    keypad(stdscr, TRUE);
    if (pushed_key >= 0) ungetch(pushed_key);
    if (after.given_back >= 0) unget_wch(static_cast<wchar_t>(after.given_back));
    return after.key;
}

// A key for the program; the paging keys move the view and are used up here.
int TerminalConsole::read_key() {
    for (;;) {
        int key = decode_key();
        if (key == EVENT_NONE) return key;
        if (view_.page(key, buffer_)) {
            changed_ = true;
            refresh();
            continue;
        }
        if (view_.paging()) {
            view_.end_paging();
            changed_ = true;
        }
        return key;
    }
}

int TerminalConsole::decode_key() {
    wint_t ch;
    int r = wget_wch(stdscr, &ch);
    if (r == ERR) return EVENT_NONE;
    if (r == KEY_CODE_YES) return function_key(ch);
    switch (ch) {
    case 27: return escape_sequence();
    case '\r':
    case '\n': return VK_RETURN;
    case 8:
    case 127: return VK_BACK;
    case '\t': return VK_TAB;
    default: break;
    }
    return ch >= 0x20 && ch <= 0x7E ? static_cast<int>(ch) : VK_OTHER;
}

int TerminalConsole::poll_event() {
    if (shut_) return EVENT_NONE;
    refresh();
    if (!keys_.empty()) {
        int key = keys_.front();
        keys_.pop_front();
        return key;
    }
    return active_ ? read_key() : EVENT_NONE;
}

int TerminalConsole::pending_events() {
    if (shut_ || !active_) return static_cast<int>(keys_.size());
    refresh();
    // One read attempt even without input: a resize is reported through it.
    for (int key; (key = read_key()) != EVENT_NONE;) keys_.push_back(key);
    return static_cast<int>(keys_.size());
}

bool TerminalConsole::wait_input(int timeout_ms, int watch) {
    if (pending_events() > 0) return true;
    pollfd p[2] = {{STDIN_FILENO, static_cast<short>(active_ && !shut_ ? POLLIN : 0), 0}, {watch, POLLIN, 0}};
    int n = ::poll(p, watch >= 0 ? 2 : 1, timeout_ms);
    if (n <= 0 || !(p[0].revents & POLLIN)) {
        if (n > 0 && (p[0].revents & (POLLHUP | POLLERR | POLLNVAL))) {
            // The terminal is gone: nobody can answer. End as a hang-up does.
            shutdown();
            throw ProgramEnd{128 + SIGHUP};
        }
        return false;
    }
    return pending_events() > 0;
}

int TerminalConsole::wait_event() {
    if (shut_) return wait_after_shutdown();
    int idle_wakeups = 0;
    for (;;) {
        int key = poll_event();
        if (key != EVENT_NONE) return key;
        pollfd p{STDIN_FILENO, POLLIN, 0};
        int n = ::poll(&p, 1, 1000);
        if (n < 0 && errno != EINTR) break;
        if (n > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) break;
        // Input that never turns into a key: the terminal has gone.
        if (n > 0 && ++idle_wakeups > 1000) break;
        if (n == 0) idle_wakeups = 0;
    }
    // The terminal is gone: nobody can answer. End as a hang-up does.
    shutdown();
    throw ProgramEnd{128 + SIGHUP};
}

// Keys asked for after the terminal was given back (a message at exit): read lines.
int TerminalConsole::wait_after_shutdown() {
    for (;;) {
        char c;
        ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw ProgramEnd{1};
        if (c == '\n' || c == '\r') return VK_RETURN;
        if (c >= 0x20 && c <= 0x7E) return c;
    }
}

void TerminalConsole::flush_input() {
    keys_.clear();
    if (active_ && !shut_) flushinp();
}

void TerminalConsole::set_title(std::string_view cp932_title) {
    if (!title_ok_ || !active_ || shut_) return;
    std::string text = "\033]2;";
    for (char c : cp932_to_utf8(cp932_title)) {
        auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b != 0x7F) text += c;
    }
    text += '\007';
    if (!g_title_pushed) {
        write_all(STDOUT_FILENO, "\033[22;0t", 7);
        g_title_pushed = 1;
    }
    write_all(STDOUT_FILENO, text.data(), text.size());
}

void TerminalConsole::suspend() {
    if (!active_ || shut_) return;
    def_prog_mode();
    endwin();
    active_ = false;
    g_screen_active = 0;
}

void TerminalConsole::resume() {
    if (active_ || shut_) return;
    reset_prog_mode();
    active_ = true;
    g_screen_active = 1;
    // The size may have changed while another program had the terminal.
    winsize ws;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0 &&
        (ws.ws_row != LINES || ws.ws_col != COLS))
        resize_term(ws.ws_row, ws.ws_col);
    clearok(curscr, TRUE);
    buffer_.mark_all_dirty();
    take_size();
    refresh();
}

void TerminalConsole::shutdown() {
    if (shut_) return;
    shut_ = true;
    if (active_) {
        if (g_title_pushed) {
            write_all(STDOUT_FILENO, g_title_pop, sizeof g_title_pop - 1);
            g_title_pushed = 0;
        }
        endwin();
    }
    active_ = false;
    g_screen_active = 0;
    std::fflush(stdout);
}

}  // namespace

TerminalColors terminal_colors(int attribute, bool sixteen_colors) {
    int fg = attribute & 15;
    int bg = attribute >> 4 & 15;
    TerminalColors tc{curses_color(fg), curses_color(bg), false};
    if (sixteen_colors) {
        tc.foreground = static_cast<short>(tc.foreground + (fg & 8));
        tc.background = static_cast<short>(tc.background + (bg & 8));
    } else {
        tc.bold = (fg & 8) != 0;
    }
    return tc;
}

std::unique_ptr<Console> make_terminal_console() {
    std::setlocale(LC_ALL, "");
    // The terminal is taken to speak UTF-8 even when the locale does not say so (an
    // unset LANG is common over ssh and in containers); programs we start get the same.
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0 && std::setlocale(LC_CTYPE, "C.UTF-8")) {
        setenv("LC_CTYPE", "C.UTF-8", 1);
        if (const char* all = std::getenv("LC_ALL"); all && *all) setenv("LC_ALL", "C.UTF-8", 1);
    }
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
        std::fputs("korvel32: standard input and output must be a terminal\n", stderr);
        return nullptr;
    }
    if (tcgetattr(STDIN_FILENO, &g_saved_tty) == 0) g_have_tty = 1;
    SCREEN* screen = newterm(nullptr, stdout, stdin);
    if (!screen) {
        const char* term = std::getenv("TERM");
        std::fprintf(stderr, "korvel32: cannot use the terminal (TERM=%s)\n", term ? term : "");
        return nullptr;
    }
    set_term(screen);
    return std::make_unique<TerminalConsole>(screen);
}

}  // namespace platform
