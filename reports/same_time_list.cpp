// The same-time check list: the teams of a division that reach a station on the same
// cumulative time, as the tie-break will order them.
#include "reports/same_time_list.h"

#include <string>
#include <vector>

#include "eventdata/kihondat.h"
#include "eventdata/race_folder.h"
#include "shell/report.h"
#include "timing/consistency.h"

namespace korvel {

namespace {

// "    %3d: %-24s " team, the cumulative time in 11 columns, the rank or the open
// entry, and where the team had its carried start.
Row same_time_row(const TeamRecord& r, const TieItem& item) {
    const StationBlock& b = r.blocks[item.logical];
    char time_text[TIME_TEXT_SIZE];
    format_time_fixed(b.cumul_time, time_text, 11, TIME_CHECK_SET, "");
    char rank[16];
    std::snprintf(rank, sizeof rank, "%3d位", b.cumul_rank);
    Row row = {plain("    "), right(std::to_string(r.team_no), 3), plain(": "), left(r.name, 24), plain(" "),
               plain(time_text), plain(r.open_flag == '1' ? "オープン参加" : rank)};
    if (item.carried_from > 0 && item.carried_from < definition().station_count())
        row.push_back(plain(std::string(" ") + definition().station(item.carried_from).name + "で繰上出発している"));
    return row;
}

}  // namespace

void same_time_check_list() {
    const std::vector<TeamRecord> records = read_all_records();
    const std::vector<TieGroup> groups = same_time_groups(records);
    Report report(print_key::SAME_TIME);
    int shown_station = 0;
    for (const TieGroup& g : groups) {
        if (g.station != shown_station) {
            report.title("同タイム・チェック・リスト");
            report.printf("%02d %s\n", g.station, definition().station(g.station).name);
            shown_station = g.station;
        }
        const TieItem& first = g.members.front();
        report.printf("\n%s", division_name(first.division));
        if (first.logical == division_sections(first.division)) report.puts("（ゴール）\n");
        else report.printf("（第 %d 中継所）\n", first.logical);
        for (const TieItem& m : g.members) report.puts(text_line(same_time_row(records[m.record], m)) + "\n");
    }
    if (!groups.empty()) report.new_page();
    report.deliver();
}

}  // namespace korvel
