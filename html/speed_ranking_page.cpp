#include "html/speed_ranking_page.h"

#include "reports/speed_ranking.h"
#include "shell/options.h"

namespace korvel {

namespace {

// The columns a browser sizes by their widest entry: the first row with the greatest
// value of each gets " nowrap".
enum Widest { RUNNER, TEAM, FROM, TO, DISTANCE, TIME, WIDEST_COLUMNS };

int column_value(const SpeedLine& l, int column) {
    switch (column) {
    case RUNNER: return static_cast<int>(l.runner.text.size());
    case TEAM: return static_cast<int>(std::to_string(l.team_no).size() + l.team.text.size());
    case FROM: return static_cast<int>(l.from.text.size());
    case TO: return static_cast<int>(l.to.text.size());
    case DISTANCE: return static_cast<int>(l.distance);
    default: return time_to_seconds(l.time);
    }
}

const char* nowrap(bool on) { return on ? " nowrap" : ""; }

std::string html_row(const SpeedLine& l, const bool* widest, bool first, const HtmlColors& colors) {
    std::string row = formatted("<tr><td>%d</td>", l.rank);
    row += cell_opening(colors, l.section_rank, widest[RUNNER], " align=left") + html_text(l.runner) + "</td>";
    row += formatted("<td>%d</td>", l.team_no);
    row += formatted("<td align=left%s>", nowrap(widest[TEAM])) + html_text(l.team) + "</td>";
    row += formatted("<th%s>%s</th>", nowrap(first), without_leading_blanks(formatted("%7.2f", l.speed)).c_str());
    row += formatted("<td>%d</td>", l.section);
    row += formatted("<td align=left%s>", nowrap(widest[FROM])) + html_text(l.from) + "</td>";
    row += formatted("<td align=left%s>", nowrap(widest[TO])) + html_text(l.to) + "</td>";
    row += formatted("<td%s>%s</td>", nowrap(widest[DISTANCE]), without_leading_blanks(kyori_text(l.distance, 7, "")).c_str());
    row += formatted("<td%s>%s</td>", nowrap(widest[TIME]), without_leading_blanks(section_time_text(l.time)).c_str());
    row += l.section_rank < 1 ? std::string("<td>-</td>") : formatted("<td>%d</td>", l.section_rank);
    row += "</tr>\n";
    return row;
}

}  // namespace

std::string html_speed_ranking(int d, const std::vector<TeamRecord>& records, const std::vector<RunnerNameRecord>& names,
                               const std::string& table_tag, const HtmlColors& colors) {
    const std::vector<SpeedLine> lines = speed_lines(d, records, names, 0);
    if (lines.empty()) return {};
    std::size_t widest_row[WIDEST_COLUMNS] = {};
    for (int c = 0; c < WIDEST_COLUMNS; ++c) {
        for (std::size_t i = 1; i < lines.size(); ++i)
            if (column_value(lines[i], c) > column_value(lines[widest_row[c]], c)) widest_row[c] = i;
    }
    const std::string event = html_escape(event_name());
    const std::string division = html_escape(division_name(d));
    std::string table = "<br>\n" + table_tag + "<tbody align=right>\n";
    table += "<tr bgcolor=aqua><th colspan=11 align=left>" + event + "　" + division + "　スピードランキング</th></tr>\n";
    table += "<tr bgcolor=aqua>\n<th align=left nowrap>順位</th>\n<th align=left>選手</th>\n<th align=left nowrap>No.</th>\n"
             "<th align=left>チーム名</th>\n<th nowrap>km/h</th>\n<th>区</th>\n<th align=left>発駅</th>\n"
             "<th align=left>着駅</th>\n<th nowrap>km</th>\n<th nowrap>タイム</th><th nowrap>区間順位</th>\n</tr>\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        bool widest[WIDEST_COLUMNS];
        for (int c = 0; c < WIDEST_COLUMNS; ++c) widest[c] = widest_row[c] == i;
        table += html_row(lines[i], widest, i == 0, colors);
    }
    return table;
}

}  // namespace korvel
