// The event definition: the stations of EKI.TXT, the divisions of BUMON.TXT and what
// follows from them (station maps per division, record sizes, speed limits). Every
// other part of the program reads these tables, never the two files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

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
    RaceTime start_time;  // kept over a reload when BUMON.TXT gives none; entered at the console
    std::int8_t kukan_suu;  // sections = stations used - 1
};

// The tables of one definition as kihon_data reads them (and as tests build them):
// stations, divisions and the station maps per division. Filled once, then frozen in
// an EventDefinition.
struct EventTables {
    EventTables();  // no station, no division, every map entry -1

    StationInfo stations[MAX_EKI];
    DivisionInfo divisions[MAX_BUMON];
    // Logical station of physical station i in division d, or -1 when d does not use it.
    std::int8_t phy_to_log[MAX_BUMON + 1][MAX_EKI + 1];
    // Physical station of logical station k in division d, or -1.
    std::int8_t log_to_phy[MAX_BUMON + 1][MAX_KUKAN + 1];
    int eki_suu = 0;
    int bumon_suu = 0;
    int max_kukan = -1;            // -1: nothing loaded
    int distance_decimals = -1;    // most decimals written in EKI.TXT, -1 before loading
    double fast_speed_limit = 30.0;  // FAST_SPEED_LIMIT, km/h
    double slow_speed_limit = 3.0;   // SLOW_SPEED_LIMIT, km/h
};

// One event definition, never changed once made: a reload or a new start time makes a
// new one and replaces the current one whole, so a reader that keeps its pointer (the
// publisher, a report being written) sees one consistent set of tables throughout.
// Every question is checked: an unknown division or station gets the "none" answer
// stated, never an index out of the tables.
class EventDefinition {
public:
    EventDefinition() = default;  // before the first load
    explicit EventDefinition(const EventTables& tables);

    int station_count() const { return t_.eki_suu; }
    int division_count() const { return t_.bumon_suu; }
    int max_sections() const { return t_.max_kukan; }  // -1 before the first load
    int master_record_size() const { return master_record_size_; }  // mastrec_size(max_sections)
    int name_record_size() const { return name_record_size_; }      // namerec_size(max_sections)
    int distance_decimals() const { return t_.distance_decimals; }
    double fast_speed_limit() const { return t_.fast_speed_limit; }
    double slow_speed_limit() const { return t_.slow_speed_limit; }

    // Physical station s; an empty one (no name, 0 km) for an unknown s.
    const StationInfo& station(int s) const;
    // Division d; an empty one (no name, no sections, no start time) for an unknown d.
    const DivisionInfo& division(int d) const;
    // The name of division d; "" for an unknown one.
    const char* division_name(int d) const { return division(d).name; }
    // Sections of division d (its kukan_suu, at most max_sections); 0 for an unknown one.
    int division_sections(int d) const;
    // Logical station of physical station s in division d; -1 when d does not use it.
    int logical_station(int d, int physical) const;
    // Physical station of logical station k of division d; -1 when there is none.
    int physical_station(int d, int logical) const;
    // The name of logical station k of division d; "" when there is none.
    const char* logical_station_name(int d, int logical) const;
    // km between logical stations from and to of division d; 0 when either is missing.
    double distance_between(int d, int from, int to) const;
    // The length of section k (1..kukan_suu) of division d, in km.
    double section_distance(int d, int section) const;

    // The tables as loaded, for building a changed copy.
    const EventTables& tables() const { return t_; }
    // This definition with division d starting at t (d unknown: unchanged).
    std::shared_ptr<const EventDefinition> with_start_time(int d, const RaceTime& t) const;

private:
    EventTables t_;
    int master_record_size_ = 0;
    int name_record_size_ = 0;
};

// The current definition; empty before the first load. A reader that runs long keeps
// the pointer, so a reload cannot change the tables under it.
std::shared_ptr<const EventDefinition> current_definition();
const EventDefinition& definition();
// Makes d the current definition (kihon_data, a start time entered, tests).
void replace_definition(std::shared_ptr<const EventDefinition> d);

// From the command line ("-d"): kihon_data lists the station maps.
void list_station_maps_on_load(bool on);

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

// A definition file is wrong (problem: how, when the caller has not said it yet): the
// installed questions show it, open the file in the editor and ask whether to go on
// after fixing it (back to the main menu) or stop (fatal stop). Never returns.
[[noreturn]] void fix_file(const char* name, const std::string& problem = {});

// The same checked questions about the current definition.
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
