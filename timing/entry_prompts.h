// The prompts the entry screens share (time entry, double entry, carried starts):
// the same rows, keys and messages wherever a team number or its time is typed.
#pragma once

#include <functional>

namespace korvel {

// The row of the team and time prompts; the message line is two rows below it.
constexpr int ENTRY_PROMPT_ROW = 20;

struct TeamPrompt {
    const char* text = "チームＮｏ＝";  // written at the start of the prompt row
    int undo_station = -1;              // F9 offers to take back a change there when >= 0
    void (*on_leave)() = nullptr;       // called before F5 leaves for the main menu
};

// Team numbers until Esc: draw puts up the screen before each prompt, on_team takes
// each number typed.
void team_prompt_loop(const TeamPrompt& prompt, const std::function<void()>& draw,
                      const std::function<void(const char* team_text)>& on_team);

// The time of team on the prompt row until accept takes it (false after Esc). An
// empty entry rings the bell; one accept refuses is shown on the message line.
// buf receives the text typed.
bool ask_team_time(long team, const char* name, char (&buf)[16], const std::function<bool(const char* typed)>& accept);

}  // namespace korvel
