#include "timing/consistency.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "eventdata/race_folder.h"
#include "shell/console_ui.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

constexpr int PRINT_LIMIT = 5;         // order and missing-departure warnings shown
constexpr int SPEED_PRINT_LIMIT = 10;  // speeds keep printing while at most this many found
constexpr int COLOR_RED = 12;
constexpr int COLOR_WHITE = 15;

// A record of a division the event does not have cannot be checked: its stations are
// unknown.
bool checkable(const TeamRecord& r) { return division_sections(r.division) > 0; }

void team_heading(const TeamRecord& r) {
    beep();
    set_color(COLOR_RED);
    cputs("\n警告 ");
    set_color(COLOR_WHITE);
    cprintf("チームＮｏ=%d %s（%s）\n", r.team_no, r.name, division_name(r.division));
}

// The first PRINT_LIMIT warnings of a run are shown, each team's under its heading.
class WarningPrinter {
public:
    // True when this warning is to be printed (the heading is then already out).
    bool next(const TeamRecord& r, int record_no) {
        ++total_;
        if (total_ > PRINT_LIMIT) return false;
        if (headed_record_ != record_no) {
            team_heading(r);
            headed_record_ = record_no;
        }
        return true;
    }
    int finish() const {
        if (total_ > PRINT_LIMIT)
            cprintf("\n警告は全部で %d件あります。初めの %d件だけを表示しました。\n", total_, PRINT_LIMIT);
        if (total_ > 0) wait_confirm();
        return total_;
    }

private:
    int total_ = 0;
    int headed_record_ = -1;
};

// Both times entered and the arrival at k earlier than the departure from k-1.
bool arrives_before_leaving(const TeamRecord& r, int k) {
    const RaceTime& arrival = r.blocks[k].arrival;
    const RaceTime& departure = r.blocks[k - 1].departure;
    return time_is_valid(arrival) && time_is_valid(departure) &&
           time_to_seconds(arrival) < time_to_seconds(departure);
}

void print_times(const RaceTime& arrival, const RaceTime& departure) {
    cprintf("\t\t到着時刻=%0d:%02d'%02d", arrival.h, arrival.m, arrival.s);
    cprintf("\t出発時刻=%0d:%02d'%02d\n", departure.h, departure.m, departure.s);
}

void print_early_arrival(const TeamRecord& r, int k) {
    cprintf("\t第%d中継所(%s)で到着時刻が第%d中継所(%s)の出発時刻より早い。\n", k, logical_station_name(r.division, k),
            k - 1, logical_station_name(r.division, k - 1));
    print_times(r.blocks[k].arrival, r.blocks[k - 1].departure);
}

// Section k of r: arrival(k) - departure(k-1), 0:00:00 unless a real duration.
RaceTime section_time(const TeamRecord& r, int k) {
    RaceTime t;
    // A clock time not entered has 127 hours; past 28:00 a plain subtraction would
    // turn it into a believable section time.
    if (time_is_none(r.blocks[k].arrival) || time_is_none(r.blocks[k - 1].departure)) {
        time_clear(t);
        return t;
    }
    time_sub(t, r.blocks[k].arrival, r.blocks[k - 1].departure);
    if (!time_is_set(t)) time_clear(t);
    return t;
}

// Distances are written with at most three decimals; rounding away the binary
// remainder of the subtraction keeps a speed of exactly a limit on the limit.
double rounded_section_distance(int division, int k) {
    return std::round(section_distance(division, k) * 1000.0) / 1000.0;
}

}  // namespace

int check_time_order(const char* file) {
    unsigned char header[MAST_HEADER_SIZE];
    Stream f = mast_open(file, "rb", header);
    if (!header_fits_event(header)) leave_for_rebuilt_data();
    WarningPrinter warnings;
    TeamRecord r;
    for (int n = 0; mast_read_next(f, r); ++n) {
        if (!checkable(r)) continue;
        for (int i = 0; i <= division_sections(r.division); ++i) {
            const StationBlock& b = r.blocks[i];
            if (i > 0 && arrives_before_leaving(r, i) && warnings.next(r, n)) print_early_arrival(r, i);
            if (time_to_seconds(b.arrival) >= time_to_seconds(b.departure)) continue;
            if (!warnings.next(r, n)) continue;
            cprintf("\t第%d中継所(%s)で到着時刻が出発時刻より早い。\n", i, logical_station_name(r.division, i));
            print_times(b.arrival, b.departure);
        }
    }
    f.close();
    return warnings.finish();
}

int entry_order_test(const TeamRecord& r, int k) {
    int sections = division_sections(r.division);
    int found = 0;
    for (int i = std::max(k, 1); i <= k + 1 && i <= sections; ++i) {
        if (!arrives_before_leaving(r, i)) continue;
        if (found++ == 0) team_heading(r);
        print_early_arrival(r, i);
    }
    return found;
}

int check_missing_times(int kind, const char* file) {
    if (kind != MISSING_DEPARTURE) return 0;
    unsigned char header[MAST_HEADER_SIZE];
    Stream f = mast_open(file, "rb", header);
    if (!header_fits_event(header)) leave_for_rebuilt_data();
    WarningPrinter warnings;
    TeamRecord r;
    for (int n = 0; mast_read_next(f, r); ++n) {
        for (int i = 1; i <= division_sections(r.division); ++i) {
            if (!time_is_valid(r.blocks[i].arrival) || time_is_valid(r.blocks[i - 1].departure)) continue;
            if (!warnings.next(r, n)) continue;
            cprintf("\t第%d中継所(%s)で出発時刻なし。第%d中継所(%s)で到着時刻あり。\n", i - 1,
                    logical_station_name(r.division, i - 1), i, logical_station_name(r.division, i));
        }
    }
    f.close();
    return warnings.finish();
}

int speed_test(const TeamRecord& r, int k, bool print) {
    if (k <= 0 || k > division_sections(r.division)) return 0;
    RaceTime t = section_time(r, k);
    int seconds = time_to_seconds(t);
    if (seconds == 0) return 0;
    double distance = rounded_section_distance(r.division, k);
    double speed = distance * 3600.0 / seconds;
    // A speed equal to a limit counts as beyond it, whatever the last binary digit.
    constexpr double eps = 1e-9;
    if (speed > definition().slow_speed_limit() + eps && speed < definition().fast_speed_limit() - eps) return 0;
    if (print) {
        beep();
        set_color(COLOR_RED);
        cputs("\n異常スピード");
        set_color(COLOR_WHITE);
        cprintf("%6.2fkm/h No=%d %s %d区", speed, r.team_no, r.name, k);
        char kyori[KYORI_TEXT_SIZE];
        print_kyori(nullptr, kyori, distance, 6, "km");
        cputs(kyori);
        cprintf(" %s→%s", logical_station_name(r.division, k - 1), logical_station_name(r.division, k));
    }
    return 1;
}

int speed_check(const char* file) {
    unsigned char header[MAST_HEADER_SIZE];
    Stream f = mast_open(file, "rb", header);
    if (!header_fits_event(header)) leave_for_rebuilt_data();
    int total = 0;
    TeamRecord r;
    while (mast_read_next(f, r)) {
        for (int i = 1; i <= division_sections(r.division); ++i) total += speed_test(r, i, total <= SPEED_PRINT_LIMIT);
    }
    f.close();
    if (total > 0) {
        cprintf("\n異常スピードは全部で %d 件あります\n", total);
        wait_confirm();
    }
    return total;
}

void check_merged_times(const char* file) {
    check_time_order(file);
    speed_check(file);
}

std::vector<TieGroup> same_time_groups(const std::vector<TeamRecord>& records) {
    std::vector<TieGroup> groups;
    for (int s = 1; s < definition().station_count(); ++s) {
        const std::vector<TieItem> items = collect_tie_items(records, s);
        for (std::size_t i = 0; i < items.size();) {
            std::size_t j = i + 1;
            while (j < items.size() && items[j].division == items[i].division &&
                   items[j].cumul_key == items[i].cumul_key)
                ++j;
            if (j - i >= 2) groups.push_back({s, std::vector<TieItem>(items.begin() + i, items.begin() + j)});
            i = j;
        }
    }
    return groups;
}

}  // namespace korvel
