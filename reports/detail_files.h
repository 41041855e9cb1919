// The raw data of a race for other programs: the two TAB-separated detail files (one
// line per team and station, one per team and section) and the table of which
// station plays which role in each division. Written to fixed names in the working
// folder, each then opened with the program associated with it.
#pragma once

#include <cstdio>

#include "eventdata/mastfile.h"

namespace korvel {

constexpr const char* STATION_DETAIL_FILE = "結果明細中継所TAB.txt";
constexpr const char* SECTION_DETAIL_FILE = "結果明細区間TAB.txt";
constexpr const char* STATION_PATTERN_FILE = "部門中継所.csv";

// Results submenu [9]: both TAB files (after recompute_results), then opened.
void write_detail_files();
// Other submenu [6]: the station pattern file, then opened.
void write_station_pattern_file();

// The lines, each with its line end. date and time: the stamps of the export.
void write_station_detail_header(FILE* out);
// Logical station k (0..kukan_suu) of team r.
void write_station_detail_line(FILE* out, const TeamRecord& r, const RunnerNameRecord& names, int k,
                               const char* date, const char* time);
void write_section_detail_header(FILE* out);
// Section s (1..kukan_suu) of team r.
void write_section_detail_line(FILE* out, const TeamRecord& r, const RunnerNameRecord& names, int s,
                               const char* date, const char* time);
void write_pattern_header(FILE* out);
// Physical station i.
void write_pattern_line(FILE* out, int station);

}  // namespace korvel
