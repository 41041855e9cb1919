// Times loaded for one relay station from a text file (a timing device's list, a
// spreadsheet, a typed list) instead of being typed: each line a team number, an
// arrival time and optionally a departure time, in several common notations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "eventdata/race_time.h"

namespace korvel {

// Other submenu [3]: file prompt, a look at the file, station, added time, the lines,
// the speed check and the station submenu.
void text_import();

// A line of more bytes than this (without its end) is reported and skipped whole.
constexpr std::size_t IMPORT_LINE_MAX = 999;

enum class ImportLineRead { end, line, too_long };
// The next line of f without its end (a CR before the end is dropped). A line longer
// than IMPORT_LINE_MAX is read to its end and only its start kept; it can never
// pass for a line of its own.
ImportLineRead read_import_line(FILE* f, std::string& line);

// The line as it is read: a leading line number ("3." or "12:") dropped, remarks in
// parentheses (nested) dropped, the characters ﾟ ' , " . : removed, a blank appended.
std::string clean_import_line(const std::string& line);

// The station named by the file's first "EkiNo=" line; -1 when there is none or it
// names no station of the event.
int import_file_station(const char* file);

struct ImportResult {
    int stored = 0;    // lines written to MASTFILE.DAT
    int messages = 0;  // lines reported and skipped
    bool refused = false;  // stopped: the journal could not take a line
};
// Reads every line of file into station's blocks with the added time, each stored line
// on the disk before the next is read. seq: the last input sequence number, advanced
// for each stored line. Refused lines are reported on the console.
ImportResult import_time_lines(const char* file, int station, RaceTime added, std::uint16_t& seq);

}  // namespace korvel
