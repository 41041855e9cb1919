#include "shell/request.h"

#include "platform/console.h"
#include "shell/console_ui.h"

namespace korvel {

namespace {
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

bool Request::is(char c) const { return printable() && upper(ch) == upper(c); }

Request request_of(int key) {
    if (key >= '0' && key <= '9') return {Request::digit, static_cast<char>(key)};
    if (key >= 0x20 && key <= 0x7E) return {Request::letter, static_cast<char>(key)};
    switch (key) {
    case platform::EVENT_NONE:
        return {Request::none};
    case platform::VK_ESCAPE:
        return {Request::back};
    case platform::VK_F5:
        return {Request::main_menu};
    case platform::VK_F2:
        return {Request::destination};
    case platform::VK_F1:
        return {Request::help};
    case platform::VK_F9:
        return {Request::recall};
    case platform::VK_PRIOR:
        return {Request::page_up};
    case platform::VK_NEXT:
        return {Request::page_down};
    case platform::VK_RETURN:
        return {Request::enter};
    case platform::VK_BACK:
        return {Request::erase};
    case platform::VK_DELETE:
        return {Request::erase_right};
    case platform::VK_LEFT:
        return {Request::left};
    case platform::VK_RIGHT:
        return {Request::right};
    case platform::VK_UP:
        return {Request::up};
    case platform::VK_DOWN:
        return {Request::down};
    default:
        return {Request::other};
    }
}

int hints_for(const FieldKeys& keys) {
    return (keys.back ? HINT_ESC : 0) | (keys.destination ? HINT_F2 : 0) | (keys.main_menu ? HINT_F5 : 0);
}

}  // namespace korvel
