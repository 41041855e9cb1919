#include "timing/carried_start.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "eventdata/kihondat.h"
#include "eventdata/race_time.h"
#include "prompts/selection.h"
#include "shell/console_ui.h"
#include "timing/entry_prompts.h"
#include "timing/ranking.h"
#include "timing/time_entry.h"

namespace korvel {

namespace {

constexpr int HEADER_COL = 8;
constexpr int HEADER_COLOUR = 31;  // bright white on blue
constexpr int LIST_ROW = 2;
constexpr int LAST_TOP_ROW = 21;
constexpr int PROMPT_ROW = ENTRY_PROMPT_ROW;
constexpr int MESSAGE_ROW = 22;
constexpr int NAME_COLOUR = 11;  // light cyan
constexpr int WARNING_COLOUR = 12;
constexpr int RECENT_MAX = 15;
constexpr int TEAM_NAME_WIDTH = 24;
constexpr int NUMBERS_PER_LINE = 10;

struct RecentTeam {
    int team_no;
    std::string name;
};

// One pass of carried starts at one station and time.
struct Session {
    int station = 0;
    RaceTime time{0, 0, 0};
    std::string typed;  // the time as typed, for the journal
    std::vector<RecentTeam> recent;
    int stored = 0;
};

// The session whose check runs when F5 leaves the team prompt.
Session* current = nullptr;

void show_check(int station, RaceTime t) {
    const std::vector<int> teams = carried_start_suspects(read_all_records(), station, t);
    if (teams.empty()) return;
    beep();
    clear_from(PROMPT_ROW);
    set_cursor(PROMPT_ROW, 0);
    set_color(WARNING_COLOUR);
    cputs("警告！次のチームは繰上出発ではありませんか？");
    set_color(15);
    set_cursor(PROMPT_ROW + 1, 0);
    for (std::size_t i = 0; i < teams.size(); ++i) {
        cprintf("%4d", teams[i]);
        if ((i + 1) % NUMBERS_PER_LINE == 0) cputs("\n");
    }
    wait_confirm();
}

void check_on_leave() {
    if (current) show_check(current->station, current->time);
}

// The carried-start time at row, col; false after Esc.
bool ask_time(Session& s, int row, int col) {
    for (;;) {
        clear_line(row);
        set_cursor(row, col);
        cprintf("%2d : %s　　繰上出発タイム＝", s.station, definition().station(s.station).work_name);
        char buf[16];
        const FieldInput in = input_number(buf, 6, nullptr, ENTRY_KEYS);
        if (in.end == FieldEnd::back) return false;
        if (in.end != FieldEnd::entered) continue;
        RaceTime t;
        if (in.length > 0 && std::strtol(buf, nullptr, 10) >= 0 && parse_time_hhmmss(t, buf) && time_is_valid(t)) {
            s.time = t;
            s.typed = buf;
            return true;
        }
        beep();
    }
}

void draw_turn(const Session& s) {
    clear_top(LAST_TOP_ROW);
    set_cursor(0, HEADER_COL);
    set_color(HEADER_COLOUR);
    cprintf("%2d : %s　　繰上出発タイム＝", s.station, definition().station(s.station).work_name);
    cputs(time_text(s.time));
    set_color(15);
    for (std::size_t i = 0; i < s.recent.size(); ++i) {
        set_cursor(LIST_ROW + static_cast<int>(i), 0);
        cprintf("%3d %-*s", s.recent[i].team_no, TEAM_NAME_WIDTH, s.recent[i].name.c_str());
    }
}

// A re-entered team moves to the bottom; the oldest leaves a full list.
void remember(Session& s, int team, const char* name) {
    for (std::size_t i = 0; i < s.recent.size(); ++i) {
        if (s.recent[i].team_no == team) {
            s.recent.erase(s.recent.begin() + static_cast<long>(i));
            break;
        }
    }
    if (s.recent.size() >= RECENT_MAX) s.recent.erase(s.recent.begin());
    s.recent.push_back(RecentTeam{team, name});
}

void enter_team(Session& s, const char* text) {
    char message[256];
    const long team = std::strtol(text, nullptr, 10);
    int rec_no;
    TeamRecord r;
    if (!find_team_record(team, rec_no, r)) {
        std::snprintf(message, sizeof message, "チームＮｏ（%s）エラー", text);
        show_entry_message(message);
        return;
    }
    clear_line(MESSAGE_ROW);
    set_cursor(MESSAGE_ROW, 0);
    set_color(NAME_COLOUR);
    cputs(r.name);
    set_color(15);
    const int k = logical_station(r.division, s.station);
    if (k < 0 || k > division_sections(r.division)) {
        std::snprintf(message, sizeof message, "%s は %s の中継所ではありません", definition().station(s.station).work_name,
                      division_name(r.division));
        show_entry_message(message);
        return;
    }
    if (!store_departure(rec_no, static_cast<int>(team), s.station, k, s.time, r, s.typed)) {
        std::snprintf(message, sizeof message, "チームＮｏ（%s）エラー", text);
        show_entry_message(store_refusal().empty() ? message : store_refusal());
        return;
    }
    ++s.stored;
    remember(s, static_cast<int>(team), r.name);
}

// Team numbers until Esc, then the warning for an empty pass and the check.
void team_loop(Session& s) {
    current = &s;
    TeamPrompt prompt;
    prompt.text = "\nチームＮｏ＝";
    prompt.undo_station = s.station;
    prompt.on_leave = check_on_leave;
    team_prompt_loop(prompt, [&] { draw_turn(s); }, [&](const char* team_text) { enter_team(s, team_text); });
    current = nullptr;
    if (s.stored == 0) {
        beep();
        clear_from(PROMPT_ROW);
        set_cursor(PROMPT_ROW, 0);
        set_color(WARNING_COLOUR);
        cputs("警告！ナンバーを１件も入力していません");
        set_color(15);
        wait_confirm();
    }
    show_check(s.station, s.time);
}

// The whole entry at station: time, teams, checks. The number of teams stored.
int carried_starts(int station, int prompt_row, int prompt_col) {
    Session s;
    s.station = station;
    if (!ask_time(s, prompt_row, prompt_col)) return 0;
    try {
        team_loop(s);
    } catch (...) {
        current = nullptr;
        throw;
    }
    return s.stored;
}

}  // namespace

std::vector<int> carried_start_suspects(const std::vector<TeamRecord>& records, int s, RaceTime t) {
    std::vector<int> teams;
    const int limit = time_to_seconds(t);
    for (const TeamRecord& r : records) {
        const int k = logical_station(r.division, s);
        if (k < 0 || k > division_sections(r.division)) continue;
        const StationBlock& b = r.blocks[k];
        const bool later = time_is_none(b.arrival) || time_to_seconds(b.arrival) > limit;
        if (later && !time_equal(b.departure, t)) teams.push_back(r.team_no);
    }
    return teams;
}

void carried_start_entry() {
    for (;;) {
        const std::optional<int> station = select_station("繰上出発タイム入力", 2, false, false);
        if (!station) return;
        clear_screen();
        if (carried_starts(*station, 0, HEADER_COL) > 0) station_submenu(*station, false);
    }
}

void carried_start_at_station(int station) {
    if (station < 0 || station >= definition().station_count()) return;
    clear_screen();
    cputs("\t繰上出発タイム入力では、加算時間は無効です。\n\n");
    // The station submenu this was chosen from comes back with [1] alone: it is the
    // submenu the entry ends in.
    carried_starts(station, 2, 0);
}

}  // namespace korvel
