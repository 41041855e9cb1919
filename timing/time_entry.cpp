// Time entry at a relay station: the operator picks a station and an added time, then
// types team number and clock time for each team that passes. Every pair is on the
// disk before the next prompt, so a crash or a power cut loses at most the pair being
// typed.
#include "timing/time_entry.h"
#include "prompts/selection.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "eventdata/journal.h"
#include "eventdata/kihondat.h"
#include "eventdata/mastfile.h"
#include "eventdata/race_time.h"
#include "shell/console_ui.h"
#include "shell/options.h"
#include "shell/output.h"
#include "shell/runtime.h"
#include "timing/carried_start.h"
#include "timing/consistency.h"
#include "timing/entry_prompts.h"
#include "timing/relative_check.h"

namespace korvel {

namespace {

constexpr int HEADER_COL = 8;
constexpr int HEADER_COLOUR = 31;  // bright white on blue
constexpr int LIST_ROW = 2;
constexpr int LAST_TOP_ROW = 21;  // the per-turn redraw leaves the message line alone
constexpr int PROMPT_ROW = ENTRY_PROMPT_ROW;
constexpr int MESSAGE_ROW = 22;
constexpr int MESSAGE_COLOUR = 207;
constexpr int RECENT_MAX = 15;
constexpr int RECENT_TEXT_SIZE = 51;
constexpr int TEAM_NAME_WIDTH = 24;
constexpr int TIME_FIELD_WIDTH = 6;

struct RecentLine {
    std::uint16_t team_no;
    char name[MAST_TEAM_NAME_SIZE];
    char text[RECENT_TEXT_SIZE];
};

// What one visit to a station keeps in memory.
struct Visit {
    int station = 0;
    RaceTime added{0, 0, 0};
    RecentLine recent[RECENT_MAX];
    int last = -1;  // index of the last recent line, -1 when empty
    int stored = 0;
    bool show_seq = false;
};

std::string trim_leading(const std::string& s) {
    std::size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

// A refused input: bell, then the text in white on red on the message line, where it
// stays until the next message.
void show_message(const std::string& text) {
    beep();
    clear_from(MESSAGE_ROW);
    set_cursor(MESSAGE_ROW, 0);
    set_color(MESSAGE_COLOUR);
    cputs(text);
    set_color(15);
}

void draw_header(const Visit& v) {
    clear_line(0);
    set_cursor(0, HEADER_COL);
    set_color(HEADER_COLOUR);
    cprintf("%2d : %s　　加算時間＝", v.station, definition().station(v.station).work_name);
    cputs(time_text(v.added));
    set_color(15);
}

void draw_recent(const Visit& v) {
    for (int i = 0; i <= v.last; ++i) {
        set_cursor(LIST_ROW + i, 0);
        const RecentLine& line = v.recent[i];
        cprintf("%3d %-*s %s", line.team_no, TEAM_NAME_WIDTH, line.name, line.text);
    }
}

// A re-entered team moves to the bottom; a new one is appended, pushing the oldest
// out of a full list.
void remember(Visit& v, const RecentLine& line) {
    int found = -1;
    for (int i = v.last; i >= 0; --i) {
        if (v.recent[i].team_no == line.team_no) {
            found = i;
            break;
        }
    }
    int from = found >= 0 ? found : (v.last + 1 >= RECENT_MAX ? 0 : -1);
    if (from >= 0) {
        for (int i = from; i < v.last; ++i) v.recent[i] = v.recent[i + 1];
        --v.last;
    }
    v.recent[++v.last] = line;
}

// What will be replaced at this block, for the operator to see before typing.
std::string overwrite_warning(const StationBlock& b) {
    std::string text;
    char line[256];
    if (time_is_none(b.arrival)) {
        if (!time_is_none(b.departure)) {
            std::snprintf(line, sizeof line, "このチームのこの中継所での繰上出発タイム%s が消えます。",
                          time_text(b.departure).c_str());
            text = line;
        }
    } else {
        std::snprintf(line, sizeof line, "既に%s が入力済みです。これから入力されるタイムに置き替わります。",
                      time_text(b.arrival).c_str());
        text = line;
        if (time_differs(b.departure, b.arrival) && !time_is_none(b.departure)) {
            std::snprintf(line, sizeof line, "\nこのチームのこの中継所での繰上出発タイム%s が消えます。",
                          time_text(b.departure).c_str());
            text += line;
        }
    }
    if (!text.empty()) text += "\n-1 を入力すれば、このチームのこの中継所でのデータが未入力の状態に戻ります。";
    return text;
}

// The typed time: a negative number clears the block; otherwise HHMMSS plus the added
// time, refused when it does not parse or reaches 100 hours.
bool parse_entry(const char* text, RaceTime added, RaceTime& typed, RaceTime& stored) {
    if (text[0] == '-') {
        // "-" or "-0" is no number at all; only a real negative one clears the block.
        if (std::strtol(text, nullptr, 10) >= 0) return false;
        time_set_none(typed);
        time_set_none(stored);
        return true;
    }
    if (!parse_time_hhmmss(typed, text) || !time_is_valid(typed)) return false;
    time_add(stored, typed, added);
    return stored.h < 100;
}

// Step 4: the added time. False when the operator leaves the station with Esc.
bool ask_added_time(Visit& v) {
    for (;;) {
        draw_header(v);
        char buf[16];
        const FieldInput in = input_number(buf, TIME_FIELD_WIDTH, nullptr, ENTRY_KEYS);
        if (in.end == FieldEnd::back) return false;
        if (in.end != FieldEnd::entered) continue;
        RaceTime t{0, 0, 0};
        if (in.length == 0 || (std::strtol(buf, nullptr, 10) >= 0 && parse_time_hhmmss(t, buf) && time_is_valid(t))) {
            v.added = t;
            return true;
        }
        beep();
    }
}

void enter_team(Visit& v, const char* team_text) {
    char message[256];
    long team = std::strtol(team_text, nullptr, 10);
    int rec_no, k;
    TeamRecord r;
    if (!find_station_team(team_text, v.station, rec_no, r, k)) return;

    std::string warning = overwrite_warning(r.blocks[k]);
    if (!warning.empty()) {
        show_message(warning);
    } else {
        // A message about an earlier team would read as if it were about this one.
        clear_from(MESSAGE_ROW);
    }

    char name[MAST_TEAM_NAME_SIZE];
    std::snprintf(name, sizeof name, "%s", r.name);
    char buf[16];
    RaceTime typed, stored;
    if (!ask_team_time(team, name, buf, [&](const char* text) { return parse_entry(text, v.added, typed, stored); })) {
        clear_from(PROMPT_ROW);
        return;
    }

    std::string typed_entry = buf;
    if (time_is_set(v.added) && !time_is_none(typed)) typed_entry += "+" + journal_value_text(journal_time_value(v.added));
    if (!store_entry(rec_no, static_cast<int>(team), v.station, k, stored, r, STORE_ARRIVAL, typed_entry)) {
        std::snprintf(message, sizeof message, "チームＮｏ（%s）エラー", team_text);
        show_message(store_refusal().empty() ? message : store_refusal());
        return;
    }
    const auto seq = static_cast<std::uint16_t>(r.blocks[k].input_seq);
    ++v.stored;

    std::string typed_text = time_is_none(typed) ? std::string(9 - std::strlen(buf), ' ') + buf
                                                 : time_text(typed);
    std::string stored_text = time_text(stored);

    // The order and speed of the two sections that meet here show a mistyped number
    // at once.
    clear_from(MESSAGE_ROW);
    set_cursor(LAST_TOP_ROW, 0);
    int warnings = entry_order_test(r, k) + speed_test(r, k, true) + speed_test(r, k + 1, true);
    warnings += relative_entry_test(r, k);
    if (warnings > 0) {
        cprintf("\n入力タイム＝%s（加算後 %s）", trim_leading(typed_text).c_str(),
                trim_leading(stored_text).c_str());
        wait_confirm();
    }
    clear_from(PROMPT_ROW);

    RecentLine line{};
    line.team_no = static_cast<std::uint16_t>(team);
    std::snprintf(line.name, sizeof line.name, "%s", name);
    int n = std::snprintf(line.text, sizeof line.text, "%s (%s +%s )", stored_text.c_str(),
                          typed_text.c_str(), time_text(v.added).c_str());
    if (v.show_seq && n > 0 && n < RECENT_TEXT_SIZE) {
        std::snprintf(line.text + n, sizeof line.text - n, "    (%5u)", static_cast<unsigned>(seq));
    }
    remember(v, line);
}

void team_loop(Visit& v) {
    TeamPrompt prompt;
    prompt.undo_station = v.station;
    team_prompt_loop(
        prompt,
        [&] {
            clear_top(LAST_TOP_ROW);
            draw_header(v);
            draw_recent(v);
        },
        [&](const char* team_text) { enter_team(v, team_text); });
}

void (*station_check_list)(int station) = nullptr;

}  // namespace

bool find_station_team(const char* team_text, int station, int& rec_no, TeamRecord& r, int& k) {
    char message[256];
    if (!find_team_record(std::strtol(team_text, nullptr, 10), rec_no, r)) {
        std::snprintf(message, sizeof message, "チームＮｏ（%s）エラー", team_text);
        show_message(message);
        return false;
    }
    k = logical_station(r.division, station);
    if (k < 0) {
        const char* division = r.division < definition().division_count() ? division_name(r.division) : "";
        std::snprintf(message, sizeof message, "%s は %s の中継所ではありません",
                      definition().station(station).work_name, division);
        show_message(message);
        return false;
    }
    return true;
}

void show_entry_message(const std::string& text) { show_message(text); }

void set_station_check_list(void (*print)(int station)) { station_check_list = print; }

void time_entry() {
    std::string value;
    bool show_seq = get_option("INPUTSEQ", value);
    for (;;) {
        const std::optional<int> station = select_station("タイム入力", 7, false, false);
        if (!station) return;
        Visit v;
        v.station = *station;
        v.show_seq = show_seq;
        clear_screen();
        while (ask_added_time(v)) team_loop(v);
        if (v.stored > 0) station_submenu(*station, true);
    }
}

bool ask_station_added_time(int station, RaceTime& added) {
    Visit v;
    v.station = station;
    v.added = added;
    if (!ask_added_time(v)) return false;
    added = v.added;
    return true;
}

namespace {

std::string shown_value(const UndoStep& step, const StationBlock& b) {
    return step.kind == JournalKind::departure ? journal_value_text(journal_time_value(b.departure))
                                               : journal_value_text(journal_block_value(b));
}

}  // namespace

void offer_undo(int station, int row) {
    UndoStep step;
    if (!next_undo_offer(station, step)) {
        show_message("このチームＮｏ入力で取り消せる入力はありません");
        return;
    }
    TeamRecord r;
    const char* name = load_team_record(step.rec_no, step.team, r) ? r.name : "";
    clear_from(row);
    set_cursor(row, 0);
    cprintf("取消: チームＮｏ=%d %s  %s %s → %s\n", step.team, name, journal_kind_name(step.kind),
            shown_value(step, step.after).c_str(), shown_value(step, step.before).c_str());
    if (!ask_yes_no("取り消しますか？（Y / N）")) return;
    if (undo_change(station, step, r)) return;
    show_message(store_refusal().empty() ? "他の端末で変更されているため、取り消しませんでした" : store_refusal());
}

void station_submenu(int station, bool offer_carried_start) {
    if (station < 0 || station >= definition().station_count()) return;
    for (;;) {
        clear_screen();
        show_help_hint();
        show_destination_line(0, 4);
        set_cursor(6, 10);
        cprintf("中継所 %2d : %s", station, definition().station(station).work_name);
        set_cursor(8, 10);
        cputs("[1] チェックリスト出力");
        if (offer_carried_start) {
            set_cursor(9, 10);
            cputs("[2] 繰上出発タイム入力");
        }
        show_menu_prompt(10, 11, HINT_ESC | HINT_F2 | HINT_F5);
        const Request r = read_request();
        discard_input();
        if (r.is('1')) {
            cputs("1");
            cursor_back(1);
            if (station_check_list) station_check_list(station);
            else beep();
        } else if (r.is('2') && offer_carried_start) {
            cputs("2");
            cursor_back(1);
            carried_start_at_station(station);
            offer_carried_start = false;
        } else if (r.kind == Request::back) {
            return;
        } else if (r.kind == Request::destination) {
            select_output_destination();
        } else if (r.kind == Request::main_menu) {
            jump_to_main_menu();
        } else {
            beep();
        }
    }
}

}  // namespace korvel
