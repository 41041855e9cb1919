// OPTION.TXT: KEY=VALUE settings, read anew on every lookup.
#pragma once

#include <string>

namespace korvel {

// True and the trimmed value when line defines key ("KEY = value", blanks of both
// widths around, "#" starting a comment already removed by the caller).
bool valofkey(const char* line, const char* key, std::string& value);
// Looks key up in OPTION.TXT; false when the file or the key is absent.
bool get_option(const char* key, std::string& value);

// EVENTNAME, else EVENTMEI, else "？？？？駅伝大会"; looked up on every call. The text
// stays valid until the next call.
const char* event_name();
// The decimal number at the start of an option value (0 when there is none).
int option_int(const std::string& value);
// KURIAGE<station>=H:MM:SS (KURIAGE5=11:20:00): the time limit of the carried start
// at a physical station, as seconds after midnight in clock_seconds. 1 when set, 0
// when the option is absent, -1 when its value is no such time.
int carried_start_limit(int station, int& clock_seconds);
// The option listing screen.
void show_option_listing();

}  // namespace korvel
