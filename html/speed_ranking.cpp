#include "html/speed_ranking.h"

#include <algorithm>

#include "eventdata/runner_names.h"
#include "reports/results_list.h"
#include "shell/options.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

constexpr int TEAM_NAME_COLUMNS = 24;
constexpr int STATION_COLUMNS = 12;

// One ranked section as both forms show it; the texts from the race files are cells,
// padded in the text form and escaped on a page.
struct SpeedLine {
    int rank;
    Cell runner;
    int team_no;
    Cell team;
    double speed;
    int section;
    Cell from;
    Cell to;
    double distance;
    RaceTime time;
    int section_rank;
};

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

std::string time_text(RaceTime t) {
    char buf[TIME_TEXT_SIZE];
    format_time_fixed(t, buf, 9, TIME_CHECK_SET, "");
    return buf;
}

std::string kyori_text(double distance, int width, const char* unit) {
    char buf[KYORI_TEXT_SIZE];
    print_kyori(nullptr, buf, distance, width, unit, KYORI_TEXT_SIZE);
    return buf;
}

Row text_row(const SpeedLine& l) {
    return {plain(formatted("%4d:", l.rank)),
            plain(" " + padded(l.runner)),
            plain(formatted("(%3d ", l.team_no) + padded(l.team) + ")"),
            plain(formatted(" %5.2fkm/h", l.speed)),
            plain(formatted(" %2d区", l.section)),
            plain(" " + padded(l.from) + " → " + padded(l.to)),
            plain(kyori_text(l.distance, 6, "km")),
            plain(time_text(l.time))};
}

// The columns a browser sizes by their widest entry: the first row with the greatest
// value of each gets " nowrap".
enum Widest { RUNNER, TEAM, FROM, TO, DISTANCE, TIME, WIDEST_COLUMNS };

int column_value(const SpeedLine& l, int column) {
    switch (column) {
    case RUNNER: return static_cast<int>(l.runner.text.size());
    case TEAM: return static_cast<int>(std::to_string(l.team_no).size() + l.team.text.size());
    case FROM: return static_cast<int>(l.from.text.size());
    case TO: return static_cast<int>(l.to.text.size());
    case DISTANCE: return static_cast<int>(l.distance);
    default: return time_to_seconds(l.time);
    }
}

const char* nowrap(bool on) { return on ? " nowrap" : ""; }

std::string html_row(const SpeedLine& l, const bool* widest, bool first, const HtmlColors& colors) {
    std::string row = formatted("<tr><td>%d</td>", l.rank);
    row += cell_opening(colors, l.section_rank, widest[RUNNER], " align=left") + html_text(l.runner) + "</td>";
    row += formatted("<td>%d</td>", l.team_no);
    row += formatted("<td align=left%s>", nowrap(widest[TEAM])) + html_text(l.team) + "</td>";
    row += formatted("<th%s>%s</th>", nowrap(first), without_leading_blanks(formatted("%7.2f", l.speed)).c_str());
    row += formatted("<td>%d</td>", l.section);
    row += formatted("<td align=left%s>", nowrap(widest[FROM])) + html_text(l.from) + "</td>";
    row += formatted("<td align=left%s>", nowrap(widest[TO])) + html_text(l.to) + "</td>";
    row += formatted("<td%s>%s</td>", nowrap(widest[DISTANCE]), without_leading_blanks(kyori_text(l.distance, 7, "")).c_str());
    row += formatted("<td%s>%s</td>", nowrap(widest[TIME]), without_leading_blanks(time_text(l.time)).c_str());
    row += l.section_rank < 1 ? std::string("<td>-</td>") : formatted("<td>%d</td>", l.section_rank);
    row += "</tr>\n";
    return row;
}

std::vector<SpeedLine> speed_lines(int d, const std::vector<TeamRecord>& records,
                                   const std::vector<RunnerNameRecord>& names, int w) {
    std::vector<SpeedLine> lines;
    for (const RankedSpeed& r : speed_ranking(records, d)) lines.push_back(speed_line(r, records, names, w));
    return lines;
}

}  // namespace

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
    if (recompute_results(true, true) == 0) print_speed_ranking();
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

std::string html_speed_ranking(int d, const std::vector<TeamRecord>& records, const std::vector<RunnerNameRecord>& names,
                               const std::string& table_tag, const HtmlColors& colors) {
    const std::vector<SpeedLine> lines = speed_lines(d, records, names, 0);
    if (lines.empty()) return {};
    std::size_t widest_row[WIDEST_COLUMNS] = {};
    for (int c = 0; c < WIDEST_COLUMNS; ++c) {
        for (std::size_t i = 1; i < lines.size(); ++i)
            if (column_value(lines[i], c) > column_value(lines[widest_row[c]], c)) widest_row[c] = i;
    }
    const std::string event = html_escape(event_name());
    const std::string division = html_escape(division_name(d));
    std::string table = "<br>\n" + table_tag + "<tbody align=right>\n";
    table += "<tr bgcolor=aqua><th colspan=11 align=left>" + event + "　" + division + "　スピードランキング</th></tr>\n";
    table += "<tr bgcolor=aqua>\n<th align=left nowrap>順位</th>\n<th align=left>選手</th>\n<th align=left nowrap>No.</th>\n"
             "<th align=left>チーム名</th>\n<th nowrap>km/h</th>\n<th>区</th>\n<th align=left>発駅</th>\n"
             "<th align=left>着駅</th>\n<th nowrap>km</th>\n<th nowrap>タイム</th><th nowrap>区間順位</th>\n</tr>\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        bool widest[WIDEST_COLUMNS];
        for (int c = 0; c < WIDEST_COLUMNS; ++c) widest[c] = widest_row[c] == i;
        table += html_row(lines[i], widest, i == 0, colors);
    }
    return table;
}

}  // namespace korvel
