#include "checks/questionable_speed.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "eventdata/kihondat.h"
#include "shell/console_ui.h"
#include "shell/options.h"
#include "shell/report.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

constexpr int STATION_NAME_COLUMNS = 12;
constexpr int TEAM_NAME_COLUMNS = 24;
// A speed on a limit counts as beyond it, whatever the last binary digit says.
constexpr double LIMIT_EPS = 1e-9;
const char* const KIND_NAMES[] = {"速すぎる", "遅すぎる"};

bool by_station_less(const SpeedItem& a, const SpeedItem& b) {
    if (a.end_station != b.end_station) return a.end_station < b.end_station;
    if (a.division != b.division) return a.division < b.division;
    if (a.section != b.section) return a.section < b.section;
    return a.record < b.record;
}

// "start → end  i区 " distance, section time; the columns both orders share.
void write_section(Report& report, const TeamRecord& r, int i) {
    report.printf("%-*s → %-*s %2d区 ", STATION_NAME_COLUMNS, logical_station_name(r.division, i - 1),
                  STATION_NAME_COLUMNS, logical_station_name(r.division, i), i);
    print_kyori(report.out(), nullptr, section_distance(r.division, i), 6, "km");
}

void write_time_and_team(Report& report, const TeamRecord& r, int i) {
    char buf[TIME_TEXT_SIZE];
    format_time_fixed(r.blocks[i].section_time, buf, 9, TIME_CHECK_VALID, "");
    report.puts(buf);
    report.printf("  %3d:%-*s  %s\n", r.team_no, TEAM_NAME_COLUMNS, r.name, division_name(r.division));
}

}  // namespace

double section_speed(const TeamRecord& r, int i) {
    if (i < 1 || i > division_sections(r.division)) return 0;
    const int seconds = time_to_seconds(r.blocks[i].section_time);
    if (seconds <= 0) return 0;
    // Distances carry at most three decimals; rounding drops the remainder of the
    // subtraction so that a speed on a limit stays on it.
    const double km = std::round(section_distance(r.division, i) * 1000.0) / 1000.0;
    return km * 3600.0 / seconds;
}

std::vector<SpeedItem> collect_questionable_speeds(const std::vector<TeamRecord>& records) {
    std::vector<SpeedItem> items;
    for (std::size_t n = 0; n < records.size(); ++n) {
        const TeamRecord& r = records[n];
        const int d = r.division;
        for (int i = 1; i <= division_sections(d); ++i) {
            // Only a section without a time is skipped: one of zero or negative length
            // (a repeated or mistyped distance in EKI.TXT) has speed 0 or below and is
            // listed as too slow, which is what this list is for.
            if (time_to_seconds(r.blocks[i].section_time) <= 0) continue;
            const double speed = section_speed(r, i);
            const bool slow = speed <= definition().division(d).min_speed + LIMIT_EPS;
            if (!slow && speed < definition().division(d).max_speed - LIMIT_EPS) continue;
            if (static_cast<int>(items.size()) + 1 >= SPEED_ITEM_LIMIT) {
                cputs("\n疑問スピードの件数が多すぎます\n");
                fix_file("BUMON.TXT");
            }
            items.push_back(SpeedItem{static_cast<std::uint8_t>(physical_station(d, i)), static_cast<std::uint8_t>(i),
                                      static_cast<std::uint8_t>(d), static_cast<std::int32_t>(n), speed,
                                      slow ? SPEED_TOO_SLOW : SPEED_TOO_FAST});
        }
    }
    return items;
}

void sort_by_kind(std::vector<SpeedItem>& items) {
    std::sort(items.begin(), items.end(), [](const SpeedItem& a, const SpeedItem& b) {
        if (a.kind != b.kind) return a.kind < b.kind;
        if (a.speed != b.speed) return a.kind == SPEED_TOO_FAST ? a.speed > b.speed : a.speed < b.speed;
        return by_station_less(a, b);
    });
}

void sort_by_station(std::vector<SpeedItem>& items) { std::sort(items.begin(), items.end(), by_station_less); }

void write_speeds_by_kind(Report& report, const std::vector<TeamRecord>& records,
                          const std::vector<SpeedItem>& items) {
    report.title("疑問スピード");
    if (items.empty()) report.puts("該当なし\n");
    int kind = -1;
    for (const SpeedItem& item : items) {
        if (item.kind != kind) {
            kind = item.kind;
            report.printf("\n◆%s\n", KIND_NAMES[kind]);
            report.printf("  スピード%*s距離   タイム\n", 39, "");
        }
        const TeamRecord& r = records[item.record];
        report.printf("%6.2fkm/h ", item.speed);
        write_section(report, r, item.section);
        write_time_and_team(report, r, item.section);
    }
}

void write_speeds_by_station(Report& report, const std::vector<TeamRecord>& records,
                             const std::vector<SpeedItem>& items) {
    if (items.empty()) {
        report.puts("該当なし\n");
        return;
    }
    report.title("疑問スピード");
    report.printf("\n%*s距離   スピード    タイム\n", 38, "");
    for (const SpeedItem& item : items) {
        const TeamRecord& r = records[item.record];
        write_section(report, r, item.section);
        report.printf(" %6.2fkm/h ", section_speed(r, item.section));
        write_time_and_team(report, r, item.section);
    }
}

void questionable_speed_list() {
    const std::vector<TeamRecord> records = read_all_records();
    std::vector<SpeedItem> items = collect_questionable_speeds(records);
    std::string value;
    const bool by_station = get_option("GIMON_SPEED_SORTTYPE", value) && option_int(value) == 2;
    if (by_station) {
        sort_by_station(items);
    } else {
        sort_by_kind(items);
    }
    Report report(print_key::QUESTIONABLE_SPEED);
    if (by_station) {
        write_speeds_by_station(report, records, items);
    } else {
        write_speeds_by_kind(report, records, items);
    }
    report.new_page();
    report.deliver();
}

}  // namespace korvel
