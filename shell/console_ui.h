// Screen primitives, key reading, prompts and input fields shared by every screen.
#pragma once

#include <cstddef>
#include <string>

#include "platform/console.h"
#include "shell/request.h"

namespace korvel {

using platform::VK_BACK;
using platform::VK_DELETE;
using platform::VK_DOWN;
using platform::VK_ESCAPE;
using platform::VK_F2;
using platform::VK_F5;
using platform::VK_LEFT;
using platform::VK_RETURN;
using platform::VK_RIGHT;
using platform::VK_UP;

// Bits of the key-hint line: what it shows, not what the keys do (see FieldKeys).
constexpr int HINT_ESC = 1;
constexpr int HINT_F1 = 2;
constexpr int HINT_F2 = 4;
constexpr int HINT_F5 = 0x20;

void clear_screen();
void set_cursor(int row, int col);
void set_color(int attribute);
void cursor_back(int n);
void clear_line(int row);
void clear_to_eol(int row, int col);
void clear_top(int row);
void clear_from(int row);
void beep();
// Writes CP932 text at the cursor; printf-style variant for formatted lines.
void cputs(const char* text);
void cputs(const std::string& text);
void cprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

int show_key_hints(int mask);
// A path of the file system (UTF-8 on this platform) as CP932 screen text; left as it
// is when it has no CP932 form.
std::string shown_path(const std::string& path);
void show_folder_line(int col, int row);
void show_destination_line(int col, int row);
void show_help_hint();
void show_menu_prompt(int col, int row, int mask);
void show_stars(int n);
bool help_file_exists();
void open_help();

int poll_key();
int read_key();
// The next key as a request (none when nothing waits); F1 opens the help file on the way.
Request poll_request();
Request read_request();
void discard_input();

int ask_key(const char* prompt, const char* accepted);
// A question answered with Y or N (either case): true for Y.
bool ask_yes_no(const char* prompt);
void wait_confirm();
void menu_return_prompt();

// How a numeric field was left.
enum class FieldEnd {
    entered,      // Enter: length characters in the buffer
    back,         // Esc (keys.back)
    destination,  // F2 (keys.destination): the destination was chosen, the field is asked again
    recall,       // F9 (keys.recall)
};
struct FieldInput {
    FieldEnd end;
    int length;  // characters entered; 0 unless entered
};

// Numeric field taking the keys in keys and showing their hints; F5 (keys.main_menu)
// calls on_leave and jumps to the main menu. buf (buf_size bytes) receives the text:
// at most width characters, and never more than the buffer holds with its terminator.
FieldInput input_number(char* buf, std::size_t buf_size, int width, void (*on_leave)(), FieldKeys keys);
template <std::size_t N>
FieldInput input_number(char (&buf)[N], int width, void (*on_leave)(), FieldKeys keys) {
    return input_number(buf, N, width, on_leave, keys);
}
int input_text(char* buf, int maxlen);

}  // namespace korvel
