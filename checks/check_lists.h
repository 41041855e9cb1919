// The check lists: the entered clock times, carried starts, typing order and names as
// they are stored, without any computation, for comparison with the paper records.
// One team on screen; one station (or every station) in arrival order; all teams at
// all stations; team and runner names; all stations side by side in time order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "eventdata/mastfile.h"

namespace korvel {

class Report;

// ---- Menu entries ----

// Input-data check [1]: team number prompt, the team's times and runners on screen.
void team_data_screen();
// Input-data check [2] (names false) and [7] (names true): station selection with
// "99" for every station, the destination questions, the list. Esc at the destination
// questions shows the selection again.
void station_check_list_entry(bool names);
// The station submenu's [1]: the destination questions, then the plain list of station.
void station_check_list_report(int station);
// Input-data check [3], [4] and [8]: the destination questions, then the list.
void all_teams_check_list();
void names_check_list();
void time_order_check_list();

// ---- The pieces, for the lists and their tests ----

// One team at a station. input_seq is -1 for a team without a sequence number.
struct StationItem {
    std::int16_t team_no;
    std::int16_t input_seq;
    RaceTime arrival;
    RaceTime departure;
    int record;  // index into the records the item was collected from
};

// Every team whose division reaches physical station s at a logical station of 1 or
// more, in master order (the start station has none).
std::vector<StationItem> collect_station_items(const std::vector<TeamRecord>& records, int s);
// Arrival, then departure, then sequence number (unsigned: none comes last), then team.
void sort_for_station_list(std::vector<StationItem>& items);
// Arrival, then sequence number (unsigned), master order otherwise.
void sort_for_time_order(std::vector<StationItem>& items);

// The departure column: "←" right-aligned in 9 when it equals a valid arrival, else
// the departure's time text.
std::string departure_text(const StationItem& item);
// "    (%5u)" with the sequence number, "    (     )" without one.
std::string sequence_text(const StationItem& item);
// A two-column cell: "%3d:%8d    " number and team, arrival, four blanks, departure
// column, and the sequence text when show_seq.
std::string two_column_cell(const StationItem& item, int n, bool show_seq);
// A time-order cell of 13 bytes: "%4d", the arrival as "%3d%02d%02d" (or NoData), "& "
// for a carried start else two blanks.
std::string time_order_cell(const StationItem& item);

struct StationListOptions {
    bool names = false;     // division and team name columns
    bool show_seq = false;  // INPUTSEQ
    int column_rows = 0;    // rows per column of the two-column layout; 0: one column
};
// The list of station s (nothing when no team qualifies) from records.
void write_station_check_list(Report& report, const std::vector<TeamRecord>& records, int s,
                              const StationListOptions& options);
void write_all_teams_list(Report& report, const std::vector<TeamRecord>& records);
void write_names_list(Report& report, const std::vector<TeamRecord>& records,
                      const std::vector<RunnerNameRecord>& names, int runner_width);
// The temporary item file of station s: "_$$$%03d_<process number>.tmp".
std::string time_order_file_name(int s);

// The items of every station in time order, written to the station's temporary file
// when constructed and read back one at a time while the list is written. The files
// are removed however the list ends.
class TimeOrderFiles {
public:
    explicit TimeOrderFiles(const std::vector<TeamRecord>& records);
    ~TimeOrderFiles();
    TimeOrderFiles(const TimeOrderFiles&) = delete;
    TimeOrderFiles& operator=(const TimeOrderFiles&) = delete;

    int count(int s) const { return s >= 0 && s < MAX_EKI ? counts_[s] : 0; }
    int longest() const { return longest_; }
    // Item n (from 0) of station s.
    StationItem read(int s, int n);

private:
    void write_files(const std::vector<TeamRecord>& records);
    void remove_files();

    int counts_[MAX_EKI] = {};
    bool written_[MAX_EKI] = {};
    Stream streams_[MAX_EKI];
    int longest_ = 0;
};
void write_time_order_list(Report& report, TimeOrderFiles& files);

}  // namespace korvel
