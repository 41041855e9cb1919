#include "reports/results_list.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "eventdata/runner_names.h"
#include "shell/console_ui.h"
#include "shell/options.h"
#include "shell/output.h"
#include "shell/sjis.h"
#include "eventdata/selection.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

constexpr int DIVISION_NAME_COLUMNS = 27;
constexpr int TEAM_NAME_COLUMNS = 24;
constexpr int TIME_COLUMNS = 13;
// More empty lines than a page holds only waste paper.
constexpr int MAX_LF = 99;

const char* station_name(int d, int k) { return logical_station_name(d, k); }

void end_row() {
    begin_field();
    std::fputs("\n", fpout);
}

// A section cell: the text right-aligned in the column of width w + 1.
void section_cell(int w, const char* text) {
    next_field();
    std::fprintf(fpout, "%*s", w + 1, text);
}

void empty_lines(int lf) {
    for (int i = 0; i < std::min(lf, MAX_LF); ++i) std::fputs("\n", fpout);
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

int lf_option() {
    std::string value;
    return get_option("LF", value) ? option_int(value) : 0;
}

}  // namespace

void print_seiseki_header(int n, int lf, int w, int d) {
    std::string senden;
    if (get_option("SENDEN", senden)) std::fprintf(fpout, "%s", senden.c_str());
    std::fputs("\n", fpout);

    const char* report = n == division_sections(d) ? "部門別成績一覧表" : "中間成績一覧表";
    begin_field();
    std::fprintf(fpout, "*** %s %s ***  %s", event_name(), report, date_time_stamp());
    end_row();
    if (lf > 0) std::fputs("\n", fpout);

    std::fprintf(fpout, "%-*s", DIVISION_NAME_COLUMNS, divisions[d].name);
    begin_field();
    std::fprintf(fpout, "%*s", 1, "");
    next_field();
    for (int i = 1; i <= n; ++i) {
        char number[16], wide[40], cell[48];
        std::snprintf(number, sizeof number, "%d", i);
        to_full_width(number, wide, sizeof wide);
        std::snprintf(cell, sizeof cell, "第%s区", wide);
        section_cell(w, cell);
    }
    end_row();

    begin_field();
    std::fputs("   ", fpout);
    next_field();
    print_kyori(fpout, nullptr, distance_between(d, 0, n), 7, "km");
    std::fprintf(fpout, "%16s", "");
    for (int i = 1; i <= n; ++i) section_cell(w, station_name(d, i - 1));
    end_row();

    begin_field();
    std::fputs(" 順", fpout);
    next_field();
    std::fprintf(fpout, "          %s:区間賞       ", "*");
    for (int i = 1; i <= n; ++i) {
        char cell[KYORI_TEXT_SIZE + 4];
        print_kyori(nullptr, cell, distance_between(d, i - 1, i), 6, "km", KYORI_TEXT_SIZE);
        std::strcat(cell, "↓");
        section_cell(w, cell);
    }
    end_row();

    begin_field();
    std::fputs(" 位", fpout);
    next_field();
    std::fprintf(fpout, "          %s:繰上出発     ", "&");
    for (int i = 1; i <= n; ++i) section_cell(w, station_name(d, i));
    end_row();
    if (lf > 0) std::fputs("\n", fpout);
}

void print_seiseki_team(int lf, int w, int n, const TeamRecord& team, const RunnerNameRecord& names) {
    n = std::clamp(n, 0, MAX_KUKAN);
    const StationBlock& at_n = team.blocks[n];
    char buf[TIME_TEXT_SIZE];

    begin_field();
    if (at_n.cumul_rank >= 1) {
        std::fprintf(fpout, "%3d", at_n.cumul_rank);
    } else {
        std::fputs("   ", fpout);
    }
    next_field();
    std::fprintf(fpout, " %-*s", TEAM_NAME_COLUMNS, team.name);
    for (int i = 1; i <= n; ++i) section_cell(w, runner_cell(w, team, names, i).c_str());
    end_row();

    begin_field();
    std::fputs("   ", fpout);
    next_field();
    char number[16];
    std::snprintf(number, sizeof number, "%d", team.team_no);
    std::fprintf(fpout, "   ﾁｰﾑNo:%-6s", number);
    print_time_fixed(at_n.cumul_time, fpout, 10, TIME_CHECK_SET, "");
    for (int i = 1; i <= n; ++i) {
        const StationBlock& b = team.blocks[i];
        format_time_rank(b.section_time, buf, b.section_rank, '<', '>', TIME_COLUMNS, TIME_CHECK_SET, "");
        section_cell(w, buf);
    }
    end_row();

    begin_field();
    std::fputs("   ", fpout);
    next_field();
    std::fprintf(fpout, "   %-22s", team.open_flag == '1' ? "(オープン参加)" : "");
    for (int i = 1; i <= n; ++i) {
        const StationBlock& b = team.blocks[i];
        format_time_rank(b.cumul_time, buf, b.cumul_rank, '[', ']', TIME_COLUMNS, TIME_CHECK_SET, "");
        section_cell(w, buf);
    }
    end_row();
    empty_lines(lf);
}

void write_seiseki(int station) {
    const int w = runner_name_width();
    const int lf = lf_option();
    const std::vector<TeamRecord> teams = read_all_records();
    const std::vector<RunnerNameRecord> names = read_name_records(teams);
    for (int d = 0; d < bumon_suu && d < MAX_BUMON; ++d) {
        int n;
        if (station == AT_GOAL) {
            if (!division_selected[d + 1]) continue;
            n = division_sections(d);
        } else {
            n = (station >= 0 && station < eki_suu && station < MAX_EKI) ? phy_to_log[d][station] : -1;
        }
        if (n < 0) continue;
        bool listed = false;
        for (int p = division_first(d); p < division_end(d); ++p) {
            const int rec = print_jun[p];
            if (rec < 0 || rec >= static_cast<int>(teams.size())) continue;
            if (!listed) print_seiseki_header(n, lf, w, d);
            listed = true;
            print_seiseki_team(lf, w, n, teams[rec], names[rec]);
        }
        if (listed) out_new_page();
    }
}

void print_seiseki(int station) {
    open_fpout();
    write_seiseki(station);
    closefpout_and_callprt(station == AT_GOAL ? "PRINTCMD73" : "PRINTCMD77");
}

void results_list_entry() {
    while (select_divisions()) {
        if (recompute_results(true, true, AT_GOAL) == 0) {
            print_seiseki(AT_GOAL);
            return;
        }
    }
}

void intermediate_list_entry() {
    for (;;) {
        int station = select_station("中間成績一覧表出力", 3, true, false);
        if (station < 0) return;
        std::fill(std::begin(division_selected), std::end(division_selected), true);
        if (recompute_results(true, true, station) == 0) {
            print_seiseki(station);
            return;
        }
    }
}

}  // namespace korvel
