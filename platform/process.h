// Starting other programs: print programs, editors, the shell, viewers.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Runs argv[0] (searched along PATH) with its arguments and waits for it. With
// needs_terminal the screen is handed over while it runs; otherwise its standard
// streams are kept off the screen. Returns its exit status, or -1 with errno set
// when it could not be started.
int run_and_wait(const std::vector<std::string>& argv, bool needs_terminal);

// As run_and_wait without the terminal, keeping what the program wrote to its error
// output (its last 4 KB) in errors.
int run_and_wait_keeping_errors(const std::vector<std::string>& argv, std::string& errors);

// Runs a command line through /bin/sh -c with the screen handed over; waits.
int run_shell(const std::string& command);

enum class Opened {
    started,     // handed to the desktop's program, not waited for
    shown,       // shown in the terminal (pager or terminal browser) and closed again
    not_opened,  // nothing here can show it
};

// Opens a file or address with the program the desktop associates with it, without
// waiting. Without a graphical session a text file is shown in the pager, and a web
// page (.htm, .html) or an address in a terminal browser, w3m or else lynx, told
// that a page file is Shift-JIS; both are waited for.
Opened open_with_association(const std::string& path);

// Opens a CP932 text file in a text editor in the terminal and waits for it. The
// editor is given a UTF-8 copy; what it saves is converted back. editor empty means
// the user's editor ($VISUAL, $EDITOR, nano, vi). Returns false with errno set when
// the editor could not be started.
bool edit_text_file(const std::string& editor, const std::string& path);

// Puts CP932 text on the desktop clipboard; false when no clipboard is reachable.
bool copy_to_clipboard(const std::string& cp932_text);

// Text of the last system error, converted to CP932.
std::string error_text(int err);

bool graphical_session();

}  // namespace platform
