// The console on the user's terminal, through ncursesw. The screen buffer is at least
// 80 columns by 100 rows whatever the terminal's size; the terminal shows the part of
// it that holds the cursor. CP932 text is shown in UTF-8, one column per byte.
#pragma once

#include <memory>

#include "platform/console.h"
#include "platform/screen_view.h"

namespace platform {

// Takes over the terminal: sets the locale, enters full-screen mode, and arranges that
// the terminal is restored on exit, on a stop signal and on a crash. Returns nullptr,
// after a message on stderr, when standard input and output are not a usable terminal.
std::unique_ptr<Console> make_terminal_console();

// Terminal colours of a colour attribute (low nibble foreground, high nibble
// background; 1 blue, 2 green, 4 red, 8 intensity). With 16 colours the intensity is
// part of the colour (8-15); with 8 it is bold for the foreground and lost for the
// background.
struct TerminalColors {
    short foreground;
    short background;
    bool bold;
};
TerminalColors terminal_colors(int attribute, bool sixteen_colors);

}  // namespace platform
