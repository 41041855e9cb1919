#include "html/mobile_pages.h"

#include <algorithm>
#include <string>
#include <vector>

#include "eventdata/runner_names.h"
#include "html/html_pages.h"
#include "html/html_text.h"
#include "reports/results_list.h"
#include "shell/options.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

const char PAGE_START[] =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html><head>\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=shift_jis\">\n";

std::string time_text(RaceTime t, int width) {
    char buf[TIME_TEXT_SIZE];
    format_time_fixed(t, buf, width, TIME_CHECK_SET, "");
    std::string text = without_leading_blanks(buf);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// A team up to logical station n (its reach); a division that no team has started in
// (n = -1) shows the team alone, without rank, time or sections.
std::string team_entry(int n, const TeamRecord& team, const RunnerNameRecord& names, const HtmlColors& colors) {
    std::string entry = "<hr>";
    if (n >= 0 && team.blocks[n].cumul_rank > 0) entry += formatted("%d位", team.blocks[n].cumul_rank);
    entry += " " + (n >= 0 ? time_text(team.blocks[n].cumul_time, 9) : std::string()) + "<br>";
    entry += formatted("No=%d ", team.team_no) + html_escape(team.name);
    entry += formatted("%s<br>", team.open_flag == '1' ? "(オープン参加)" : "");
    for (int i = 1; i <= n; ++i) {
        const int s = team.blocks[i].section_rank;
        const char* colour = colors.of(s);
        if (colour) entry += formatted("<span style=\"background-color:%s\">", colour);
        entry += std::to_string(i) + html_escape(names.runner(i)) + " ";
        const std::string time = time_text(team.blocks[i].section_time, 13);
        entry += time.empty() ? std::string("　") : time;
        if (s > 0) entry += formatted(" %d", s);
        if (colour) entry += "</span>";
        entry += "<br>";
    }
    entry += "\n";
    return entry;
}

}  // namespace

void make_html_keitai() {
    const std::vector<TeamRecord> records = read_all_records();
    write_pages(HTML_KEITAI_FOLDER, html_keitai_pages(records, read_name_records(records)));
}

std::vector<PageText> html_keitai_pages(const std::vector<TeamRecord>& records,
                                        const std::vector<RunnerNameRecord>& names) {
    const HtmlColors colors = load_html_colors();
    const std::string event = html_escape(event_name());
    int reach[MAX_BUMON + 1];
    furthest_stations(records, reach);
    const ListingOrder order = listing_order_of(records, AT_GOAL);

    std::vector<PageText> pages;
    for (int d = 0; d < definition().division_count() && d < MAX_BUMON; ++d) {
        const int n = std::min(reach[d], division_sections(d));
        std::string page;
        for (int p = order.first(d); p < order.end(d); ++p) {
            const int rec = order.records[p];
            if (rec < 0 || rec >= static_cast<int>(records.size())) continue;
            if (page.empty()) {
                const std::string division = html_escape(division_name(d));
                page = PAGE_START;
                page += "<title>" + event + "　" + division + "</title>\n</head>\n<body>\n";
                page += event + "　" + division + "\n";
                page += formatted("<a href=\"./index.%s\">メニュー</a><br>\n", HTML_EXTENSION);
            }
            page += team_entry(n, records[rec], names[rec], colors);
        }
        if (page.empty()) continue;
        page += "</body></html>\n";
        pages.push_back({std::to_string(d + 1), std::move(page)});
    }

    std::string index = PAGE_START;
    index += "<title>" + event + "</title></head><body>\n" + event + "<br>\n";
    for (int d = 0; d < definition().division_count() && d < MAX_BUMON; ++d)
        index += formatted("<a href=\"%d.%s\">", d + 1, HTML_EXTENSION) + html_escape(division_name(d)) + "</a><br>";
    index += "\n</body></html>\n";
    pages.push_back({"index", std::move(index)});
    return pages;
}

}  // namespace korvel
