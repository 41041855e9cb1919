// Selection screens over the loaded event definition.
#pragma once

#include <bitset>
#include <initializer_list>
#include <optional>

#include "eventdata/kihondat.h"

namespace korvel {

// The relay-station list: the physical station chosen, ALL_STATIONS when allow_all;
// nothing after Esc.
std::optional<int> select_station(const char* title, int colour, bool show_destination, bool allow_all);

// The divisions a report lists, by division index (0-based).
class DivisionSelection {
public:
    DivisionSelection() = default;  // none
    DivisionSelection(std::initializer_list<int> divisions) {
        for (int d : divisions) choose(d);
    }
    static DivisionSelection all() { return DivisionSelection().set_all(); }

    void choose(int division) {
        if (division >= 0 && division < MAX_BUMON) chosen_.set(static_cast<std::size_t>(division));
    }
    bool chosen(int division) const {
        return division >= 0 && division < MAX_BUMON && chosen_.test(static_cast<std::size_t>(division));
    }

private:
    DivisionSelection& set_all() {
        chosen_.set();
        return *this;
    }
    std::bitset<MAX_BUMON> chosen_;
};

// The divisions of a report, by their numbers (1-based), all of them for "0". Nothing
// after Esc or an empty first answer.
std::optional<DivisionSelection> select_divisions();

// A section number 1..max_kukan; nothing after Esc.
std::optional<int> ask_section();

}  // namespace korvel
