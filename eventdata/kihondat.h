// The event definition: the stations of EKI.TXT, the divisions of BUMON.TXT and what
// follows from them (station maps per division, record sizes, speed limits). Every
// other part of the program reads these tables, never the two files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "eventdata/race_time.h"
#include "eventdata/record_layout.h"

#include "shell/options.h"

namespace korvel {

constexpr int MAX_EKI = 50;    // stations (physical, 0..eki_suu-1)
constexpr int MAX_BUMON = 20;  // divisions (0..bumon_suu-1, shown as index + 1)
constexpr int MAX_KUKAN = 20;  // sections of one division (logical stations 0..20)
constexpr int MAX_TEAMS = 500;  // records of MASTFILE.DAT

constexpr int STATION_NAME_LEN = 12;
constexpr int WORK_NAME_LEN = 20;
constexpr int URL_LEN = 512;
constexpr int DIVISION_NAME_LEN = 26;

struct StationInfo {
    char name[STATION_NAME_LEN + 1];
    char work_name[WORK_NAME_LEN + 1];  // NICKNAME=, else the name
    char url[URL_LEN + 1];              // URL=, else empty
    double distance;                    // km from the start
};

struct DivisionInfo {
    char name[DIVISION_NAME_LEN + 1];
    double max_speed;  // km/h, plausible section speeds of this division
    double min_speed;
    RaceTime start_time;  // kept when BUMON.TXT gives none; start time entry writes here
    std::int8_t kukan_suu;  // sections = stations used - 1
};

extern StationInfo stations[MAX_EKI];
extern DivisionInfo divisions[MAX_BUMON];
// Logical station of physical station i in division d, or -1 when d does not use it.
extern std::int8_t phy_to_log[MAX_BUMON + 1][MAX_EKI + 1];
// Physical station of logical station k in division d, or -1.
extern std::int8_t log_to_phy[MAX_BUMON + 1][MAX_KUKAN + 1];

extern int eki_suu;
extern int bumon_suu;
extern int max_kukan;          // -1 before the first load
extern int sizeof_mastrec;     // mastrec_size(max_kukan)
extern int sizeof_namerec;     // namerec_size(max_kukan)
extern int distance_decimals;  // most decimals written in EKI.TXT, -1 before loading
extern double fast_speed_limit;  // FAST_SPEED_LIMIT, default 30.0 km/h
extern double slow_speed_limit;  // SLOW_SPEED_LIMIT, default 3.0 km/h

// Set from the command line ("-d"): kihon_data lists the station maps.
extern unsigned char debug_flag;

// Reloads everything from EKI.TXT, BUMON.TXT and OPTION.TXT. Returns only with the
// complete tables: an error runs fix_file (main menu or fatal stop) and the tables keep
// what the last successful load gave them.
void kihon_data();


// The distance right-aligned in width with 1, 2 or 3 decimals (as written in EKI.TXT)
// and suffix: to stream when given, else into buffer (buffer_size bytes, the text is
// cut to fit). Neither: fatal stop.
constexpr std::size_t KYORI_TEXT_SIZE = 32;
void print_kyori(FILE* stream, char* buffer, double distance, int width, const char* suffix,
                 std::size_t buffer_size = KYORI_TEXT_SIZE);

// A definition file is wrong: opens it in the editor and asks whether to go on after
// fixing it (back to the main menu) or stop (fatal stop). Never returns.
[[noreturn]] void fix_file(const char* name);

// Checked questions about the loaded definition. Every report and screen asks these
// instead of reading the tables: an unknown division or station gets the "none"
// answer stated, never an index out of the tables.
// The name of division d; "" for an unknown one.
const char* division_name(int division);
// Sections of division d (its kukan_suu, at most max_kukan); 0 for an unknown one.
int division_sections(int division);
// Logical station of physical station s in division d; -1 when d does not use it.
int logical_station(int division, int physical);
// Physical station of logical station k of division d; -1 when there is none.
int physical_station(int division, int logical);
// The name of logical station k of division d; "" when there is none.
const char* logical_station_name(int division, int logical);
// km between logical stations from and to of division d; 0 when either is missing.
double distance_between(int division, int from, int to);
// The length of section k (1..kukan_suu) of division d, in km.
double section_distance(int division, int section);

}  // namespace korvel
