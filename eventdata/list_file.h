// The line lists written by the officials, TEAM.TXT and SENSYU.TXT: a number at the
// start of every used line, then fields split by the current separator set.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

namespace korvel {

// line: the used line with its leading blanks skipped; out: the output file (nullptr
// when none was named); separators: " \t" or one character; line_no: counted from 1
// over every line read.
using ListLineHandler = std::function<void(const char* line, FILE* out, const char* separators, int line_no)>;

// Reads the list line by line: "FS=" lines change the separator set (empty: blanks,
// "Tab", or one character; anything else runs the fix-file handler), a line starting
// with "*" ends the list, lines not starting with a digit are skipped, the others go
// to handler. out_name, opened with out_mode, may be nullptr. Both files are closed
// at the end. Lines beyond 999 bytes are cut there.
void read_list_file(const char* list_name, const char* out_name, const char* out_mode,
                    const ListLineHandler& handler);

// The separator set for an FS= value (empty: blanks, "Tab", or one character); false
// when the value is not allowed. separators needs 3 bytes.
bool set_separators(const std::string& value, char* separators);

// The decimal number at the start of text (0 when there is none), held at 9999999 so
// that any run of digits stays a number the checks can refuse.
int leading_number(const char* text);
// The digits at the start of text as the file has them, for the messages that refuse
// a number: a run too long to read on the screen is said to be too large.
std::string number_as_written(const char* text);

// Moves *p to the start of the next field: with blank separators past one or more
// blanks to a non-blank, with one separator character past the next such character.
// False (and *p unchanged) when no field follows.
bool next_list_field(const char** p, const char* separators);

// The field at *p up to the next separator, as written; *p is left on the separator.
std::string take_list_field(const char** p, const char* separators);

// Copies text to out (size bytes with the terminator) without leading and trailing
// blanks (full-width space included), cut to fit without splitting a double-byte
// character; a TAB becomes a blank unless TAB is a separator. Returns the bytes kept.
std::size_t fit_list_field(const std::string& text, char* out, std::size_t size, const char* separators);

// Where a whole "word" (plain ASCII) occurs in text at a character boundary.
bool contains_word(const char* text, const char* word);

}  // namespace korvel
