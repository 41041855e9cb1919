// Small CP932 (Shift-JIS) text helpers. A lead byte and the byte after it always move
// together: a trail byte may equal "\" or another ASCII character and is never taken
// for a delimiter. A lead byte left alone before the terminator counts as one byte.
#pragma once

#include <string>

#include <cstddef>

namespace korvel {

// Lead bytes 0x81-0x9F and 0xE0-0xFC.
bool is_sjis_lead(unsigned char c);
// Bytes in the character at p: 2 for a lead byte followed by a trail byte, 0 at the
// terminator, else 1.
std::size_t sjis_char_len(const char* p);

// Removes one trailing "\n" when present.
void chomp(char* s);
// Removes trailing ASCII white space.
void trim_right_space(char* s);
// Advances past spaces, TABs and full-width spaces.
void skip_blanks(const char** p);
void skip_blanks(char** p);
// Advances past decimal digits.
void skip_digits(const char** p);
void skip_digits(char** p);
// Removes trailing spaces, TABs and full-width spaces; returns the bytes removed.
int trim_right_blanks(char* s);
// Advances to the first single-byte character that is in set (or to the terminator).
void skip_to_any(const char** p, const char* set);
void skip_to_any(char** p, const char* set);
// Copies the characters up to the first single-byte one in set into out, at most
// size - 1 bytes and never half a double-byte character; a TAB becomes a blank unless
// TAB is in set. *p is left on the delimiter (or the terminator): the part of an
// over-long field that did not fit is skipped. Returns the bytes copied.
std::size_t take_field(char* out, const char** p, std::size_t size, const char* set);
std::size_t take_field(char* out, char** p, std::size_t size, const char* set);
// Copies s to out without the characters of set (single- or double-byte). out needs
// strlen(s) + 1 bytes; it may be s itself.
void remove_chars(const char* s, char* out, const char* set);
// Copies s to out without the open and close characters and the text between them,
// counting nesting; open 0 starts the count at 1. A value above 0xFF names a
// double-byte character (lead * 256 + trail). Returns the final nesting count (0 when
// balanced). out needs strlen(s) + 1 bytes; it may be s itself.
int strip_bracketed(const char* s, char* out, int open, int close);
// Printable ASCII and half-width katakana to their full-width forms; other characters
// are copied. out needs 2 * strlen(s) + 1 bytes.
void to_full_width(const char* s, char* out);
// The same, bounded: never writes more than size bytes (terminator included) nor half
// a double-byte character.
void to_full_width(const char* s, char* out, std::size_t size);

// printf into a string of at most FORMATTED_LIMIT bytes; a longer text is cut before
// the first character that does not fit whole, never through a double-byte one.
constexpr int FORMATTED_LIMIT = 4095;
std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace korvel
