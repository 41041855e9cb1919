#include "timing/consistency.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "shell/console_ui.h"
#include "shell/output.h"

namespace korvel {

namespace {

constexpr int PRINT_LIMIT = 5;         // order and missing-departure warnings shown
constexpr int SPEED_PRINT_LIMIT = 10;  // speeds keep printing while at most this many found
constexpr int COLOR_RED = 12;
constexpr int COLOR_WHITE = 15;

// Sections of the record's division, or -1 when the division index is damaged (such a
// record cannot be checked: its stations are unknown).
int sections_of(const TeamRecord& r) {
    if (r.division >= bumon_suu || r.division >= MAX_BUMON) return -1;
    int n = divisions[r.division].kukan_suu;
    if (n < 0) return -1;
    return std::min({n, max_kukan, MAX_KUKAN});
}

const char* station_name(int division, int k) {
    if (division < 0 || division >= MAX_BUMON || k < 0 || k > MAX_KUKAN) return "";
    int p = log_to_phy[division][k];
    if (p < 0 || p >= eki_suu) return "";
    return stations[p].name;
}

void team_heading(const TeamRecord& r) {
    beep();
    set_color(COLOR_RED);
    cputs("\n警告 ");
    set_color(COLOR_WHITE);
    cprintf("チームＮｏ=%d %s（%s）\n", r.team_no, r.name, divisions[r.division].name);
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
    cprintf("\t第%d中継所(%s)で到着時刻が第%d中継所(%s)の出発時刻より早い。\n", k, station_name(r.division, k),
            k - 1, station_name(r.division, k - 1));
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

struct TieItem {
    std::uint8_t division;
    std::int16_t team_no;
    std::int32_t key;
    std::uint16_t input_seq;
    std::uint8_t marker;  // physical station of the first earlier carried start, 0 none
    int record;           // index into the records read
    int station;          // logical station b of the division
};

bool tie_less(const TieItem& a, const TieItem& b) {
    if (a.division != b.division) return a.division < b.division;
    if (a.key != b.key) return a.key < b.key;
    if (a.input_seq != b.input_seq) return a.input_seq < b.input_seq;
    return a.team_no < b.team_no;
}

std::vector<TeamRecord> read_all_records(const char* file) {
    std::vector<TeamRecord> records;
    unsigned char header[MAST_HEADER_SIZE];
    Stream f = mast_open(file, "rb", header);
    TeamRecord r;
    while (mast_read_next(f, r)) records.push_back(r);
    return records;
}

}  // namespace

int check_time_order(const char* file) {
    unsigned char header[MAST_HEADER_SIZE];
    Stream f = mast_open(file, "rb", header);
    WarningPrinter warnings;
    TeamRecord r;
    for (int n = 0; mast_read_next(f, r); ++n) {
        int sections = sections_of(r);
        for (int i = 0; i <= sections; ++i) {
            const StationBlock& b = r.blocks[i];
            if (i > 0 && arrives_before_leaving(r, i) && warnings.next(r, n)) print_early_arrival(r, i);
            if (time_to_seconds(b.arrival) >= time_to_seconds(b.departure)) continue;
            if (!warnings.next(r, n)) continue;
            cprintf("\t第%d中継所(%s)で到着時刻が出発時刻より早い。\n", i, station_name(r.division, i));
            print_times(b.arrival, b.departure);
        }
    }
    f.close();
    return warnings.finish();
}

int entry_order_test(const TeamRecord& r, int k) {
    int sections = sections_of(r);
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
    WarningPrinter warnings;
    TeamRecord r;
    for (int n = 0; mast_read_next(f, r); ++n) {
        int sections = sections_of(r);
        for (int i = 1; i <= sections; ++i) {
            if (!time_is_valid(r.blocks[i].arrival) || time_is_valid(r.blocks[i - 1].departure)) continue;
            if (!warnings.next(r, n)) continue;
            cprintf("\t第%d中継所(%s)で出発時刻なし。第%d中継所(%s)で到着時刻あり。\n", i - 1,
                    station_name(r.division, i - 1), i, station_name(r.division, i));
        }
    }
    f.close();
    return warnings.finish();
}

int speed_test(const TeamRecord& r, int k, bool print) {
    int sections = sections_of(r);
    if (k <= 0 || k > sections) return 0;
    RaceTime t = section_time(r, k);
    int seconds = time_to_seconds(t);
    if (seconds == 0) return 0;
    double distance = rounded_section_distance(r.division, k);
    double speed = distance * 3600.0 / seconds;
    // A speed equal to a limit counts as beyond it, whatever the last binary digit.
    constexpr double eps = 1e-9;
    if (speed > slow_speed_limit + eps && speed < fast_speed_limit - eps) return 0;
    if (print) {
        beep();
        set_color(COLOR_RED);
        cputs("\n異常スピード");
        set_color(COLOR_WHITE);
        cprintf("%6.2fkm/h No=%d %s %d区", speed, r.team_no, r.name, k);
        char kyori[KYORI_TEXT_SIZE];
        print_kyori(nullptr, kyori, distance, 6, "km");
        cputs(kyori);
        cprintf(" %s→%s", station_name(r.division, k - 1), station_name(r.division, k));
    }
    return 1;
}

int speed_check(const char* file) {
    unsigned char header[MAST_HEADER_SIZE];
    Stream f = mast_open(file, "rb", header);
    int total = 0;
    TeamRecord r;
    while (mast_read_next(f, r)) {
        int sections = sections_of(r);
        for (int i = 1; i <= sections; ++i) total += speed_test(r, i, total <= SPEED_PRINT_LIMIT);
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

void same_time_check_list() {
    std::vector<TeamRecord> records = read_all_records(MASTFILE_NAME);
    open_fpout();
    bool printed = false;
    std::vector<TieItem> items;
    for (int s = 1; s < eki_suu; ++s) {
        items.clear();
        for (int n = 0; n < static_cast<int>(records.size()); ++n) {
            const TeamRecord& r = records[n];
            int sections = sections_of(r);
            if (sections < 0) continue;
            int b = phy_to_log[r.division][s];
            if (b < 1 || b > sections) continue;
            if (!time_is_set(r.blocks[b].cumul_time)) continue;
            TieItem item{};
            item.division = r.division;
            item.team_no = r.team_no;
            item.key = time_to_seconds(r.blocks[b].cumul_time);
            item.input_seq = static_cast<std::uint16_t>(r.blocks[b].input_seq);
            for (int j = 1; j < b; ++j) {
                if (time_differs(r.blocks[j].departure, r.blocks[j].arrival)) {
                    int p = log_to_phy[r.division][j];
                    item.marker = p > 0 ? static_cast<std::uint8_t>(p) : 0;
                    break;
                }
            }
            item.record = n;
            item.station = b;
            items.push_back(item);
        }
        std::sort(items.begin(), items.end(), tie_less);

        bool station_shown = false;
        for (std::size_t i = 0; i < items.size();) {
            std::size_t j = i + 1;
            while (j < items.size() && items[j].division == items[i].division && items[j].key == items[i].key) ++j;
            if (j - i >= 2) {
                if (!station_shown) {
                    std::fprintf(fpout, "\n*** %s 同タイム・チェック・リスト ***  %s\n", event_name(),
                                 date_time_stamp());
                    std::fprintf(fpout, "%02d %s\n", s, stations[s].name);
                    station_shown = true;
                    printed = true;
                }
                const DivisionInfo& d = divisions[items[i].division];
                std::fprintf(fpout, "\n%s", d.name);
                if (items[i].station == d.kukan_suu) std::fprintf(fpout, "（ゴール）\n");
                else std::fprintf(fpout, "（第 %d 中継所）\n", items[i].station);
                for (std::size_t m = i; m < j; ++m) {
                    const TeamRecord& r = records[items[m].record];
                    const StationBlock& blk = r.blocks[items[m].station];
                    std::fprintf(fpout, "    %3d: %-24s ", r.team_no, r.name);
                    char time_text[TIME_TEXT_SIZE];
                    format_time_fixed(blk.cumul_time, time_text, 11, TIME_CHECK_SET, "");
                    std::fputs(time_text, fpout);
                    if (r.open_flag == '1') std::fputs("オープン参加", fpout);
                    else std::fprintf(fpout, "%3d位", blk.cumul_rank);
                    if (items[m].marker != 0 && items[m].marker < eki_suu)
                        std::fprintf(fpout, " %sで繰上出発している", stations[items[m].marker].name);
                    std::fputs("\n", fpout);
                }
            }
            i = j;
        }
    }
    if (printed) out_new_page();
    closefpout_and_callprt("PRINTCMD66");
}

}  // namespace korvel
