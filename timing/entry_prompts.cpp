#include "timing/entry_prompts.h"

#include <cstdio>

#include "shell/console_ui.h"
#include "timing/time_entry.h"

namespace korvel {

namespace {
constexpr int TIME_FIELD_WIDTH = 6;
constexpr int TEAM_FIELD_WIDTH = 3;
}  // namespace

void team_prompt_loop(const TeamPrompt& prompt, const std::function<void()>& draw,
                      const std::function<void(const char* team_text)>& on_team) {
    const FieldKeys keys{.back = true, .main_menu = true, .recall = prompt.undo_station >= 0};
    for (;;) {
        draw();
        set_cursor(ENTRY_PROMPT_ROW, 0);
        cputs(prompt.text);
        char buf[16];
        const FieldInput in = input_number(buf, TEAM_FIELD_WIDTH, prompt.on_leave, keys);
        if (in.end == FieldEnd::back) return;
        if (in.end == FieldEnd::recall) offer_undo(prompt.undo_station, ENTRY_PROMPT_ROW);
        if (in.end != FieldEnd::entered) continue;
        on_team(buf);
    }
}

bool ask_team_time(long team, const char* name, char (&buf)[16], const std::function<bool(const char* typed)>& accept) {
    for (;;) {
        clear_line(ENTRY_PROMPT_ROW);
        set_cursor(ENTRY_PROMPT_ROW, 0);
        cprintf("%ld %s のタイム＝", team, name);
        const FieldInput in = input_number(buf, TIME_FIELD_WIDTH, nullptr, ENTRY_KEYS);
        if (in.end == FieldEnd::back) return false;
        if (in.end != FieldEnd::entered || in.length == 0) {
            beep();
            continue;
        }
        if (accept(buf)) return true;
        char message[64];
        std::snprintf(message, sizeof message, "入力タイム（%s）エラー", buf);
        show_entry_message(message);
    }
}

}  // namespace korvel
