#include "reports/goal_bulletin.h"

#include <algorithm>
#include <climits>

#include "eventdata/kihondat.h"
#include "reports/award_common.h"
#include "shell/output.h"
#include "shell/report.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

std::string clock_field(RaceTime t, int check_mode) {
    char buf[TIME_TEXT_SIZE];
    format_time_fixed(t, buf, 9, check_mode, "NoData");
    return buf;
}

}  // namespace

std::vector<GoalEntry> collect_goal_entries(const std::vector<TeamRecord>& teams) {
    std::vector<GoalEntry> entries;
    for (std::size_t rec = 0; rec < teams.size(); ++rec) {
        const TeamRecord& r = teams[rec];
        const StationBlock& start = r.blocks[0];
        const StationBlock& goal = r.blocks[division_sections(r.division)];
        GoalEntry e{r.division, INT_MAX, 0xFFFF, static_cast<int>(rec)};
        if (time_is_valid(goal.arrival) && time_is_valid(start.departure))
            e.elapsed = time_to_seconds(goal.arrival) - time_to_seconds(start.departure);
        if (goal.input_seq != 0) e.goal_seq = static_cast<std::uint16_t>(goal.input_seq);
        entries.push_back(e);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const GoalEntry& a, const GoalEntry& b) {
        if (a.division != b.division) return a.division < b.division;
        if (a.elapsed != b.elapsed) return a.elapsed < b.elapsed;
        return a.goal_seq < b.goal_seq;
    });
    return entries;
}

std::vector<std::string> goal_bulletin_lines(const std::vector<TeamRecord>& teams,
                                             const std::vector<GoalEntry>& entries) {
    std::vector<std::string> lines;
    int division = -1, count = 0;
    for (const GoalEntry& e : entries) {
        if (e.division != division || lines.empty()) {
            division = e.division;
            count = 0;
            lines.push_back("");
            lines.push_back(report_title("ゴール速報"));
            lines.push_back("注意！この資料は正式なチーム順位表ではありません");
            lines.push_back("途中の中継所のデータは、入力済／未入力にかかわらず一切無視されています");
            lines.push_back("");
            lines.push_back(formatted("%-38sゴール     スタート           差", division_name(division)));
        }
        const TeamRecord& team = teams[static_cast<std::size_t>(e.record)];
        const RaceTime start = team.blocks[0].departure;
        const RaceTime goal = team.blocks[division_sections(team.division)].arrival;
        RaceTime difference;
        time_sub(difference, goal, start);
        lines.push_back(formatted("%3d: %3d %-26s", ++count, team.team_no, team.name) +
                        clock_field(goal, TIME_CHECK_VALID) + " － " + clock_field(start, TIME_CHECK_VALID) + " ＝ " +
                        clock_field(difference, TIME_CHECK_SET));
    }
    return lines;
}

void print_goal_sokuhou() {
    if (!confirm_output_destination(false)) return;
    const std::vector<TeamRecord> teams = read_all_records();
    const std::vector<std::string> lines = goal_bulletin_lines(teams, collect_goal_entries(teams));
    Report report(print_key::GOAL_BULLETIN);
    for (const std::string& line : lines) report.printf("%s\n", line.c_str());
    if (!lines.empty()) report.new_page();
    report.deliver();
}

}  // namespace korvel
