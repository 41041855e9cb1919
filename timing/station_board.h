// The station board: for one relay station, who has arrived, who comes next and
// when, and who will miss the carried start. The content is computed here as data;
// the terminal screen (board_screen.h) and the web page (html/board_page.h) only lay
// it out. Nothing here writes a file.
#pragma once

#include <string>
#include <vector>

#include "eventdata/mastfile.h"

namespace korvel {

// A clock time or a duration not known.
constexpr int BOARD_NO_TIME = -1;
// The arrivals a board shows, newest first.
constexpr int BOARD_ARRIVALS = 10;
// The narrowest half window of a prediction: a minute either side.
constexpr int BOARD_MIN_HALF_WINDOW = 60;

struct BoardArrival {
    int team_no;
    std::string team_name;
    int division;
    bool open;
    int arrival;       // clock seconds
    int section_time;  // seconds, BOARD_NO_TIME when the section has no time
    int section_rank;  // 0 none (open team, no time)
    int cumul_rank;    // 0 none
};

struct BoardComing {
    int team_no;
    std::string team_name;
    int division;
    bool open;
    std::string runner;  // the runner of the section that ends here
    int departure;       // clock seconds at the previous station
    int predicted;       // clock seconds; BOARD_NO_TIME without any data to go by
    int earliest;        // predicted - half window
    int latest;          // predicted + half window
    int gap;             // seconds behind the division's leader at the previous station; BOARD_NO_TIME none
    int would_be_rank;   // cumulative rank on arriving at the predicted time; 0 none
    bool late;           // now is past the end of the window
};

struct StationBoard {
    int station = 0;  // physical number
    std::string station_name;
    int now = 0;  // clock seconds the board was made for
    std::vector<BoardArrival> arrivals;  // newest first, at most BOARD_ARRIVALS
    int arrived_count = 0;               // every team that has arrived here
    std::vector<BoardComing> coming;     // in order of predicted arrival
    // KURIAGE<station>: 1 set, 0 absent, -1 unreadable.
    int limit_state = 0;
    int limit = BOARD_NO_TIME;  // clock seconds
    // The teams of coming whose window ends after the limit, in the same order.
    std::vector<BoardComing> carried;
    // Why the board shows no teams although it should (CP932); empty normally.
    std::string problem;
};

// ---- The prediction, on its own for its tests ----

// The median of values (the mean of the middle two for an even count); 0 for none.
double median_of(std::vector<double> values);
// The interquartile range Q3 - Q1 of values, the quartiles by linear interpolation
// between the order statistics at (n - 1) * 0.25 and (n - 1) * 0.75 (the common
// "type 7" definition); 0 for fewer than two values.
double interquartile_range(std::vector<double> values);

struct Prediction {
    int section_time = BOARD_NO_TIME;  // seconds
    int half_window = BOARD_MIN_HALF_WINDOW;  // seconds
};
// The predicted time of team record t (in records, times computed) on section k of
// its division. See station_board.cpp for the rules.
Prediction predict_section(const std::vector<TeamRecord>& records, const TeamRecord& t, int k);

// ---- The board ----

// The board of physical station s from records with their times and ranks computed
// (compute_times_and_ranks), the runner names (same order, may be empty), the clock
// now and the carried-start limit (limit_state as carried_start_limit gives it).
StationBoard make_station_board(int station, const std::vector<TeamRecord>& records,
                                const std::vector<RunnerNameRecord>& names, int now, int limit_state, int limit);

// True when some division ends one of its sections at physical station s.
bool is_board_station(int station);
// Every such station, in course order.
std::vector<int> board_stations();

// The records of MASTFILE.DAT and NAMEFILE.DAT as a board reads them: read without a
// lock (as the check lists do) and computed in memory; the file is never written.
// A master file that is missing, or not of the definition loaded (rebuilt for an
// edited EKI.TXT or BUMON.TXT since), gives no records and says so in problem.
struct BoardData {
    std::vector<TeamRecord> records;
    std::vector<RunnerNameRecord> names;
    std::string problem;
};
BoardData read_board_data();
// The board of station from data at the clock now, with the KURIAGE option as it is.
StationBoard station_board(int station, const BoardData& data, int now);
// Seconds after local midnight now.
int clock_now();

// "11:05:32"; "--:--:--" for BOARD_NO_TIME.
std::string clock_text(int seconds);
// A duration as "12'34" or "1:02'34"; "" for BOARD_NO_TIME.
std::string duration_text(int seconds);

}  // namespace korvel
