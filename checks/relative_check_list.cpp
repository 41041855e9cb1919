#include "checks/relative_check_list.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "eventdata/kihondat.h"
#include "eventdata/runner_names.h"
#include "shell/report.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

constexpr int TEAM_NAME_COLUMNS = 24;

std::string bound_text(double bound) {
    if (bound <= 0) return "なし";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f 倍", bound);
    return buf;
}

std::string number_text(const char* format, double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

// "\n部門 N区 駅→駅  中央値 h:mm:ss", then the column heads.
void section_heading(Report& report, const RelativeItem& item, int runner_width) {
    const int d = item.division, k = item.section;
    report.printf("\n%s %d区 %s→%s  中央値 %s\n", division_name(d), k, logical_station_name(d, k - 1),
                  logical_station_name(d, k), relative_time_text(item.judgement.median).c_str());
    const Row head = {plain("         "), left("チーム名", TEAM_NAME_COLUMNS), plain(" "), left("選手名", runner_width),
                      plain(" "), right("区間タイム", 10), plain(" "), right("基準", 8), plain(" "),
                      right("ペース", 6), plain(" "), right("倍率", 5)};
    report.puts(text_line(head) + "\n");
}

Row item_row(const TeamRecord& r, const RunnerNameRecord& names, const RelativeItem& item, int runner_width) {
    const RelativeJudgement& j = item.judgement;
    return {plain("    "), right(std::to_string(r.team_no), 3), plain(": "), left(r.name, TEAM_NAME_COLUMNS),
            plain(" "), left(names.runner(item.section), runner_width), plain(" "),
            right(relative_time_text(j.seconds), 10), plain(" "), right(relative_time_text(j.median * j.pace), 8),
            plain(" "), right(number_text("%.2f", j.pace), 6), plain(" "), right(number_text("%.2f", j.ratio), 5)};
}

}  // namespace

std::vector<RelativeItem> collect_relative_items(const std::vector<TeamRecord>& records,
                                                 const RelativeBounds& bounds) {
    std::vector<RelativeItem> items;
    for (int d = 0; d < definition().division_count(); ++d) {
        const FieldTimes field = field_times(records, d);
        for (std::size_t n = 0; n < records.size(); ++n) {
            if (records[n].division != d) continue;
            const std::vector<int> own = team_section_times(records[n]);
            for (int k = 1; k <= division_sections(d); ++k) {
                const RelativeJudgement j = judge_section(field, own, k, bounds);
                if (j.kind == RELATIVE_TOO_FAST || j.kind == RELATIVE_TOO_SLOW)
                    items.push_back({d, k, static_cast<int>(n), j});
            }
        }
    }
    std::stable_sort(items.begin(), items.end(), [](const RelativeItem& a, const RelativeItem& b) {
        if (a.division != b.division) return a.division < b.division;
        if (a.section != b.section) return a.section < b.section;
        if (a.judgement.kind != b.judgement.kind) return a.judgement.kind < b.judgement.kind;
        return a.judgement.seconds < b.judgement.seconds;
    });
    return items;
}

void relative_check_list() {
    const std::vector<TeamRecord> records = read_all_records();
    const RelativeBounds bounds = relative_bounds();
    const std::vector<RelativeItem> items = collect_relative_items(records, bounds);
    const std::vector<RunnerNameRecord> names = read_name_records(records);
    const int runner_width = runner_name_width();

    Report report(print_key::RELATIVE_CHECK);
    report.title("区間タイム相対チェック");
    report.printf("基準：同じ部門の区間タイムの中央値（%d チーム以上）にチームのペースを掛けた値\n",
                  RELATIVE_MIN_TEAMS);
    report.printf("速すぎる：%s 未満　遅すぎる：%s 超\n", bound_text(bounds.fast).c_str(),
                  bound_text(bounds.slow).c_str());
    if (items.empty()) report.puts("\n該当なし\n");
    const RelativeItem* previous = nullptr;
    for (const RelativeItem& item : items) {
        const bool new_section =
            !previous || previous->division != item.division || previous->section != item.section;
        if (new_section) section_heading(report, item, runner_width);
        if (new_section || previous->judgement.kind != item.judgement.kind)
            report.printf("  ◆%s\n", item.judgement.kind == RELATIVE_TOO_FAST ? "速すぎる" : "遅すぎる");
        report.puts(text_line(item_row(records[item.record], names[item.record], item, runner_width)) + "\n");
        previous = &item;
    }
    report.new_page();
    report.deliver();
}

}  // namespace korvel
