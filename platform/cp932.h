// Conversion between the program's CP932 text and the UTF-8 of terminals, editors
// and desktop tools, and the layout of one screen row of CP932 bytes on a terminal.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Lead byte of a double-byte character (0x81-0x9F, 0xE0-0xFC).
inline bool is_cp932_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool is_cp932_trail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Unicode character of one CP932 character (single byte, or lead * 256 + trail);
// 0 when the code has no character.
char32_t cp932_char(unsigned code);

// Every byte that does not form a CP932 character becomes U+FFFD.
std::string cp932_to_utf8(std::string_view cp932);

// Characters without a CP932 form (and malformed UTF-8) become "?" and clear
// *complete. U+FFFD, which cp932_to_utf8 makes of broken bytes, becomes "?" without
// clearing it. The JIS forms that Linux input methods produce for the wave dash,
// minus sign and similar are taken as the Windows characters.
std::string utf8_to_cp932(std::string_view utf8, bool* complete = nullptr);

// Terminal cells a Unicode character takes (1 or 2; 0 or less when unprintable).
int terminal_width(char32_t c);

// One piece of a screen row as the terminal draws it. A row of N bytes is drawn in
// exactly N cells: a character narrower than its bytes is followed by padding blanks.
struct Glyph {
    char32_t code;  // what to draw: the character, ' ' or '?' for a fault
    int column;     // first byte column it stands for
    int bytes;      // byte columns covered (1 or 2)
    int cells;      // cells the character itself takes; bytes - cells blanks follow
};
std::vector<Glyph> row_glyphs(std::string_view row);

// The row as UTF-8 text, padding blanks included (what the terminal shows).
std::string row_to_utf8(std::string_view row);

void append_utf8(std::string& out, char32_t c);

}  // namespace platform
