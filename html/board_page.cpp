#include "html/board_page.h"

#include <cstdio>

#include "eventdata/kihondat.h"
#include "html/html_text.h"
#include "platform/cp932.h"
#include "shell/options.h"
#include "shell/runtime.h"

namespace korvel {

namespace {

const char* const STYLE =
    "body{font-family:sans-serif;margin:1em;background:#fff;color:#000}"
    "h1{font-size:1.4em;margin:0}h2{font-size:1.1em;margin:1em 0 .3em}"
    "table{border-collapse:collapse}th,td{border:1px solid #999;padding:.15em .5em;white-space:nowrap}"
    "td.n{text-align:right}.late{background:#fdd}.limit{font-weight:bold;color:#a00}";

std::string cell(const std::string& text, bool number = false) {
    return std::string(number ? "<td class=n>" : "<td>") + html_escape(text) + "</td>";
}

std::string rank_text(int rank, bool open) {
    if (open) return "オープン";
    return rank > 0 ? formatted("%d位", rank) : "";
}

std::string arrivals_table(const StationBoard& b) {
    std::string out = formatted("<h2>到着 %d チーム（新しい順）</h2>\r\n", b.arrived_count);
    out += "<table>\r\n<tr><th>到着時刻</th><th>チーム</th><th>チーム名</th><th>部門</th><th>区間タイム</th>"
           "<th>区間順位</th><th>総合順位</th></tr>\r\n";
    for (const BoardArrival& a : b.arrivals) {
        out += "<tr>" + cell(clock_text(a.arrival), true) + cell(std::to_string(a.team_no), true) + cell(a.team_name) +
               cell(division_name(a.division)) + cell(duration_text(a.section_time), true) +
               cell(a.open ? "" : rank_text(a.section_rank, false), true) + cell(rank_text(a.cumul_rank, a.open), true) +
               "</tr>\r\n";
    }
    return out + "</table>\r\n";
}

std::string coming_table(const std::vector<BoardComing>& teams) {
    std::string out = "<table>\r\n<tr><th>チーム</th><th>チーム名</th><th>部門</th><th>走者</th><th>予測到着</th>"
                      "<th>範囲</th><th>首位との差</th><th>見込み順位</th><th></th></tr>\r\n";
    for (const BoardComing& c : teams) {
        const bool known = c.predicted != BOARD_NO_TIME;
        out += c.late ? "<tr class=late>" : "<tr>";
        out += cell(std::to_string(c.team_no), true) + cell(c.team_name) + cell(division_name(c.division)) +
               cell(c.runner) + cell(known ? clock_text(c.predicted) : "--:--:--", true) +
               cell(known ? clock_text(c.earliest) + "～" + clock_text(c.latest) : "") +
               cell(c.gap == BOARD_NO_TIME ? "" : "+" + duration_text(c.gap), true) +
               cell(rank_text(c.would_be_rank, c.open), true) + cell(c.late ? "遅れ" : "") + "</tr>\r\n";
    }
    return out + "</table>\r\n";
}

std::string limit_paragraph(const StationBoard& b) {
    if (b.limit_state < 0) return formatted("<p class=limit>KURIAGE%d の値が H:MM:SS の時刻ではありません</p>\r\n", b.station);
    if (b.limit == BOARD_NO_TIME) return "";
    std::string out = "<p class=limit>繰上出発 " + clock_text(b.limit) + "　";
    out += b.now < b.limit ? "あと " + duration_text(b.limit - b.now) + "（" + clock_text(b.now) + " 現在）"
                           : std::string("その時刻を過ぎました");
    return out + "</p>\r\n";
}

}  // namespace

std::string board_page(const StationBoard& b) {
    const std::string title = formatted("中継所 %d %s", b.station, b.station_name.c_str());
    std::string page = "<!DOCTYPE html>\r\n<html lang=ja>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n";
    page += formatted("<meta http-equiv=\"refresh\" content=\"%d\">\r\n", BOARD_PAGE_REFRESH);
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n";
    page += "<title>" + html_escape(title) + " - " + html_escape(event_name()) + "</title>\r\n";
    page += std::string("<style>") + STYLE + "</style>\r\n</head>\r\n<body>\r\n";
    page += "<h1>" + html_escape(title) + "</h1>\r\n";
    page += "<p>" + html_escape(event_name()) + "　" + clock_text(b.now) + " 現在</p>\r\n";
    if (!b.problem.empty()) page += "<p class=limit>" + html_escape(b.problem) + "</p>\r\n";
    page += limit_paragraph(b);
    page += arrivals_table(b);
    page += formatted("<h2>これから %d チーム（予測到着順）</h2>\r\n", static_cast<int>(b.coming.size()));
    page += coming_table(b.coming);
    if (b.limit != BOARD_NO_TIME) {
        page += formatted("<h2>繰上出発の見込み %d チーム（範囲の終わりが %s より後）</h2>\r\n",
                          static_cast<int>(b.carried.size()), clock_text(b.limit).c_str());
        page += coming_table(b.carried);
    }
    page += "</body>\r\n</html>\r\n";
    return platform::cp932_to_utf8(page);
}

std::string board_page_name(int station) { return "board" + std::to_string(station) + ".html"; }

bool write_board_pages(const std::string& folder) {
    const BoardData data = read_board_data();
    const int now = clock_now();
    for (int s : board_stations()) {
        const std::string page = board_page(station_board(s, data, now));
        const std::string name = folder + "/" + board_page_name(s);
        if (!write_file_whole(name.c_str(), [&](FILE* f) { std::fwrite(page.data(), 1, page.size(), f); })) return false;
    }
    return true;
}

}  // namespace korvel
