#include "reports/team_awards.h"

#include "eventdata/kihondat.h"
#include "shell/options.h"
#include "shell/report.h"
#include "shell/runtime.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

constexpr int DEFAULT_BEST_NO = 10;
constexpr int TEAM_NAME_COLUMNS = 26;

// The three rank texts of the merge file, TAB-separated.
std::string rank_texts(int rank) {
    if (rank == 1) return "優　勝\t優　勝\t第 1 位";
    if (rank == 2) return "第 2 位\t準優勝\t第 2 位";
    return formatted("第 %d 位\t第 %d 位\t第 %d 位", rank, rank, rank);
}

}  // namespace

int best_no() {
    std::string value;
    return get_option("BESTNO", value) ? option_int(value) : DEFAULT_BEST_NO;
}

std::vector<TeamAward> collect_dantaisyou(const std::vector<TeamRecord>& teams, int best) {
    std::vector<TeamAward> awards;
    const ListingOrder order = listing_order_of(teams, AT_GOAL);
    for (int d = 0; d < definition().division_count() && d < MAX_BUMON; ++d) {
        const int goal = division_sections(d);
        for (int p = order.first(d); p < order.end(d); ++p) {
            const int rec = order.records[p];
            if (rec < 0 || rec >= static_cast<int>(teams.size())) continue;
            const int rank = teams[static_cast<std::size_t>(rec)].blocks[goal].cumul_rank;
            if (rank >= 1 && rank <= best) awards.push_back({d, rec, rank});
        }
    }
    return awards;
}

std::vector<std::string> dantaisyou_lines(const std::vector<TeamRecord>& teams, const std::vector<TeamAward>& awards) {
    std::vector<std::string> lines;
    int last_division = -1;
    for (const TeamAward& a : awards) {
        const TeamRecord& team = teams[static_cast<std::size_t>(a.record)];
        if (a.division != last_division) {
            lines.push_back("");
            lines.push_back(division_name(a.division));
            last_division = a.division;
        }
        char time[TIME_TEXT_SIZE];
        format_time_fixed(team.blocks[division_sections(a.division)].cumul_time, time, 9, TIME_CHECK_SET, "");
        lines.push_back(formatted("  %3d 位 (%3d) %-*s", a.rank, team.team_no, TEAM_NAME_COLUMNS, team.name) + time);
    }
    return lines;
}

void print_dantaisyou() {
    const int best = best_no();
    const std::vector<TeamRecord> teams = read_all_records();
    const std::vector<std::string> lines = dantaisyou_lines(teams, collect_dantaisyou(teams, best));
    Report report(print_key::TEAM_AWARDS);
    if (!lines.empty()) {
        report.title(formatted("団体賞（%d位まで）一覧表", best).c_str());
        for (const std::string& line : lines) report.printf("%s\n", line.c_str());
        report.new_page();
    }
    report.deliver();
}

void write_dantaisyou_rows(FILE* out, const RaceData& race, const std::vector<TeamAward>& awards,
                           const char* date_time) {
    std::fputs("データ作成日時\t", out);
    std::fputs("部門No\t部門名\t発駅\t着駅\t距離\t順位\t順位文字列1\t順位文字列2\t順位文字列3\tチームNo\tチーム名\tタイム", out);
    std::fputs("\tタイム時間\tタイム分\tタイム秒", out);
    for (int i = 1; i <= definition().max_sections(); ++i) std::fprintf(out, "\t第%d区選手", i);
    std::fputs("\n", out);
    for (const TeamAward& a : awards) {
        const TeamRecord& team = race.teams[static_cast<std::size_t>(a.record)];
        const RunnerNameRecord& names = race.names[static_cast<std::size_t>(a.record)];
        const int goal = division_sections(a.division);
        const RaceTime t = team.blocks[goal].cumul_time;
        std::fprintf(out, "%s\t%d\t%s\t", date_time, a.division + 1, division_name(a.division));
        std::fprintf(out, "%s\t%s\t", logical_station_name(a.division, 0), logical_station_name(a.division, goal));
        print_kyori(out, nullptr, distance_between(a.division, 0, goal), 3, "km");
        std::fprintf(out, "\t%d\t%s", a.rank, rank_texts(a.rank).c_str());
        std::fprintf(out, "\t%d\t%s\t", team.team_no, team.name);
        print_time_japanese_short(t, out);
        std::fputs("\t", out);
        print_time_separated(t, out, '\t');
        for (int i = 1; i <= definition().max_sections(); ++i) std::fprintf(out, "\t%s", i <= goal ? names.runner(i) : "");
        std::fputs("\n", out);
    }
}

bool write_dantaisyou_tab() {
    const int best = best_no();
    const RaceData race = read_race_data();
    const std::vector<TeamAward> awards = collect_dantaisyou(race.teams, best);
    const std::string stamp = date_time_stamp();
    return write_merge_file(TEAM_AWARD_FILE, [&](FILE* out) { write_dantaisyou_rows(out, race, awards, stamp.c_str()); });
}

}  // namespace korvel
