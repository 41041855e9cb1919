// What a key asks of a screen, decided in one place. Screens switch on requests; only
// this mapping knows the key codes of the console.
#pragma once

namespace korvel {

struct Request {
    enum Kind {
        none,         // nothing waiting (a poll)
        back,         // Esc: leave this screen or field
        main_menu,    // F5: abandon the work for the main menu
        destination,  // F2: choose the output destination
        help,         // F1: the help file (opened while keys are read; never seen by a screen)
        recall,       // F9: the field's second function (time entry: undo the last entry)
        page_up,
        page_down,
        enter,
        erase,        // Backspace
        erase_right,  // Delete
        left,
        right,
        up,
        down,
        digit,        // '0'..'9', in ch
        letter,       // any other printable ASCII character, in ch
        other,        // a key no screen takes: refused with the bell
    };
    Kind kind = none;
    char ch = '\0';  // the character of a digit or a letter

    // A letter or digit equal to c, either case.
    bool is(char c) const;
    bool printable() const { return kind == digit || kind == letter; }
    int digit_value() const { return ch - '0'; }
};

Request request_of(int key);

// The keys a field or a menu takes besides its characters. The key hints it shows
// follow from them (hints_for); the hints never decide what a key does.
struct FieldKeys {
    bool back = false;         // Esc leaves the field
    bool destination = false;  // F2 chooses the output destination
    bool main_menu = false;    // F5 leaves for the main menu
    bool recall = false;       // F9 (shown by the screen itself, not in the hints)
};

// An entry field: Esc back, F5 to the main menu.
inline constexpr FieldKeys ENTRY_KEYS{.back = true, .main_menu = true};
// A choice before a report: also F2 for its destination.
inline constexpr FieldKeys REPORT_CHOICE_KEYS{.back = true, .destination = true, .main_menu = true};

// The HINT_* bits of the key-hint line for keys.
int hints_for(const FieldKeys& keys);

}  // namespace korvel
