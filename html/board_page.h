// The station board as a web page: the same content as the terminal board, UTF-8,
// self-contained (no outside requests) and reloading itself, for a screen at a
// station or in the office that shows a browser.
#pragma once

#include <string>

#include "timing/station_board.h"

namespace korvel {

// Seconds between the page's reloads.
constexpr int BOARD_PAGE_REFRESH = 10;

// The page of board, UTF-8 with CR LF line ends.
std::string board_page(const StationBoard& board);

// Writes board<station>.html into folder (which must exist) for every station that
// ends a section of some division, each page whole (temporary file, renamed). The
// event definition is the loaded one; MASTFILE.DAT and NAMEFILE.DAT are read, never
// written. False when a page could not be written (its message has been shown).
bool write_board_pages(const std::string& folder);
// "board5.html".
std::string board_page_name(int station);

}  // namespace korvel
