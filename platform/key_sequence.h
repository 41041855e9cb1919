// What a terminal sends after an Esc. A terminal reports keys, mouse clicks, answers
// to queries and pasted control strings as escape sequences; a screen takes only the
// keys. Every other sequence is read to its end and becomes one key no screen takes
// (refused with the bell), so that none of its characters lands in a field. Esc
// followed by a character that does not start a sequence (a fast typist, what a
// terminal sends for Alt and a key) stays two keys: Esc, then that character.
#pragma once

#include <functional>

namespace platform {

struct AfterEscape {
    int key;         // VK_ESCAPE, a cursor key, Home, End, or VK_OTHER for a dropped sequence
    int given_back;  // a character read that belongs to the next key; -1 none
};

// first is the character after the Esc (-1: none came in time); next() gives the one
// after the last, or -1 when none comes in time. Characters are code points (a
// terminal's UTF-8 decoded); a sequence ends at the latest when next() gives -1.
AfterEscape read_after_escape(int first, const std::function<int()>& next);

}  // namespace platform
