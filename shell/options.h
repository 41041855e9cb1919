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
// The option listing screen.
void show_option_listing();

}  // namespace korvel
