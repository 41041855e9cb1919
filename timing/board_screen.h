// The station board on the terminal: the board's content as screen lines, and the
// full-screen loop that keeps it current.
#pragma once

#include <string>
#include <vector>

#include "timing/station_board.h"

namespace korvel {

struct BoardLine {
    std::string text;  // CP932, at most the screen width
    int colour;
};

// The whole board for a screen columns wide (at least 80), row 0 first.
std::vector<BoardLine> board_lines(const StationBoard& board, int columns);

// One piece of a board row: text cut or padded to width bytes (a double-byte
// character is never split), blanks on the left when right is set.
std::string board_cell(const std::string& text, int width, bool right = false);

// The board of a physical station, full screen until q or Esc. The data files are
// read again as soon as one of them changes; the clock, the countdown and the late
// marks move every second. Never writes a file.
void run_station_board(int station);

}  // namespace korvel
