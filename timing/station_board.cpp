#include "timing/station_board.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "eventdata/kihondat.h"
#include "eventdata/runner_names.h"
#include "shell/options.h"
#include "shell/runtime.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

bool is_open(const TeamRecord& r) { return r.open_flag == '1'; }

// The time of r on section j of its division in seconds; 0 when it has none.
int section_seconds(const TeamRecord& r, int j) {
    if (j < 1 || j > division_sections(r.division)) return 0;
    const RaceTime t = r.blocks[j].section_time;
    return time_is_set(t) ? time_to_seconds(t) : 0;
}

int clock_seconds(RaceTime t) { return time_is_valid(t) ? time_to_seconds(t) : BOARD_NO_TIME; }

// Every time of division d on section j, open teams included: they run the same road.
std::vector<double> section_times(const std::vector<TeamRecord>& records, int d, int j) {
    std::vector<double> times;
    for (const TeamRecord& r : records)
        if (r.division == d)
            if (int s = section_seconds(r, j)) times.push_back(s);
    return times;
}

// The ratios time / median of the section of every time of division d on the
// sections sections.
std::vector<double> ratios_to_median(const std::vector<TeamRecord>& records, int d, const std::vector<int>& sections) {
    std::vector<double> ratios;
    for (int j : sections) {
        const std::vector<double> times = section_times(records, d, j);
        const double median = median_of(times);
        if (median <= 0) continue;
        for (double t : times) ratios.push_back(t / median);
    }
    return ratios;
}

// Adds r's time and distance over the sections it has finished.
void add_distance_run(const TeamRecord& r, double& seconds, double& km) {
    for (int j = 1; j <= division_sections(r.division); ++j) {
        const int s = section_seconds(r, j);
        const double distance = section_distance(r.division, j);
        if (s > 0 && distance > 0) {
            seconds += s;
            km += distance;
        }
    }
}

// Seconds per km of t so far; of its whole division when t has finished nothing yet.
// 0 when nobody of the division has.
double pace(const std::vector<TeamRecord>& records, const TeamRecord& t) {
    double seconds = 0, km = 0;
    add_distance_run(t, seconds, km);
    if (km > 0) return seconds / km;
    for (const TeamRecord& r : records)
        if (r.division == t.division) add_distance_run(r, seconds, km);
    return km > 0 ? seconds / km : 0;
}

// The sections of division d before k on which some team of d has a time.
std::vector<int> sections_run(const std::vector<TeamRecord>& records, int d, int k) {
    std::vector<int> run;
    for (int j = 1; j < k; ++j)
        if (!section_times(records, d, j).empty()) run.push_back(j);
    return run;
}

int cumul_seconds(const TeamRecord& r, int k) {
    if (k < 1) return 0;
    const RaceTime t = r.blocks[k].cumul_time;
    return time_is_set(t) ? time_to_seconds(t) : BOARD_NO_TIME;
}

// A team that has a time at a station after k has passed k, whatever is missing there.
bool passed(const TeamRecord& r, int k) {
    for (int j = k + 1; j <= division_sections(r.division); ++j)
        if (time_is_valid(r.blocks[j].arrival) || time_is_valid(r.blocks[j].departure)) return true;
    return false;
}

BoardArrival arrival_of(const TeamRecord& r, int k) {
    const StationBlock& b = r.blocks[k];
    const int section = section_seconds(r, k);
    return {r.team_no, r.name, r.division, is_open(r), clock_seconds(b.arrival),
            section > 0 ? section : BOARD_NO_TIME, std::max<int>(b.section_rank, 0), std::max<int>(b.cumul_rank, 0)};
}

// The best cumulative time of a ranked team of division d at logical station k.
int leader_time(const std::vector<TeamRecord>& records, int d, int k) {
    int best = BOARD_NO_TIME;
    for (const TeamRecord& r : records) {
        if (r.division != d || is_open(r)) continue;
        const int c = cumul_seconds(r, k);
        if (c != BOARD_NO_TIME && (best == BOARD_NO_TIME || c < best)) best = c;
    }
    return best;
}

struct Pending {
    BoardComing item;
    int cumul_key;  // predicted cumulative time at the station, BOARD_NO_TIME unknown
};

// The rank each coming team would take: one more than the ranked teams of its
// division that are there (or are predicted there) on a smaller cumulative time.
void fill_would_be_ranks(std::vector<Pending>& pending, const std::vector<TeamRecord>& records, int s) {
    for (Pending& p : pending) {
        if (p.item.open || p.cumul_key == BOARD_NO_TIME) continue;
        int ahead = 0;
        for (const TeamRecord& r : records) {
            const int k = logical_station(r.division, s);
            if (r.division != p.item.division || is_open(r) || k < 1) continue;
            const int c = cumul_seconds(r, k);
            if (time_is_valid(r.blocks[k].arrival) && c != BOARD_NO_TIME && c < p.cumul_key) ++ahead;
        }
        for (const Pending& q : pending)
            if (&q != &p && !q.item.open && q.item.division == p.item.division && q.cumul_key != BOARD_NO_TIME &&
                q.cumul_key < p.cumul_key)
                ++ahead;
        p.item.would_be_rank = ahead + 1;
    }
}

}  // namespace

double median_of(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double interquartile_range(std::vector<double> values) {
    if (values.size() < 2) return 0;
    std::sort(values.begin(), values.end());
    auto quantile = [&](double p) {
        const double at = (values.size() - 1) * p;
        const std::size_t below = static_cast<std::size_t>(std::floor(at));
        const std::size_t above = std::min(below + 1, values.size() - 1);
        return values[below] + (at - below) * (values[above] - values[below]);
    };
    return quantile(0.75) - quantile(0.25);
}

// Team t on section k of its division d:
// - once some team of d has finished k: r_t x median_k, where median_k is the median
//   time of d on k and r_t the median of t's ratios (its time / d's median) over the
//   sections it has finished (1 when none). The window is +- IQR x the predicted
//   section time, IQR the interquartile range of the ratios time / median_k on k: a
//   team as far from the typical as a quarter of the field is from it either way;
// - before that: t's own pace (its time over its distance so far), or the pace of
//   all of d when t has none, times the length of k. The spread then comes from the
//   ratios of every section d has run so far, pooled;
// - never narrower than a minute either side. No prediction at all when d has no
//   time anywhere yet (the first section before its first finisher).
Prediction predict_section(const std::vector<TeamRecord>& records, const TeamRecord& t, int k) {
    Prediction p;
    const int d = t.division;
    const double median_k = median_of(section_times(records, d, k));
    double predicted = 0;
    double spread = 0;
    if (median_k > 0) {
        std::vector<double> own;
        for (int j = 1; j < k; ++j) {
            const double median_j = median_of(section_times(records, d, j));
            if (const int s = section_seconds(t, j); s > 0 && median_j > 0) own.push_back(s / median_j);
        }
        predicted = (own.empty() ? 1.0 : median_of(own)) * median_k;
        spread = interquartile_range(ratios_to_median(records, d, {k}));
    } else {
        predicted = pace(records, t) * section_distance(d, k);
        spread = interquartile_range(ratios_to_median(records, d, sections_run(records, d, k)));
    }
    if (predicted <= 0) return p;
    p.section_time = static_cast<int>(std::lround(predicted));
    p.half_window = std::max(BOARD_MIN_HALF_WINDOW, static_cast<int>(std::lround(spread * predicted)));
    return p;
}

StationBoard make_station_board(int station, const std::vector<TeamRecord>& records,
                                const std::vector<RunnerNameRecord>& names, int now, int limit_state, int limit) {
    StationBoard board;
    board.station = station;
    if (station >= 0 && station < definition().station_count() && station < MAX_EKI) board.station_name = definition().station(station).work_name;
    board.now = now;
    board.limit_state = limit_state;
    board.limit = limit_state == 1 ? limit : BOARD_NO_TIME;

    struct Arrived {
        BoardArrival item;
        std::uint16_t seq;
    };
    std::vector<Arrived> arrived;
    std::vector<Pending> pending;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const TeamRecord& r = records[i];
        const int k = logical_station(r.division, station);
        if (k < 1 || k > division_sections(r.division)) continue;
        const StationBlock& b = r.blocks[k];
        if (time_is_valid(b.arrival)) {
            arrived.push_back({arrival_of(r, k), static_cast<std::uint16_t>(b.input_seq)});
            continue;
        }
        const int departure = clock_seconds(r.blocks[k - 1].departure);
        if (departure == BOARD_NO_TIME || passed(r, k)) continue;
        BoardComing c{r.team_no, r.name, r.division, is_open(r), i < names.size() ? names[i].runner(k) : "",
                      departure, BOARD_NO_TIME, BOARD_NO_TIME, BOARD_NO_TIME, BOARD_NO_TIME, 0, false};
        const Prediction p = predict_section(records, r, k);
        int cumul_key = BOARD_NO_TIME;
        if (p.section_time != BOARD_NO_TIME) {
            c.predicted = departure + p.section_time;
            c.earliest = c.predicted - p.half_window;
            c.latest = c.predicted + p.half_window;
            c.late = now > c.latest;
            if (const int before = cumul_seconds(r, k - 1); before != BOARD_NO_TIME) cumul_key = before + p.section_time;
        }
        if (k > 1) {
            const int own = cumul_seconds(r, k - 1), leader = leader_time(records, r.division, k - 1);
            if (own != BOARD_NO_TIME && leader != BOARD_NO_TIME) c.gap = own - leader;
        }
        pending.push_back({c, cumul_key});
    }

    // Newest first; the same second in the order typed, the last typed first.
    std::stable_sort(arrived.begin(), arrived.end(), [](const Arrived& a, const Arrived& b) {
        return std::tie(b.item.arrival, b.seq) < std::tie(a.item.arrival, a.seq);
    });
    board.arrived_count = static_cast<int>(arrived.size());
    for (std::size_t i = 0; i < arrived.size() && i < static_cast<std::size_t>(BOARD_ARRIVALS); ++i)
        board.arrivals.push_back(arrived[i].item);

    fill_would_be_ranks(pending, records, station);
    // Unpredicted teams last.
    std::stable_sort(pending.begin(), pending.end(), [](const Pending& a, const Pending& b) {
        const auto key = [](const Pending& p) {
            return std::make_tuple(p.item.predicted == BOARD_NO_TIME, p.item.predicted, p.item.team_no);
        };
        return key(a) < key(b);
    });
    for (const Pending& p : pending) {
        board.coming.push_back(p.item);
        if (board.limit != BOARD_NO_TIME && p.item.predicted != BOARD_NO_TIME && p.item.latest > board.limit)
            board.carried.push_back(p.item);
    }
    return board;
}

bool is_board_station(int station) {
    for (int d = 0; d < definition().division_count() && d < MAX_BUMON; ++d)
        if (logical_station(d, station) >= 1) return true;
    return false;
}

std::vector<int> board_stations() {
    std::vector<int> list;
    for (int s = 0; s < definition().station_count() && s < MAX_EKI; ++s)
        if (is_board_station(s)) list.push_back(s);
    return list;
}

BoardData read_board_data() {
    BoardData data;
    if (!file_exists(MASTFILE_NAME)) {
        data.problem = "MASTFILE.DAT がまだありません";
        return data;
    }
    // A header cut short would be a fatal stop in mast_open: a board has nothing to stop.
    std::error_code ec;
    if (std::filesystem::file_size(MASTFILE_NAME, ec) < static_cast<std::uintmax_t>(MAST_HEADER_SIZE) || ec) {
        data.problem = "MASTFILE.DAT が壊れています";
        return data;
    }
    unsigned char bytes[MAST_HEADER_SIZE];
    mast_open(MASTFILE_NAME, "rb", bytes);
    // Records of another layout would be read as nonsense.
    const MastHeader header = decode_mast_header(bytes);
    if (!header.current_format() || header.max_kukan != definition().max_sections() || header.rec_len != definition().master_record_size()) {
        data.problem = "MASTFILE.DAT が読み込んだ大会定義と合いません。ボードを起動し直してください";
        return data;
    }
    data.records = read_all_records();
    compute_times_and_ranks(data.records);
    if (file_exists(NAMEFILE_NAME)) data.names = read_name_records(data.records);
    return data;
}

StationBoard station_board(int station, const BoardData& data, int now) {
    int limit = BOARD_NO_TIME;
    const int state = carried_start_limit(station, limit);
    StationBoard board = make_station_board(station, data.records, data.names, now, state, limit);
    board.problem = data.problem;
    return board;
}

int clock_now() {
    int h = 0, m = 0, s = 0;
    std::sscanf(time_stamp(), "%d:%d:%d", &h, &m, &s);
    return h * 3600 + m * 60 + s;
}

std::string clock_text(int seconds) {
    if (seconds == BOARD_NO_TIME) return "--:--:--";
    char buf[24];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return buf;
}

std::string duration_text(int seconds) {
    if (seconds == BOARD_NO_TIME) return "";
    char buf[24];
    if (seconds >= 3600)
        std::snprintf(buf, sizeof buf, "%d:%02d'%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(buf, sizeof buf, "%d'%02d", seconds / 60, seconds % 60);
    return buf;
}

}  // namespace korvel
