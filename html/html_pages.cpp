#include "html/html_pages.h"

#include <utility>
#include <vector>

#include "eventdata/runner_names.h"
#include "eventdata/kihondat.h"
#include "html/html_text.h"
#include "html/mobile_pages.h"
#include "html/result_sites.h"
#include "html/speed_ranking_page.h"
#include "reports/results_list.h"
#include "shell/console_ui.h"
#include "shell/options.h"
#include "shell/sjis.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

constexpr int TIME_COLUMNS = 13;

std::string option_or(const char* key, const char* absent) {
    std::string value;
    return get_option(key, value) && !value.empty() ? value : absent;
}

// The station's name, linked to its address when EKI.TXT gives one.
std::string station_link(int d, int k) {
    const int s = physical_station(d, k);
    if (s < 0) return {};
    const std::string name = html_escape(definition().station(s).name);
    if (definition().station(s).url[0] == '\0') return name;
    return "<a href=\"" + html_escape(definition().station(s).url) + "\" target=_blank>" + name + "</a>";
}

std::string kyori(double distance) {
    char buf[KYORI_TEXT_SIZE];
    print_kyori(nullptr, buf, distance, 6, "km", KYORI_TEXT_SIZE);
    return buf;
}

std::string division_page_start(int d) {
    const int n = division_sections(d);
    const std::string event = html_escape(event_name());
    const std::string division = html_escape(division_name(d));
    std::string page = html_head();
    page += "<title>" + event + "　" + division + "</title>\n</head>\n<body>\n";
    page += "<table width=\"100%\"><tr>\n";
    page += "<th align=left><font color=blue size=\"+1\">" + event + "　" + division + "</font></th>\n";
    page += formatted("<td align=right><font size=\"-1\"><a href=\"./index.%s\" target=_parent>メニュー</a></font></td>\n",
                      HTML_EXTENSION);
    page += "</tr></table>\n";
    page += option_or("HTML_TABLE", "<table border=4>") + "<tbody align=right>\n";

    page += "<tr bgcolor=aqua>\n<th align=left nowrap colspan=2><font color=red size=\"+1\">" + division + "</font></th>\n";
    for (int i = 1; i <= n; ++i) {
        char wide[40];
        to_full_width(std::to_string(i).c_str(), wide, sizeof wide);
        page += formatted("<th>第%s区</th>\n", wide);
    }
    page += "</tr>\n";

    page += "<tr bgcolor=aqua>\n<td><br>順<br>位</td><td nowrap align=left>　　<b>\n";
    page += kyori(distance_between(d, 0, n));
    page += "</b><br>　　*:区間賞<br>　　&:繰上出発</td>\n";
    for (int i = 1; i <= n; ++i) {
        page += "<td nowrap>" + station_link(d, i - 1) + "<br>\n";
        page += without_leading_blanks(kyori(distance_between(d, i - 1, i))) + "↓<br>\n";
        page += station_link(d, i) + "</td>\n";
    }
    page += "</tr>\n";
    return page;
}

std::string time_rank_text(RaceTime t, int rank, char open, char close) {
    char buf[TIME_TEXT_SIZE];
    format_time_rank(t, buf, rank, open, close, TIME_COLUMNS, TIME_CHECK_SET, "");
    return html_cell_text(buf);
}

std::string team_row(int n, const TeamRecord& team, const RunnerNameRecord& names, const HtmlColors& colors) {
    const int r = team.blocks[n].cumul_rank;
    char total[TIME_TEXT_SIZE];
    format_time_fixed(team.blocks[n].cumul_time, total, 9, TIME_CHECK_SET, "");

    std::string row = "<tr>\n";
    row += cell_opening(colors, r, true, " align=center") + (r > 0 ? std::to_string(r) : "") + "<br></td>\n";
    row += cell_opening(colors, r, true, " align=left") + formatted("　 No=%d", team.team_no);
    row += formatted(" %s<br>", team.open_flag == '1' ? "(オープン参加)" : "");
    row += "<b>" + html_escape(team.name) + "</b><br>";
    row += "　 " + without_leading_blanks(total) + "</td>\n";
    for (int i = 1; i <= n; ++i) {
        const StationBlock& b = team.blocks[i];
        row += cell_opening(colors, b.section_rank, true, "");
        if (b.section_rank == 1) row += "*";
        if (time_differs(team.blocks[i - 1].departure, team.blocks[i - 1].arrival)) row += "&";
        row += html_escape(names.runner(i)) + "<br>";
        row += time_rank_text(b.section_time, b.section_rank, '<', '>') + "<br>";
        row += time_rank_text(b.cumul_time, b.cumul_rank, '[', ']') + "</td>\n";
    }
    row += "</tr>\n";
    return row;
}

std::string contents_page_end() {
    std::string page = "</font>\n<table width=\"100%\"><tr>\n";
    page += formatted("<!-- 下の３行のアドレスは %s で指定できます -->\n", "OPTION.TXT");
    std::string photo;
    if (get_option("PHOTOPAGEADDRESS", photo)) {
        page += "<td align=left><font size=\"-1\"><a href=\"" + photo + "\" target=_blank>";
        page += option_or("PHOTOPAGENAME", "写真") + "</a></font></td>\n";
    }
    const std::string home1 = formatted("戻り先１（%s で指定）", "OPTION.TXT");
    const std::string home2 = formatted("戻り先２（%s で指定）", "OPTION.TXT");
    page += "<td align=left><font size=\"-1\"><a href=\"" + option_or("HOMEADDRESS1", "../index.html") + "\" target=_parent>";
    page += option_or("HOMENAME1", home1.c_str()) + "</a></font></td>\n";
    page += "<td align=left><font size=\"-1\"><a href=\"" + option_or("HOMEADDRESS2", "../../index.html") + "\" target=_parent>";
    page += option_or("HOMENAME2", home2.c_str()) + "</a></font></td>\n";
    page += "<td align=right><font size=\"-1\">（このページは";
    page += formatted("<a href=\"%s\" target=_blank>フリーソフト %s</a>", PROGRAM_HOME_PAGE, "KORVEL32");
    page += "で作りました）</font></td>\n";
    page += "</tr></table>\n</body>\n</html>\n";
    return page;
}

}  // namespace

// ---- Sites replaced whole ----

std::vector<SiteFile> site_files(const std::vector<PageText>& pages) {
    std::vector<SiteFile> files;
    files.reserve(pages.size());
    for (const PageText& p : pages) files.push_back({p.name + "." + HTML_EXTENSION, p.text, true});
    return files;
}

bool show_site_outcome(const char* folder, const SiteOutcome& outcome) {
    if (outcome.result == SiteResult::not_a_folder) {
        cprintf("mkdir(\"%s\") error\n", folder);
        fatal_stop();
    }
    if (outcome.ok()) return true;
    cprintf("\n%s\n\"%s\" を書き込めませんでした。前のページのままです\n", outcome.message.c_str(), folder);
    wait_confirm();
    return false;
}

bool write_pages(const char* folder, const std::vector<PageText>& pages) {
    return show_site_outcome(folder, replace_site(folder, site_files(pages)));
}

std::string html_head() {
    std::string head = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html lang=\"ja\">\n<head>\n";
    std::string extra;
    if (get_option("HTML_HEAD", extra)) {
        for (char c : extra) {
            head += c;
            if (c == '>') head += '\n';
        }
    }
    head += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">\n";
    head += formatted("<meta name=\"generator\" content=\"%s %s\">\n", "KORVEL32", "version 3.74");
    return head;
}

void make_html() {
    const std::vector<TeamRecord> records = read_all_records();
    write_pages(HTML_FOLDER, html_site_pages(records, read_name_records(records)));
}

std::vector<PageText> html_site_pages(const std::vector<TeamRecord>& records,
                                      const std::vector<RunnerNameRecord>& names) {
    const HtmlColors colors = load_html_colors();
    const std::string table_tag = option_or("HTML_TABLE", "<table border=4>");

    std::vector<PageText> pages;
    std::string links;
    const ListingOrder order = listing_order_of(records, AT_GOAL);
    for (int d = 0; d < definition().division_count() && d < MAX_BUMON; ++d) {
        const int n = division_sections(d);
        std::string page;
        for (int p = order.first(d); p < order.end(d); ++p) {
            const int rec = order.records[p];
            if (rec < 0 || rec >= static_cast<int>(records.size())) continue;
            if (page.empty()) page = division_page_start(d);
            page += team_row(n, records[rec], names[rec], colors);
        }
        if (page.empty()) continue;
        page += "</table>\n";
        page += html_speed_ranking(d, records, names, table_tag, colors);
        page += "</table></body></html>\n";
        pages.push_back({std::to_string(d + 1), std::move(page)});
        links += formatted("<a href=\"%d.%s\" TARGET=\"AREA2\">", d + 1, HTML_EXTENSION) + html_escape(division_name(d)) +
                 "</a>　\n";
    }
    // The division pages first, the pages that link to them after.
    pages.push_back({"contents", html_head() + "</head>\n<body><font size=\"-1\">\n" + links + contents_page_end()});

    std::string index = html_head();
    index += "<title>" + html_escape(event_name()) + "</title></head>\n";
    index += "<frameset rows=\"10%,90%\">\n";
    index += formatted("<frame src=\"contents.%s\" name=\"AREA1\">\n", HTML_EXTENSION);
    index += formatted("<frame src=\"1.%s\" name=\"AREA2\">\n", HTML_EXTENSION);
    index += "</frameset>\n</html>\n";
    pages.push_back({"index", std::move(index)});
    return pages;
}

void html_results_entry() {
    if (!recompute_results(false, false)) return;
    const Publication done = write_result_sites();
    remove_old_result_sites();
    for (const SiteReport& site : done.sites) show_site_outcome(site.folder, site.outcome);
    open_result_sites();
}

void open_result_sites() {
    open_in_browser({formatted("%s/index.%s", HTML_FOLDER, HTML_EXTENSION),
                     formatted("%s/index.%s", HTML_KEITAI_FOLDER, HTML_EXTENSION)});
}

}  // namespace korvel
