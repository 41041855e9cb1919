// Selection screens over the loaded event definition.
#pragma once

namespace korvel {

// The relay-station list: the physical station chosen, 99 for all stations when
// allow_all, -1 after Esc.
int select_station(const char* title, int colour, bool show_destination, bool allow_all);

// The divisions of a report: division_selected[d] for division number d (1-based), all
// of them for "0". 1 when something was chosen, 0 after Esc or an empty first answer.
extern bool division_selected[21];
int select_divisions();

// A section number 1..max_kukan; 0 after Esc.
int ask_section();

}  // namespace korvel
