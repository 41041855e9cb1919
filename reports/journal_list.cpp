#include "reports/journal_list.h"

#include <algorithm>
#include <map>
#include <utility>

#include "eventdata/kihondat.h"
#include "prompts/selection.h"
#include "shell/output.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

constexpr int ALL_STATIONS = 99;
constexpr const char* CHANGED_MARK = "*";

// Every cell but the last carries the blanks that part it from the next.
Row heading() {
    return {left("", 2),          left("日時", 20),   right("No", 3),      left(" チーム名", 26),
            left("内容", 15),     left("変更前", 18), left("変更後", 18),  right("入力順", 6),
            left("  入力値", 16), plain("入力者")};
}

Row line_row(const JournalLine& line, const std::string& name, bool changed_often) {
    return {left(changed_often ? CHANGED_MARK : "", 2),
            left(line.when, 20),
            right(line.team >= 0 ? std::to_string(line.team) : "", 3),
            left(" " + name, 26),
            left(journal_kind_name(line.kind), 15),
            left(journal_value_text(line.before), 18),
            left(journal_value_text(line.after), 18),
            right(line.seq >= 0 ? std::to_string(line.seq) : "", 6),
            left("  " + line.typed, 16),
            plain(line.who)};
}

void write_section(Report& report, const char* title, const std::vector<const JournalLine*>& lines,
                   const std::map<int, std::string>& names) {
    std::map<int, int> changes;
    for (const JournalLine* line : lines) ++changes[line->team];
    report.printf("\n%s\n", title);
    write_text_row(report, heading());
    for (const JournalLine* line : lines) {
        auto name = names.find(line->team);
        write_text_row(report, line_row(*line, name == names.end() ? "" : name->second,
                                        line->team >= 0 && changes[line->team] > 1));
    }
}

}  // namespace

void write_journal_list(Report& report, const std::vector<JournalLine>& lines, const std::vector<TeamRecord>& records,
                        int station) {
    std::map<int, std::string> names;
    for (const TeamRecord& r : records) names[r.team_no] = r.name;
    // Several terminals append in the order their lines reach the disk; the list
    // shows the clock's order, ties as appended.
    std::vector<const JournalLine*> ordered;
    for (const JournalLine& line : lines) ordered.push_back(&line);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const JournalLine* a, const JournalLine* b) { return a->when < b->when; });

    report.title("入力履歴一覧（JOURNAL.TXT）");
    if (station == ALL_STATIONS) {
        std::vector<const JournalLine*> whole;
        for (const JournalLine* line : ordered)
            if (!line->for_station()) whole.push_back(line);
        if (!whole.empty()) write_section(report, "ファイル全体", whole, names);
    }
    for (int s = 0; s < definition().station_count() && s < MAX_EKI; ++s) {
        if (station != ALL_STATIONS && station != s) continue;
        std::vector<const JournalLine*> here;
        for (const JournalLine* line : ordered)
            if (line->for_station() && line->station == s) here.push_back(line);
        if (here.empty() && station == ALL_STATIONS) continue;
        char title[128];
        std::snprintf(title, sizeof title, "中継所 %2d : %s", s, definition().station(s).work_name);
        write_section(report, title, here, names);
    }
    report.printf("\n%s 印: その中継所で値が２回以上変更されたチーム\n", CHANGED_MARK);
}

void journal_list_entry() {
    for (;;) {
        const std::optional<int> station = select_station("入力履歴一覧", 15, true, true);
        if (!station) return;
        if (!confirm_output_destination(true)) continue;
        const JournalContents contents = read_journal();
        const std::vector<TeamRecord> records = read_all_records();
        Report report(print_key::JOURNAL);
        write_journal_list(report, contents.lines, records, *station);
        report.deliver();
        return;
    }
}

}  // namespace korvel
