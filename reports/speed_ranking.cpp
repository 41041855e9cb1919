#include "reports/speed_ranking.h"

#include <algorithm>

#include "eventdata/runner_names.h"
#include "reports/results_list.h"
#include "shell/options.h"
#include "shell/sjis.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

constexpr int TEAM_NAME_COLUMNS = 24;
constexpr int STATION_COLUMNS = 12;

SpeedLine speed_line(const RankedSpeed& ranked, const std::vector<TeamRecord>& records,
                     const std::vector<RunnerNameRecord>& names, int w) {
    const SpeedEntry& e = ranked.entry;
    const TeamRecord& team = records[static_cast<std::size_t>(e.record)];
    const std::size_t rec = static_cast<std::size_t>(e.record);
    const char* runner = rec < names.size() ? names[rec].runner(e.section) : "";
    const int d = team.division;
    return SpeedLine{ranked.rank,
                     left(runner, w),
                     team.team_no,
                     left(team.name, TEAM_NAME_COLUMNS),
                     e.speed,
                     e.section,
                     right(logical_station_name(d, e.section - 1), STATION_COLUMNS),
                     left(logical_station_name(d, e.section), STATION_COLUMNS),
                     section_distance(d, e.section),
                     team.blocks[e.section].section_time,
                     e.section_rank};
}

Row text_row(const SpeedLine& l) {
    return {plain(formatted("%4d:", l.rank)),
            plain(" " + padded(l.runner)),
            plain(formatted("(%3d ", l.team_no) + padded(l.team) + ")"),
            plain(formatted(" %5.2fkm/h", l.speed)),
            plain(formatted(" %2d区", l.section)),
            plain(" " + padded(l.from) + " → " + padded(l.to)),
            plain(kyori_text(l.distance, 6, "km")),
            plain(section_time_text(l.time))};
}

}  // namespace

std::string kyori_text(double distance, int width, const char* unit) {
    char buf[KYORI_TEXT_SIZE];
    print_kyori(nullptr, buf, distance, width, unit, KYORI_TEXT_SIZE);
    return buf;
}

std::string section_time_text(RaceTime t) {
    char buf[TIME_TEXT_SIZE];
    format_time_fixed(t, buf, 9, TIME_CHECK_SET, "");
    return buf;
}

std::vector<SpeedLine> speed_lines(int d, const std::vector<TeamRecord>& records,
                                   const std::vector<RunnerNameRecord>& names, int w) {
    std::vector<SpeedLine> lines;
    for (const RankedSpeed& r : speed_ranking(records, d)) lines.push_back(speed_line(r, records, names, w));
    return lines;
}

std::vector<RankedSpeed> speed_ranking(const std::vector<TeamRecord>& records, int d) {
    std::vector<RankedSpeed> ranked;
    const int n = division_sections(d);
    for (std::size_t rec = 0; rec < records.size(); ++rec) {
        const TeamRecord& r = records[rec];
        if (r.division != d) continue;
        for (int c = 1; c <= n; ++c) {
            const StationBlock& b = r.blocks[c];
            if (!time_is_valid(b.section_time) || !time_is_set(b.section_time)) continue;
            const double speed = section_distance(d, c) / static_cast<double>(time_to_hours(b.section_time));
            ranked.push_back({SpeedEntry{b.section_rank, speed, static_cast<std::int32_t>(rec), static_cast<std::int8_t>(c)}, 0});
        }
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const RankedSpeed& a, const RankedSpeed& b) { return a.entry.speed > b.entry.speed; });
    double previous = -1.0;
    for (std::size_t i = 0; i < ranked.size(); ++i) {
        ranked[i].rank = i > 0 && ranked[i].entry.speed == previous ? ranked[i - 1].rank : static_cast<int>(i) + 1;
        previous = ranked[i].entry.speed;
    }
    return ranked;
}

void speed_ranking_entry() {
    if (recompute_results(true, true)) print_speed_ranking();
}

void print_speed_ranking() {
    const int w = runner_name_width();
    const std::vector<TeamRecord> records = read_all_records();
    const std::vector<RunnerNameRecord> names = read_name_records(records);
    std::vector<std::vector<SpeedLine>> divisions_lines;
    for (int d = 0; d < definition().division_count() && d < MAX_BUMON; ++d) divisions_lines.push_back(speed_lines(d, records, names, w));

    Report report(print_key::SPEED_RANKING);
    for (std::size_t d = 0; d < divisions_lines.size(); ++d) {
        if (divisions_lines[d].empty()) continue;
        report.puts("\n");
        write_text_row(report, {plain(report_title("スピード・ランキング表"))});
        write_text_row(report, {plain(division_name(d))});
        for (const SpeedLine& l : divisions_lines[d]) write_text_row(report, text_row(l));
        report.new_page();
    }
    report.deliver();
}

void print_speed_table() {
    static const int distances[] = {100, 800, 1000, 1500, 5000, 10000, 42195};
    Report report(print_key::SPEED_TABLE);
    report.puts("スピード：タイム換算表\n\n");
    report.puts("km/h");
    for (int d : distances) report.printf("\t%*dm", 6, d);
    report.puts("\n");
    for (int tenths = 300; tenths >= 45; tenths -= 5) {
        double speed = tenths / 10.0;
        report.printf("%4.1f", speed);
        for (int d : distances) {
            // d / (speed * 1000 / 3600) from the whole tenths: exact where the time is a
            // whole number of seconds, which the cut to seconds below must not lose.
            double t = d * 36.0 / tenths;
            if (t < 60) {
                report.printf("\t%7.2f", t);
            } else {
                RaceTime rt;
                seconds_to_time(rt, static_cast<int>(t));
                char buf[20];
                format_time_fixed(rt, buf, 9, 0, "");
                report.printf("\t%s", buf + 2);
            }
        }
        report.puts("\n");
    }
    report.deliver();
}

}  // namespace korvel
