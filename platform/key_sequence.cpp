#include "platform/key_sequence.h"

#include <string>

#include "platform/console.h"

namespace platform {

namespace {

constexpr int ESC = 0x1B;
constexpr int BEL = 0x07;
// The string terminator as one character (C1), as a UTF-8 terminal may send it.
constexpr int ST_C1 = 0x9C;

// Keys as terminals other than the one curses was told about send them, or as they
// come when a slow link split them (curses then gave up on the sequence).
int known_key(const std::string& body) {
    if (body == "H" || body == "1~" || body == "7~") return VK_HOME;
    if (body == "F" || body == "4~" || body == "8~") return VK_END;
    if (body == "A") return VK_UP;
    if (body == "B") return VK_DOWN;
    if (body == "C") return VK_RIGHT;
    if (body == "D") return VK_LEFT;
    return VK_OTHER;
}

bool csi_parameter(int c) { return c >= 0x20 && c <= 0x3F; }  // parameters and intermediates
bool final_byte(int c) { return c >= 0x40 && c <= 0x7E; }

// ESC [ parameters intermediates final. A character that cannot be part of it ends
// the sequence and is the next key (an Enter typed after a lone "Esc [" is kept).
AfterEscape control_sequence(const std::function<int()>& next) {
    std::string body;
    for (;;) {
        int c = next();
        if (c < 0) return {VK_OTHER, -1};
        // A body longer than any key is no key: past that only its end matters.
        if (body.size() < 8) body += static_cast<char>(c);
        else body[0] = '\x7F';
        if (final_byte(c)) {
            // The X10 mouse report carries three raw characters after "M".
            if (body == "M") {
                for (int k = 0; k < 3 && next() >= 0; ++k) {
                }
            }
            return {known_key(body), -1};
        }
        if (!csi_parameter(c)) return {VK_OTHER, c};
    }
}

// ESC O, then a character (after the modifier digits some terminals put first).
AfterEscape single_shift(const std::function<int()>& next) {
    int c = next();
    bool digits = false;
    for (int n = 0; c >= '0' && c <= '9' && n < 8; ++n, c = next()) digits = true;
    if (c < 0) return {VK_OTHER, -1};
    if (!final_byte(c)) return {VK_OTHER, c};
    return {digits ? VK_OTHER : known_key(std::string(1, static_cast<char>(c))), -1};
}

// OSC, DCS, SOS, PM, APC: a string to BEL (which ends an OSC on most terminals) or
// to the string terminator ESC \. An Esc followed by anything else ends it as well;
// that character is the next key.
AfterEscape control_string(const std::function<int()>& next) {
    for (;;) {
        int c = next();
        if (c < 0 || c == BEL || c == ST_C1) return {VK_OTHER, -1};
        if (c == ESC) {
            int t = next();
            return {VK_OTHER, t == '\\' ? -1 : t};
        }
    }
}

}  // namespace

AfterEscape read_after_escape(int first, const std::function<int()>& next) {
    if (first < 0) return {VK_ESCAPE, -1};
    const bool string = first == ']' || first == 'P' || first == 'X' || first == '^' || first == '_';
    if (first != '[' && first != 'O' && !string) return {VK_ESCAPE, first};
    int c = next();
    // Esc, then "[" (or "O", "P" ...) typed: nothing followed at once, so no sequence.
    if (c < 0) return {VK_ESCAPE, first};
    bool held = true;
    auto body = [&]() {
        if (!held) return next();
        held = false;
        return c;
    };
    if (string) return control_string(body);
    if (first == 'O') return single_shift(body);
    return control_sequence(body);
}

}  // namespace platform
