#include "timing/board_screen.h"

#include <ctime>

#include "eventdata/kihondat.h"
#include "platform/console.h"
#include "platform/folder_watch.h"
#include "shell/console_ui.h"
#include "shell/sjis.h"

namespace korvel {

namespace {

constexpr int HEADER_COLOUR = 31;  // bright white on blue
constexpr int LIMIT_COLOUR = 14;   // yellow
constexpr int HEADING_COLOUR = 11;  // light cyan
constexpr int TEXT_COLOUR = 15;
constexpr int HINT_COLOUR = 7;
constexpr int LATE_COLOUR = 12;  // light red
constexpr int CARRIED_COLOUR = 14;
constexpr int SCREEN_COLUMNS = 80;
// Where the folder cannot be watched, or changes come from another computer that a
// network folder does not report, the files are read again this often all the same.
constexpr int SAFETY_SECONDS = 10;

struct Column {
    std::string text;
    int width;
    bool right = false;
};

std::string row_of(std::initializer_list<Column> columns) {
    std::string row;
    for (const Column& c : columns) {
        if (!row.empty()) row += ' ';
        row += board_cell(c.text, c.width, c.right);
    }
    return row;
}

std::string rank_text(int rank, bool open) {
    if (open) return "ｵｰﾌﾟﾝ";
    return rank > 0 ? formatted("%d位", rank) : "";
}

// The widths of the name columns: what a screen wider than 80 gives goes to them.
struct NameWidths {
    int team;
    int runner;
};

std::string coming_row(const BoardComing& c, NameWidths w) {
    const bool known = c.predicted != BOARD_NO_TIME;
    return row_of({{std::to_string(c.team_no), 4, true},
                   {c.team_name, w.team},
                   {division_name(c.division), 6},
                   {c.runner, w.runner},
                   {known ? clock_text(c.predicted) : "--:--:--", 8, true},
                   {known ? clock_text(c.earliest) + "-" + clock_text(c.latest) : "", 17},
                   {c.gap == BOARD_NO_TIME ? "" : "+" + duration_text(c.gap), 7, true},
                   {rank_text(c.would_be_rank, c.open), 5, true},
                   {c.late ? "遅れ" : "", 4}});
}

std::string coming_heading(NameWidths w) {
    return row_of({{"ﾁｰﾑ", 4, true}, {"チーム名", w.team}, {"部門", 6}, {"走者", w.runner}, {"予測到着", 8, true},
                   {"範囲", 17}, {"首位差", 7, true}, {"見込", 5, true}, {"", 4}});
}

std::string arrival_row(const BoardArrival& a, int name_width) {
    return row_of({{clock_text(a.arrival), 8, true},
                   {std::to_string(a.team_no), 4, true},
                   {a.team_name, name_width},
                   {division_name(a.division), 12},
                   {duration_text(a.section_time), 9, true},
                   {a.open || a.section_rank < 1 ? "" : formatted("(%d)", a.section_rank), 5, true},
                   {rank_text(a.cumul_rank, a.open), 6, true}});
}

std::string arrival_heading(int name_width) {
    return row_of({{"到着時刻", 8, true}, {"ﾁｰﾑ", 4, true}, {"チーム名", name_width}, {"部門", 12},
                   {"区間ﾀｲﾑ", 9, true}, {"区間順", 6, true}, {"総合順", 6, true}});
}

std::string limit_line(const StationBoard& b) {
    if (b.limit_state < 0) return formatted("KURIAGE%d の値が H:MM:SS の時刻ではありません", b.station);
    if (b.limit == BOARD_NO_TIME) return "";
    std::string line = "繰上出発 " + clock_text(b.limit) + "  ";
    if (b.now < b.limit) return line + "あと " + duration_text(b.limit - b.now);
    return line + "その時刻を過ぎました";
}

// Milliseconds until the clock shows the next second, with a margin for the tick of
// the system timer that time() may lag behind.
int until_next_second() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return 1000 - static_cast<int>(now.tv_nsec / 1000000) + 20;
}

// Writes the lines over what is on the screen, blanking the rows of a longer board
// before: no clear, so the picture never flickers and paging stays where it is.
void draw(const std::vector<BoardLine>& lines, int& rows_in_use) {
    auto& c = platform::console();
    const int rows = c.rows();
    const int shown = static_cast<int>(lines.size()) <= rows ? static_cast<int>(lines.size()) : rows - 1;
    for (int r = 0; r < shown; ++r) {
        const BoardLine& line = lines[static_cast<std::size_t>(r)];
        const std::string text = board_cell(line.text, c.columns());
        c.set_cursor(r, 0);
        c.set_color(line.colour);
        c.write(text);
    }
    int r = shown;
    if (shown < static_cast<int>(lines.size())) {
        c.set_cursor(r++, 0);
        c.set_color(HINT_COLOUR);
        c.write(board_cell(formatted("（ほか %d 行は画面に入りません）", static_cast<int>(lines.size()) - shown), c.columns()));
    }
    for (; r < rows_in_use; ++r) c.fill(r, 0, c.columns(), ' ', HINT_COLOUR);
    rows_in_use = std::min<int>(static_cast<int>(lines.size()), rows);
    c.set_cursor(0, 0);
    c.refresh();
}

}  // namespace

std::string board_cell(const std::string& text, int width, bool right) {
    std::string cut;
    for (const char* p = text.c_str(); *p;) {
        const std::size_t n = sjis_char_len(p);
        if (cut.size() + n > static_cast<std::size_t>(width)) break;
        cut.append(p, n);
        p += n;
    }
    const std::string blanks(static_cast<std::size_t>(width) - cut.size(), ' ');
    return right ? blanks + cut : cut + blanks;
}

std::vector<BoardLine> board_lines(const StationBoard& b, int columns) {
    if (columns < SCREEN_COLUMNS) columns = SCREEN_COLUMNS;
    const int extra = columns - SCREEN_COLUMNS;
    const NameWidths widths{12 + extra - extra / 2, 8 + extra / 2};
    std::vector<BoardLine> lines;
    const std::string clock = clock_text(b.now);
    std::string title = formatted(" 中継所 %2d : %s", b.station, b.station_name.c_str());
    lines.push_back({board_cell(title, columns - 1 - 8) + board_cell(clock, 8, true), HEADER_COLOUR});
    lines.push_back({b.problem.empty() ? limit_line(b) : b.problem, b.problem.empty() ? LIMIT_COLOUR : LATE_COLOUR});
    lines.push_back({"q / Esc: 終了    PgUp / PgDn: スクロール", HINT_COLOUR});

    lines.push_back({formatted("■到着  %d チーム（新しい順）", b.arrived_count), HEADING_COLOUR});
    lines.push_back({arrival_heading(16 + extra), HINT_COLOUR});
    for (const BoardArrival& a : b.arrivals) lines.push_back({arrival_row(a, 16 + extra), TEXT_COLOUR});

    lines.push_back({"", TEXT_COLOUR});
    lines.push_back({formatted("■これから  %d チーム（予測到着順）", static_cast<int>(b.coming.size())), HEADING_COLOUR});
    lines.push_back({coming_heading(widths), HINT_COLOUR});
    for (const BoardComing& c : b.coming) lines.push_back({coming_row(c, widths), c.late ? LATE_COLOUR : TEXT_COLOUR});

    if (b.limit != BOARD_NO_TIME) {
        lines.push_back({"", TEXT_COLOUR});
        lines.push_back({formatted("■繰上出発の見込み  %d チーム（範囲の終わりが %s より後）",
                                     static_cast<int>(b.carried.size()), clock_text(b.limit).c_str()),
                         HEADING_COLOUR});
        for (const BoardComing& c : b.carried) lines.push_back({coming_row(c, widths), CARRIED_COLOUR});
    }
    return lines;
}

void run_station_board(int station) {
    auto& c = platform::console();
    platform::FolderWatch watch{"MASTFILE.DAT", "NAMEFILE.DAT", "OPTION.TXT"};
    clear_screen();
    BoardData data = read_board_data();
    std::time_t read_at = std::time(nullptr);
    int rows_in_use = 0;
    for (;;) {
        // Only a change of the files makes them be read again; each second only the
        // clock-bound parts (countdown, late marks) move.
        if (watch.take_changes() || watch.fd() < 0 || std::time(nullptr) - read_at >= SAFETY_SECONDS) {
            data = read_board_data();
            read_at = std::time(nullptr);
        }
        draw(board_lines(station_board(station, data, clock_now()), c.columns()), rows_in_use);
        if (!c.wait_input(until_next_second(), watch.fd())) continue;
        for (Request r; (r = request_of(c.poll_event())).kind != Request::none;) {
            if (r.is('q') || r.kind == Request::back) return;
            c.beep();
        }
    }
}

}  // namespace korvel
