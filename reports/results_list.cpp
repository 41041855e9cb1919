#include "reports/results_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "eventdata/runner_names.h"
#include "shell/console_ui.h"
#include "shell/options.h"
#include "shell/sjis.h"
#include "prompts/selection.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

// The longest division name and the blank after it.
constexpr int DIVISION_CELL_COLUMNS = DIVISION_NAME_LEN + 1;
constexpr int RANK_COLUMNS = 3;
constexpr int TEAM_NAME_COLUMNS = 24;
constexpr int OPEN_ENTRY_COLUMNS = 22;
constexpr int TEAM_NO_COLUMNS = 6;
constexpr int TOTAL_TIME_COLUMNS = 10;
constexpr int TIME_COLUMNS = 13;
constexpr int ROUTE_DISTANCE_COLUMNS = 7;
constexpr int SECTION_DISTANCE_COLUMNS = 6;
// More empty lines than a page holds only waste paper.
constexpr int MAX_LF = 99;

// A section cell: the text right-aligned in the column of width w + 1.
Cell section_cell(int w, std::string text) { return right(std::move(text), w + 1); }

std::string kyori_text(double distance, int width) {
    char text[KYORI_TEXT_SIZE];
    print_kyori(nullptr, text, distance, width, "km", sizeof text);
    return text;
}

// The marks stand before the runner's name as long as name and marks fit the column:
// "*" for the section winner, "&" for a carried start.
std::string runner_cell(int w, const TeamRecord& team, const RunnerNameRecord& names, int i) {
    const char* name = names.runner(i);
    const std::size_t len = std::strlen(name);
    const std::size_t column = static_cast<std::size_t>(w) + 1;
    std::string cell;
    if (team.blocks[i].section_rank == 1 && len < column) cell += "*";
    if (time_differs(team.blocks[i - 1].departure, team.blocks[i - 1].arrival) && cell.size() + len < column)
        cell += "&";
    cell += name;
    return cell;
}

std::string time_rank_text(RaceTime t, int rank, char open, char close) {
    char buf[TIME_TEXT_SIZE];
    format_time_rank(t, buf, rank, open, close, TIME_COLUMNS, TIME_CHECK_SET, "");
    return buf;
}
// The logical station division d is listed up to; -1: not listed.
int target_station(int station, const DivisionSelection& divisions, int d) {
    if (station == AT_GOAL) return divisions.chosen(d) ? division_sections(d) : -1;
    return logical_station(d, station);
}

}  // namespace


SeisekiData gather_seiseki(int station, const DivisionSelection& divisions) {
    SeisekiData data;
    data.divisions = divisions;
    data.w = runner_name_width();
    std::string value;
    data.lf = get_option("LF", value) ? std::clamp(option_int(value), 0, MAX_LF) : 0;
    data.has_senden = get_option("SENDEN", data.senden);
    data.teams = read_all_records();
    data.names = read_name_records(data.teams);
    const ListingOrder order = listing_order_of(data.teams, station);
    for (int d = 0; d < definition().division_count() && d < MAX_BUMON; ++d) data.order.push_back(order.of_division(d));
    return data;
}

Row seiseki_title_row(int n, int d) {
    return {plain(report_title(n == division_sections(d) ? "部門別成績一覧表" : "中間成績一覧表"))};
}

Cell seiseki_division_cell(int d) { return left(division_name(d), DIVISION_CELL_COLUMNS); }

std::vector<Row> seiseki_heading_rows(int n, int w, int d) {
    // The division name stands before the first row, whose own first cell is a blank
    // and an empty one: every row has 28 columns before the sections.
    Row numbers = {right("", 1), plain("")};
    Row starts = {plain("   "), plain(kyori_text(distance_between(d, 0, n), ROUTE_DISTANCE_COLUMNS) + std::string(16, ' '))};
    Row distances = {plain(" 順"), plain(std::string(10, ' ') + "*:区間賞       ")};
    Row ends = {plain(" 位"), plain(std::string(10, ' ') + "&:繰上出発     ")};
    for (int i = 1; i <= n; ++i) {
        char number[16], wide[40];
        std::snprintf(number, sizeof number, "%d", i);
        to_full_width(number, wide, sizeof wide);
        numbers.push_back(section_cell(w, std::string("第") + wide + "区"));
        starts.push_back(section_cell(w, logical_station_name(d, i - 1)));
        distances.push_back(section_cell(w, kyori_text(section_distance(d, i), SECTION_DISTANCE_COLUMNS) + "↓"));
        ends.push_back(section_cell(w, logical_station_name(d, i)));
    }
    return {numbers, starts, distances, ends};
}

std::vector<Row> seiseki_team_rows(int w, int n, const TeamRecord& team, const RunnerNameRecord& names) {
    n = std::clamp(n, 0, MAX_KUKAN);
    const StationBlock& at_n = team.blocks[n];
    const std::string blank(RANK_COLUMNS, ' ');

    Row runners = {at_n.cumul_rank >= 1 ? right(std::to_string(at_n.cumul_rank), RANK_COLUMNS) : plain(blank),
                   left(std::string(" ") + team.name, 1 + TEAM_NAME_COLUMNS)};
    // The total time is 9 columns when there is one, 10 blanks when not: a row with a
    // total is one column shorter than the others.
    char total[TIME_TEXT_SIZE];
    format_time_fixed(at_n.cumul_time, total, TOTAL_TIME_COLUMNS, TIME_CHECK_SET, "");
    Row times = {plain(blank), plain("   ﾁｰﾑNo:" + padded(left(std::to_string(team.team_no), TEAM_NO_COLUMNS)) + total)};
    Row cumulative = {plain(blank), left(std::string("   ") + (team.open_flag == '1' ? "(オープン参加)" : ""),
                                         3 + OPEN_ENTRY_COLUMNS)};
    for (int i = 1; i <= n; ++i) {
        const StationBlock& b = team.blocks[i];
        runners.push_back(section_cell(w, runner_cell(w, team, names, i)));
        times.push_back(section_cell(w, time_rank_text(b.section_time, b.section_rank, '<', '>')));
        cumulative.push_back(section_cell(w, time_rank_text(b.cumul_time, b.cumul_rank, '[', ']')));
    }
    return {runners, times, cumulative};
}

void print_seiseki_header(Report& report, const SeisekiData& data, int n, int d) {
    if (data.has_senden) report.puts(data.senden);
    report.puts("\n");
    write_text_row(report, seiseki_title_row(n, d));
    if (data.lf > 0) report.puts("\n");
    const std::vector<Row> rows = seiseki_heading_rows(n, data.w, d);
    // The division name is written bare: no quote opens the line before it.
    report.puts(padded(seiseki_division_cell(d)));
    for (const Row& row : rows) write_text_row(report, row);
    if (data.lf > 0) report.puts("\n");
}

void print_seiseki_team(Report& report, const SeisekiData& data, int n, const TeamRecord& team,
                        const RunnerNameRecord& names) {
    for (const Row& row : seiseki_team_rows(data.w, n, team, names)) write_text_row(report, row);
    for (int i = 0; i < data.lf; ++i) report.puts("\n");
}

void write_seiseki(Report& report, int station, const SeisekiData& data) {
    for (int d = 0; d < static_cast<int>(data.order.size()); ++d) {
        const int n = target_station(station, data.divisions, d);
        if (n < 0) continue;
        bool listed = false;
        for (const int rec : data.order[d]) {
            if (rec >= static_cast<int>(data.teams.size())) continue;
            if (!listed) print_seiseki_header(report, data, n, d);
            listed = true;
            print_seiseki_team(report, data, n, data.teams[rec], data.names[rec]);
        }
        if (listed) report.new_page();
    }
}

void print_seiseki(int station, const DivisionSelection& divisions) {
    const SeisekiData data = gather_seiseki(station, divisions);
    Report report(station == AT_GOAL ? print_key::RESULTS : print_key::INTERMEDIATE);
    write_seiseki(report, station, data);
    report.deliver();
}

void results_list_entry() {
    while (const std::optional<DivisionSelection> divisions = select_divisions()) {
        if (recompute_results(true, true)) {
            print_seiseki(AT_GOAL, *divisions);
            return;
        }
    }
}

void intermediate_list_entry() {
    for (;;) {
        const std::optional<int> station = select_station("中間成績一覧表出力", 3, true, false);
        if (!station) return;
        if (recompute_results(true, true)) {
            print_seiseki(*station);
            return;
        }
    }
}

}  // namespace korvel
