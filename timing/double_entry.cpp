// The double-entry screen keeps the look of time entry (header on row 0, recent lines
// from row 2, prompts on row 20, messages on row 22) so that the second official
// types the paper record exactly as the first one did.
#include "timing/double_entry.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "eventdata/journal.h"
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
constexpr int HEADER_COLOUR = 31;  // bright white on blue, as time entry
constexpr int LIST_ROW = 2;
constexpr int LAST_TOP_ROW = 21;
constexpr int PROMPT_ROW = ENTRY_PROMPT_ROW;
constexpr int RESULT_ROW = 21;
constexpr int MESSAGE_ROW = 22;
constexpr int COLOR_GREEN = 10;
constexpr int COLOR_RED = 12;
constexpr int COLOR_WHITE = 15;
constexpr int RECENT_MAX = 15;
constexpr int TEAM_NAME_WIDTH = 24;
constexpr int NUMBERS_PER_LINE = 10;
constexpr int MAX_TEAM_NO = 999;

struct OutcomeLine {
    int team_no;
    std::string name;
    std::string text;
    int colour;
};

// One pass over a station: what was typed and what came of it.
struct Pass {
    int station = 0;
    RaceTime added{0, 0, 0};
    std::vector<OutcomeLine> recent;
    std::vector<bool> typed_team = std::vector<bool>(MAX_TEAM_NO + 1, false);
    int typed = 0, equal = 0, different = 0, corrected = 0, missing = 0, filled = 0;
};

void draw_header(const Pass& p) {
    clear_line(0);
    set_cursor(0, HEADER_COL);
    set_color(HEADER_COLOUR);
    cprintf("照合入力　%2d : %s　　加算時間＝%s", p.station, definition().station(p.station).work_name,
            time_text(p.added).c_str());
    set_color(COLOR_WHITE);
}

void draw_recent(const Pass& p) {
    for (std::size_t i = 0; i < p.recent.size(); ++i) {
        const OutcomeLine& line = p.recent[i];
        set_cursor(LIST_ROW + static_cast<int>(i), 0);
        cprintf("%3d %-*s ", line.team_no, TEAM_NAME_WIDTH, line.name.c_str());
        set_color(line.colour);
        cputs(line.text);
        set_color(COLOR_WHITE);
    }
}

void remember(Pass& p, OutcomeLine line) {
    if (static_cast<int>(p.recent.size()) >= RECENT_MAX) p.recent.erase(p.recent.begin());
    p.recent.push_back(std::move(line));
}

// HHMMSS plus the added time; false for anything else (a negative number clears a
// block in time entry, which means nothing when comparing).
bool parse_typed(const char* text, RaceTime added, RaceTime& value) {
    RaceTime typed;
    if (text[0] == '-' || !parse_time_hhmmss(typed, text) || !time_is_valid(typed)) return false;
    time_add(value, typed, added);
    return value.h < 100;
}

// The question at the message row; true for Y.
bool ask_yes(const char* question) {
    clear_from(MESSAGE_ROW);
    set_cursor(MESSAGE_ROW, 0);
    return ask_yes_no(question);
}

// The typed team's time: false after Esc, else value holds it.
bool ask_time(const Pass& p, long team, const char* name, RaceTime& value, std::string& typed) {
    char buf[16];
    if (!ask_team_time(team, name, buf, [&](const char* text) { return parse_typed(text, p.added, value); }))
        return false;
    typed = buf;
    if (time_is_set(p.added)) typed += "+" + journal_value_text(journal_time_value(p.added));
    return true;
}

// Y to a difference or a missing time: the typed value goes into the record.
std::string store_answer(Pass& p, int rec_no, long team, int k, RaceTime value, const StationBlock& seen,
                         const std::string& typed) {
    TeamRecord stored;
    switch (store_verified_correction(rec_no, static_cast<int>(team), p.station, k, value, seen, stored, typed)) {
    case CORRECTION_STORED:
        if (!time_is_valid(seen.arrival)) {
            ++p.filled;
            return " → 入力";
        }
        ++p.corrected;
        return " → 修正";
    case CORRECTION_STALE:
        show_entry_message("他の端末で記録が変わりました。このチームをもう一度入力してください");
        return " → 他の端末で変更";
    case CORRECTION_REFUSED:
        break;
    }
    char message[64];
    std::snprintf(message, sizeof message, "チームＮｏ（%ld）エラー", team);
    show_entry_message(store_refusal().empty() ? message : store_refusal());
    return "";
}

void verify_team(Pass& p, const char* team_text) {
    char message[256];
    long team = std::strtol(team_text, nullptr, 10);
    int rec_no, k;
    TeamRecord r;
    if (!find_station_team(team_text, p.station, rec_no, r, k)) return;
    clear_from(MESSAGE_ROW);
    const std::string name = r.name;
    RaceTime value;
    std::string typed;
    if (!ask_time(p, team, name.c_str(), value, typed)) {
        clear_from(PROMPT_ROW);
        return;
    }
    // Compared with the record as it is now: another terminal may have stored it while
    // the time was typed.
    if (!find_team_record(team, rec_no, r) || logical_station(r.division, p.station) != k) {
        std::snprintf(message, sizeof message, "チームＮｏ（%s）エラー", team_text);
        show_entry_message(message);
        return;
    }
    const StationBlock seen = r.blocks[k];
    ++p.typed;
    p.typed_team[static_cast<std::size_t>(team)] = true;
    OutcomeLine line{static_cast<int>(team), name, "", COLOR_WHITE};
    clear_from(RESULT_ROW);
    set_cursor(RESULT_ROW, 0);
    if (time_equal(seen.arrival, value)) {
        ++p.equal;
        line.text = time_text_trimmed(value) + " 一致";
        line.colour = COLOR_GREEN;
    } else if (time_is_valid(seen.arrival)) {
        ++p.different;
        line.text = "記録 " + time_text_trimmed(seen.arrival) + " ／ 照合 " + time_text_trimmed(value);
        line.colour = COLOR_RED;
        beep();
        set_color(COLOR_RED);
        cputs(line.text);
        set_color(COLOR_WHITE);
        line.text += ask_yes("記録を照合の値に直しますか（Y / N）") ? store_answer(p, rec_no, team, k, value, seen, typed)
                                                                   : " → 記録のまま";
    } else {
        ++p.missing;
        line.text = "未入力 ／ 照合 " + time_text_trimmed(value);
        cputs("未入力");
        if (ask_yes("記録に照合の値を入力しますか（Y / N）")) line.text += store_answer(p, rec_no, team, k, value, seen, typed);
    }
    clear_from(PROMPT_ROW);
    remember(p, line);
}

void team_loop(Pass& p) {
    team_prompt_loop(
        TeamPrompt{},
        [&] {
            clear_top(LAST_TOP_ROW);
            draw_header(p);
            draw_recent(p);
        },
        [&](const char* team_text) { verify_team(p, team_text); });
}

// The teams with an arrival stored at the station that this pass did not type, in
// master-file order.
std::vector<int> unverified_teams(const Pass& p) {
    std::vector<int> teams;
    for (const TeamRecord& r : read_all_records()) {
        const int k = logical_station(r.division, p.station);
        if (k < 0 || !time_is_valid(r.blocks[k].arrival)) continue;
        if (r.team_no >= 0 && r.team_no <= MAX_TEAM_NO && p.typed_team[static_cast<std::size_t>(r.team_no)]) continue;
        teams.push_back(r.team_no);
    }
    return teams;
}

void show_summary(const Pass& p) {
    const std::vector<int> unverified = unverified_teams(p);
    clear_screen();
    set_cursor(0, HEADER_COL);
    set_color(HEADER_COLOUR);
    cprintf("照合入力の結果　%2d : %s", p.station, definition().station(p.station).work_name);
    set_color(COLOR_WHITE);
    set_cursor(2, 0);
    cprintf("入力した件数　%4d\n", p.typed);
    set_color(COLOR_GREEN);
    cprintf("一致　　　　　%4d\n", p.equal);
    set_color(p.different > 0 ? COLOR_RED : COLOR_WHITE);
    cprintf("不一致　　　　%4d（うち修正 %d）\n", p.different, p.corrected);
    set_color(COLOR_WHITE);
    cprintf("未入力　　　　%4d（うち入力 %d）\n\n", p.missing, p.filled);
    if (unverified.empty()) {
        cputs("照合されていないチーム　なし\n");
    } else {
        cprintf("照合されていないチーム　%d チーム\n", static_cast<int>(unverified.size()));
        for (std::size_t i = 0; i < unverified.size(); ++i) {
            cprintf("%5d", unverified[i]);
            if ((i + 1) % NUMBERS_PER_LINE == 0 || i + 1 == unverified.size()) cputs("\n");
        }
    }
    wait_confirm();
}

}  // namespace

CorrectionResult store_verified_correction(int rec_no, int team, int station, int k, RaceTime value,
                                           const StationBlock& compared, TeamRecord& r,
                                           const std::string& typed) {
    TeamRecord now;
    if (!load_team_record(rec_no, team, now) || logical_station(now.division, station) != k) return CORRECTION_REFUSED;
    const StationBlock& b = now.blocks[k];
    if (time_differs(b.arrival, compared.arrival) || time_differs(b.departure, compared.departure))
        return CORRECTION_STALE;
    // A carried start is a departure of its own, not a copy of the arrival: it stays.
    const bool carried = time_is_valid(b.departure) && time_differs(b.departure, b.arrival);
    const RaceTime departure = carried ? b.departure : value;
    if (!store_station_times(rec_no, team, station, k, value, departure, r, typed, JournalKind::verified_fix))
        return CORRECTION_REFUSED;
    return CORRECTION_STORED;
}

void double_entry() {
    for (;;) {
        const std::optional<int> station = select_station("照合入力（ダブルエントリー）", 7, false, false);
        if (!station) return;
        Pass p;
        p.station = *station;
        clear_screen();
        if (!ask_station_added_time(*station, p.added)) continue;
        team_loop(p);
        show_summary(p);
    }
}

}  // namespace korvel
