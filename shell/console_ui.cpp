#include "shell/console_ui.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/process.h"
#include "shell/options.h"
#include "shell/output.h"
#include "shell/runtime.h"

namespace korvel {

using platform::console;

// ---- Screen ----

void clear_screen() {
    auto& c = console();
    c.set_color(15);
    c.fill(0, 0, c.columns() * c.rows(), ' ', 7);
    c.set_cursor(0, 0);
}

void set_cursor(int row, int col) { console().set_cursor(row, col); }

void set_color(int attribute) { console().set_color(attribute); }

void cursor_back(int n) {
    auto& c = console();
    int col = c.cursor_col() - n;
    c.set_cursor(c.cursor_row(), col < 0 ? 0 : col);
}

void clear_line(int row) { console().fill(row, 0, console().columns(), ' ', 7); }

void clear_to_eol(int row, int col) {
    int width = console().columns() - col;
    if (width > 0) console().fill(row, col, width, ' ', 7);
}

void clear_top(int row) { console().fill(0, 0, (row + 1) * console().columns(), ' ', 7); }

void clear_from(int row) {
    auto& c = console();
    if (row < c.rows()) c.fill(row, 0, (c.rows() - row) * c.columns(), ' ', 7);
}

void beep() { console().beep(); }

void cputs(const char* text) { console().write(text); }

void cputs(const std::string& text) { console().write(text); }

void cprintf(const char* format, ...) {
    char small[512];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) {
        va_end(copy);
        return;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        console().write(std::string_view(small, n));
    } else {
        std::string big(static_cast<size_t>(n) + 1, '\0');
        std::vsnprintf(big.data(), big.size(), format, copy);
        big.resize(n);
        console().write(big);
    }
    va_end(copy);
}

// ---- Hints and standard lines ----

namespace {
struct Hint {
    int bit;
    const char* text;
    int attribute;
};
const Hint hints[] = {
    {HINT_ESC, "Escｷｰで戻る", 47},
    {HINT_F1, "F1ｷｰでヘルプ", 47},
    {HINT_F2, "F2ｷｰで出力先変更", 207},
    {HINT_F5, "F5ｷｰで大ﾒﾆｭｰ", 95},
};
}  // namespace

int show_key_hints(int mask) {
    auto& c = console();
    int written = 0;
    for (const Hint& h : hints) {
        if (!(mask & h.bit)) continue;
        if (c.cursor_col() != 0 || written > 0) {
            c.write(" ");
            ++written;
        }
        c.set_color(h.attribute);
        c.write(h.text);
        written += static_cast<int>(std::strlen(h.text));
        c.set_color(15);
    }
    return written;
}

std::string shown_path(const std::string& path) {
    bool complete = true;
    std::string text = platform::utf8_to_cp932(path, &complete);
    return complete ? text : path;
}

void show_folder_line(int col, int row) {
    set_cursor(row, col);
    cputs("作業フォルダ→");
    std::string folder = platform::current_folder();
    if (folder.empty()) return;
    folder = shown_path(folder);
    if (folder.size() > 2000) {
        // Cut between characters, never inside a double-byte one.
        std::size_t n = 0;
        while (n < folder.size()) {
            std::size_t len = platform::is_cp932_lead(static_cast<unsigned char>(folder[n])) ? 2 : 1;
            if (n + len > 2000) break;
            n += len;
        }
        folder.resize(n);
    }
    set_color(159);
    cputs(folder);
    set_color(15);
}

void show_destination_line(int col, int row) {
    set_cursor(row, col);
    cputs("出力先→");
    int kind = destination();
    set_color(207);
    cputs(destination_name(kind));
    if (kind == OUT_FILE) cprintf("（%s）", list_file_option().c_str());
    set_color(15);
}

bool help_file_exists() {
    std::string folder = program_folder();
    return !folder.empty() && platform::file_exists((folder + "korvel32.chm").c_str());
}

void open_help() {
    if (help_file_exists()) open_with_association((program_folder() + "korvel32.chm").c_str());
}

void show_help_hint() {
    if (!help_file_exists()) return;
    show_key_hints(HINT_F1);
    cputs("  ");
}

void show_menu_prompt(int col, int row, int mask) {
    set_cursor(row, col);
    cputs("選択[ ]");
    show_key_hints(mask);
    set_cursor(row, col + 5);
}

void show_stars(int n) {
    if (n > 0) cputs(std::string(n, '*'));
}

// ---- Keys ----

int poll_key() {
    auto& c = console();
    for (;;) {
        c.refresh();
        int key = c.poll_event();
        if (key == platform::EVENT_NONE) return -1;
        if (key == platform::VK_SHIFT) return -16;
        if (key == platform::VK_F1) {
            open_help();
            continue;
        }
        return key;
    }
}

int read_key() {
    auto& c = console();
    for (;;) {
        c.refresh();
        int key = c.wait_event();
        if (key == platform::VK_SHIFT) continue;
        if (key == platform::VK_F1) {
            open_help();
            continue;
        }
        return key;
    }
}

Request poll_request() {
    const int key = poll_key();
    return key < 0 ? Request{} : request_of(key);
}

Request read_request() { return request_of(read_key()); }

void discard_input() { console().flush_input(); }

// ---- Prompts ----

int ask_key(const char* prompt, const char* accepted) {
    cputs(prompt);
    cputs("[ ]");
    cursor_back(2);
    for (;;) {
        int key = read_key();
        const Request r = request_of(key);
        for (const char* a = accepted; *a; ++a) {
            if (*a == '*') return key;
            if (r.printable() && r.ch == *a) {
                char echo[2] = {*a, '\0'};
                cputs(echo);
                cursor_back(1);
                return key;
            }
        }
        beep();
    }
}

bool ask_yes_no(const char* prompt) {
    const int key = ask_key(prompt, "YyNn");
    return key == 'Y' || key == 'y';
}

void wait_confirm() { ask_key("\n上のメッセージを確認したら Y を入力", "Yy"); }

void menu_return_prompt() { ask_key("メニューへ戻ります（Y）", "Yy"); }

// ---- Input fields ----

namespace {

// Right-to-left entry grows like a calculator display; left-to-right like a form.
void draw_number(int row, int start, int width, const std::string& text, bool right_to_left) {
    auto& c = console();
    if (right_to_left) {
        int first = start + width - static_cast<int>(text.size());
        c.set_cursor(row, start);
        c.write(std::string(first - start, '.'));
        c.write(text);
        int col = start + width - 1;
        c.set_cursor(row, col);
    } else {
        c.set_cursor(row, start);
        c.write(text);
        c.write(std::string(width - static_cast<int>(text.size()), '.'));
        int col = start + static_cast<int>(text.size());
        if (col >= start + width) col = start + width - 1;
        c.set_cursor(row, col);
    }
}

}  // namespace

FieldInput input_number(char* buf, std::size_t buf_size, int width, void (*on_leave)(), FieldKeys keys) {
    if (buf_size == 0) return {FieldEnd::back, 0};
    // The field never offers more places than the buffer holds.
    if (width < 0) width = 0;
    if (static_cast<std::size_t>(width) > buf_size - 1) width = static_cast<int>(buf_size - 1);
    std::string style_text;
    bool right_to_left = !(get_option("NUM_INPUTTYPE", style_text) && option_int(style_text) == 2);
    auto& c = console();
    int row = c.cursor_row();
    int start = c.cursor_col();
    c.write(std::string(width, '.'));
    show_key_hints(hints_for(keys));
    c.set_cursor(row, right_to_left ? start + width - 1 : start);
    // The key that takes back the last character: the one toward the text.
    const Request::Kind erase_toward = right_to_left ? Request::erase_right : Request::left;

    std::string text;
    for (;;) {
        const Request r = read_request();
        switch (r.kind) {
        case Request::back:
        case Request::recall:
            if (!(r.kind == Request::back ? keys.back : keys.recall)) break;
            clear_to_eol(row, start);
            buf[0] = '\0';
            return {r.kind == Request::back ? FieldEnd::back : FieldEnd::recall, 0};
        case Request::destination:
            if (!keys.destination) break;
            select_output_destination();
            buf[0] = '\0';
            return {FieldEnd::destination, 0};
        case Request::main_menu:
            if (!keys.main_menu) break;
            if (on_leave) on_leave();
            jump_to_main_menu();
        case Request::enter:
            clear_to_eol(row, start);
            c.set_cursor(row, start);
            c.write(std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text + "\n");
            std::memcpy(buf, text.c_str(), text.size() + 1);
            return {FieldEnd::entered, static_cast<int>(text.size())};
        case Request::erase:
        case Request::erase_right:
        case Request::left:
            if ((r.kind != Request::erase && r.kind != erase_toward) || text.empty()) break;
            text.pop_back();
            draw_number(row, start, width, text, right_to_left);
            continue;
        case Request::digit:
        case Request::letter:
            if ((r.kind == Request::letter && !(r.ch == '-' && text.empty())) || static_cast<int>(text.size()) >= width)
                break;
            text += r.ch;
            draw_number(row, start, width, text, right_to_left);
            continue;
        default:
            break;
        }
        beep();
    }
}

namespace {

// One column back, onto the end of the row above when at column 0: a long file name
// wraps, and erasing it must follow it back.
void back_one() {
    auto& c = console();
    if (c.cursor_col() > 0) c.set_cursor(c.cursor_row(), c.cursor_col() - 1);
    else if (c.cursor_row() > 0) c.set_cursor(c.cursor_row() - 1, c.columns() - 1);
}

}  // namespace

int input_text(char* buf, int maxlen) {
    auto& c = console();
    int len = static_cast<int>(std::strlen(buf));
    if (len > maxlen) {
        len = maxlen;
        buf[len] = '\0';
    }
    c.write(std::string_view(buf, len));
    if (len > 0 && len >= maxlen) back_one();
    for (;;) {
        const Request r = read_request();
        if (r.printable()) {
            if (len >= maxlen) {
                beep();
                continue;
            }
            buf[len++] = r.ch;
            buf[len] = '\0';
            char echo[2] = {r.ch, '\0'};
            c.write(echo);
            if (len >= maxlen) back_one();
        } else if (r.kind == Request::erase || r.kind == Request::left) {
            if (len == 0) {
                beep();
                continue;
            }
            // At the full length the cursor already stands on the last character.
            if (len < maxlen) back_one();
            buf[--len] = '\0';
            c.write(" ");
            back_one();
        } else if (r.kind == Request::enter) {
            c.write("\n");
            return len;
        } else if (r.kind == Request::back) {
            return -1;
        } else {
            beep();
        }
    }
}

}  // namespace korvel
