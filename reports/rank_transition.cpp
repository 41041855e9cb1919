#include "reports/rank_transition.h"

#include "eventdata/kihondat.h"
#include "eventdata/runner_names.h"
#include "shell/report.h"

namespace korvel {

std::vector<std::string> rank_transition_lines(const RaceData& race, int d, int runner_width) {
    const int sections = division_sections(d);
    const int teams = static_cast<int>(race.teams.size());
    // grid[c][p]: record of the team at position p + 1 after section c + 1, -1 none.
    std::vector<std::vector<int>> grid(static_cast<std::size_t>(sections), std::vector<int>(race.teams.size(), -1));
    int rows = 0;
    for (int rec = 0; rec < teams; ++rec) {
        const TeamRecord& r = race.teams[static_cast<std::size_t>(rec)];
        if (r.division != d) continue;
        for (int c = 0; c < sections; ++c) {
            const int rank = r.blocks[c + 1].cumul_rank;
            if (rank < 1) continue;
            // Teams tied on a rank take the following rows, in file order.
            for (int p = rank - 1; p < teams; ++p) {
                int& cell = grid[static_cast<std::size_t>(c)][static_cast<std::size_t>(p)];
                if (cell < 0) {
                    cell = rec;
                    break;
                }
            }
            if (c == 0) ++rows;
        }
    }
    std::vector<std::string> lines;
    if (rows == 0) return lines;
    const int width = runner_width + 4;
    lines.push_back("");
    lines.push_back(report_title("順位変遷表"));
    lines.push_back(division_name(d));
    std::string heading = formatted("%4s", "");
    for (int i = 1; i <= sections; ++i) heading += formatted("%*s", width, logical_station_name(d, i));
    lines.push_back(heading);
    lines.push_back("");
    for (int p = 0; p < rows; ++p) {
        std::string line = formatted("%3d:", p + 1);
        int last = -1;
        for (int c = 0; c < sections; ++c) {
            last = grid[static_cast<std::size_t>(c)][static_cast<std::size_t>(p)];
            std::string cell;
            if (last >= 0) {
                const std::size_t rec = static_cast<std::size_t>(last);
                cell = std::string(race.names[rec].runner(c + 1)) + formatted(" %3d", race.teams[rec].team_no);
            }
            line += formatted("%*s", width, cell.c_str());
        }
        if (last >= 0) line += formatted(" %s", race.teams[static_cast<std::size_t>(last)].name);
        lines.push_back(line);
    }
    return lines;
}

void print_jun_hensen() {
    const RaceData race = read_race_data();
    const int w = runner_name_width();
    std::vector<std::vector<std::string>> tables;
    for (int d = 0; d < definition().division_count() && d < MAX_BUMON; ++d) tables.push_back(rank_transition_lines(race, d, w));
    Report report(print_key::RANK_TRANSITION);
    for (const std::vector<std::string>& table : tables) {
        if (table.empty()) continue;
        for (const std::string& line : table) report.printf("%s\n", line.c_str());
        report.new_page();
    }
    report.deliver();
}

}  // namespace korvel
