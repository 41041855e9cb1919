#include "reports/section_ranking.h"

#include <algorithm>

#include "eventdata/kihondat.h"
#include "eventdata/runner_names.h"
#include "prompts/selection.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

constexpr int TEAM_NAME_COLUMNS = 24;

}  // namespace

std::vector<SectionEntry> collect_section_entries(const std::vector<TeamRecord>& teams, int k) {
    std::vector<SectionEntry> entries;
    if (k < 1 || k > MAX_KUKAN) return entries;
    for (std::size_t rec = 0; rec < teams.size(); ++rec) {
        const TeamRecord& r = teams[rec];
        const StationBlock& b = r.blocks[k];
        if (division_sections(r.division) < k || !time_is_set(b.section_time)) continue;
        entries.push_back({r.division, static_cast<int>(rec), b.section_rank >= 1 ? b.section_rank : UNRANKED});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const SectionEntry& a, const SectionEntry& b) {
        if (a.division != b.division) return a.division < b.division;
        return a.rank < b.rank;
    });
    return entries;
}

Row section_heading_row(int d, int k) {
    char km[KYORI_TEXT_SIZE];
    print_kyori(nullptr, km, section_distance(d, k), 6, "km");
    return {plain(formatted("%2d 区", k) + formatted("  %s", division_name(d)) +
                  formatted("    %s → %s ", logical_station_name(d, k - 1), logical_station_name(d, k)) + km)};
}

Row section_team_row(const RaceData& race, const SectionEntry& e, int k, int w) {
    const TeamRecord& team = race.teams[static_cast<std::size_t>(e.record)];
    const RunnerNameRecord& names = race.names[static_cast<std::size_t>(e.record)];
    const RaceTime t = team.blocks[k].section_time;
    char time[TIME_TEXT_SIZE];
    format_time_fixed(t, time, 9, TIME_CHECK_SET, "");
    return {
        plain(e.rank == UNRANKED ? "  open" : formatted("%3d 位", e.rank)),
        plain(time),
        plain(formatted("  %-*s", w, names.runner(k))),
        plain(formatted("(%3d %-*s)", team.team_no, TEAM_NAME_COLUMNS, team.name)),
        plain(formatted(" %5.2fkm/h", section_speed(e.division, k, t))),
    };
}

void print_kukan_jun(int k) {
    const int w = runner_name_width();
    const RaceData race = read_race_data();
    const std::vector<SectionEntry> entries = collect_section_entries(race.teams, k);
    Report report(print_key::SECTION_RANKING);
    int division = -1;
    for (const SectionEntry& e : entries) {
        if (e.division != division) {
            division = e.division;
            report.puts("\n");
            write_text_row(report, {plain(report_title(" 区間順位表"))});
            write_text_row(report, section_heading_row(division, k));
            report.puts("\n");
        }
        write_text_row(report, section_team_row(race, e, k, w));
    }
    if (!entries.empty()) report.new_page();
    report.deliver();
}

void section_ranking_entry() {
    for (;;) {
        const std::optional<int> k = ask_section();
        if (!k) return;
        if (recompute_results(true, true)) {
            print_kukan_jun(*k);
            return;
        }
    }
}

}  // namespace korvel
