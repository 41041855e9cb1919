#include "reports/section_awards.h"

#include <algorithm>

#include "eventdata/kihondat.h"
#include "eventdata/runner_names.h"
#include "shell/options.h"
#include "shell/report.h"
#include "shell/runtime.h"

namespace korvel {

namespace {

constexpr int TEAM_NAME_COLUMNS = 24;
constexpr int STATION_COLUMNS = 12;
// The section time is asked for in a field of 11 but its text is 9 long: a tie line
// (which counts 11) sets its runner two columns to the right, as the list always has.
constexpr int TIME_FIELD = 11;

int int_option(const char* key, int fallback) {
    std::string value;
    return get_option(key, value) ? option_int(value) : fallback;
}

std::string time_field(RaceTime t, int width) {
    char buf[TIME_TEXT_SIZE];
    format_time_fixed(t, buf, width, TIME_CHECK_SET, "");
    return buf;
}

}  // namespace

SectionAwardOptions section_award_options() {
    return {int_option("KUKANSYOU_PRINTTYPE", 1), int_option("KUKANSYOU_OUTPUT_MODE", 1)};
}

std::vector<SectionAward> collect_kukansyou(const std::vector<TeamRecord>& teams, int print_type) {
    std::vector<SectionAward> awards;
    for (std::size_t rec = 0; rec < teams.size(); ++rec) {
        const TeamRecord& r = teams[rec];
        const int sections = division_sections(r.division);
        for (int k = 1; k <= sections; ++k)
            if (r.blocks[k].section_rank == 1) awards.push_back({k, r.division, static_cast<int>(rec)});
    }
    // Collected in record order: a stable sort keeps it within one section of one division.
    std::stable_sort(awards.begin(), awards.end(), [print_type](const SectionAward& a, const SectionAward& b) {
        if (print_type == 1) {
            if (a.division != b.division) return a.division < b.division;
            return a.section < b.section;
        }
        if (a.section != b.section) return a.section < b.section;
        return a.division < b.division;
    });
    return awards;
}

std::vector<std::string> kukansyou_lines(const RaceData& race, const std::vector<SectionAward>& awards,
                                         const SectionAwardOptions& options) {
    const int w = runner_name_width();
    const int dw = division_name_width();
    std::vector<std::string> lines;
    int last_division = -1, last_section = -1;
    for (const SectionAward& a : awards) {
        const TeamRecord& team = race.teams[static_cast<std::size_t>(a.record)];
        const RunnerNameRecord& names = race.names[static_cast<std::size_t>(a.record)];
        const RaceTime t = team.blocks[a.section].section_time;
        std::string line;
        bool tie;
        if (options.print_type == 1) {
            if (a.division != last_division) {
                lines.push_back("");
                lines.push_back(division_name(a.division));
                last_section = -1;
            }
            tie = a.section == last_section;
            line = tie ? std::string(25, ' ') : formatted("    第 %2d 区  ", a.section) + time_field(t, TIME_FIELD);
        } else {
            if (a.section != last_section) {
                lines.push_back("");
                lines.push_back(formatted("第 %2d 区", a.section));
                last_division = -1;
            }
            tie = a.division == last_division;
            line = tie ? std::string(static_cast<std::size_t>(dw + 17), ' ')
                       : formatted("      %-*s", dw, division_name(a.division)) + time_field(t, TIME_FIELD);
        }
        last_division = a.division;
        last_section = a.section;
        line += formatted("%-*s", w, names.runner(a.section));
        line += formatted("(%3d %-*s)", team.team_no, TEAM_NAME_COLUMNS, team.name);
        if (options.output_mode != 2 && !tie) {
            char km[KYORI_TEXT_SIZE];
            print_kyori(nullptr, km, section_distance(a.division, a.section), 6, "km");
            line += formatted(" %*s → %-*s ", STATION_COLUMNS, logical_station_name(a.division, a.section - 1),
                           STATION_COLUMNS, logical_station_name(a.division, a.section));
            line += km;
            line += formatted(" %5.2fkm/h", section_speed(a.division, a.section, t));
        }
        lines.push_back(line);
    }
    return lines;
}

void print_kukansyou() {
    const SectionAwardOptions options = section_award_options();
    const RaceData race = read_race_data();
    const std::vector<std::string> lines = kukansyou_lines(race, collect_kukansyou(race.teams, options.print_type), options);
    Report report(print_key::SECTION_AWARDS);
    if (!lines.empty()) {
        report.title(" 区間賞受賞者一覧表");
        for (const std::string& line : lines) report.printf("%s\n", line.c_str());
        report.new_page();
    }
    report.deliver();
}

void write_kukansyou_rows(FILE* out, const RaceData& race, const std::vector<SectionAward>& awards,
                          int print_type, const char* date_time) {
    std::fputs("データ作成日時\t", out);
    std::fputs(print_type == 1 ? "部門No\t部門名\t区間\t" : "区間\t部門No\t部門名\t", out);
    std::fputs("タイム\tタイム時間\tタイム分\tタイム秒\t選手名\tチームＮｏ\tチーム名\t発駅\t着駅\t距離\tスピード\n", out);
    for (const SectionAward& a : awards) {
        const TeamRecord& team = race.teams[static_cast<std::size_t>(a.record)];
        const RunnerNameRecord& names = race.names[static_cast<std::size_t>(a.record)];
        const RaceTime t = team.blocks[a.section].section_time;
        std::fprintf(out, "%s\t", date_time);
        if (print_type == 1) {
            std::fprintf(out, "%d\t%s\t%d\t", a.division + 1, division_name(a.division), a.section);
        } else {
            std::fprintf(out, "%d\t%d\t%s\t", a.section, a.division + 1, division_name(a.division));
        }
        print_time_japanese_short(t, out);
        std::fputs("\t", out);
        print_time_separated(t, out, '\t');
        std::fprintf(out, "\t%s\t", names.runner(a.section));
        std::fprintf(out, "%d\t%s\t", team.team_no, team.name);
        std::fprintf(out, "%s\t", logical_station_name(a.division, a.section - 1));
        std::fprintf(out, "%s\t", logical_station_name(a.division, a.section));
        print_kyori(out, nullptr, section_distance(a.division, a.section), 3, "km");
        std::fprintf(out, "\t%4.2fkm/h\n", section_speed(a.division, a.section, t));
    }
}

bool write_kukansyou_tab() {
    const SectionAwardOptions options = section_award_options();
    const RaceData race = read_race_data();
    const std::vector<SectionAward> awards = collect_kukansyou(race.teams, options.print_type);
    const std::string stamp = date_time_stamp();
    return write_merge_file(SECTION_AWARD_FILE, [&](FILE* out) {
        write_kukansyou_rows(out, race, awards, options.print_type, stamp.c_str());
    });
}

}  // namespace korvel
