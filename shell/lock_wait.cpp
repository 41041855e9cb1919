#include "shell/lock_wait.h"

#include <string>

#include "platform/console.h"
#include "platform/file_lock.h"
#include "platform/process.h"
#include "shell/console_ui.h"

namespace korvel {

namespace {

// Below the rows every screen uses.
constexpr int NOTICE_ROW = 23;
constexpr int NOTICE_COLOUR = 207;
constexpr const char* DEFAULT_SUBJECT = "他の端末がこのフォルダのデータを使用中です";

const char* subject = DEFAULT_SUBJECT;
std::string menu_notice;

void show_wait(bool waiting) {
    if (!waiting) {
        show_folder_notice("");
        return;
    }
    std::string line = subject;
    line += "。終わるまでお待ちください";
    if (platform::has_console()) line += "（Esc:中止）";
    show_folder_notice(line.c_str());
}

bool escape_pressed() {
    if (!platform::has_console()) return false;
    for (Request r; (r = poll_request()).kind != Request::none;) {
        if (r.kind == Request::back) return true;
        beep();
    }
    return false;
}

}  // namespace

void show_folder_notice(const char* text) {
    if (!platform::has_console()) return;
    auto& c = platform::console();
    if (c.rows() <= NOTICE_ROW) return;
    int row = c.cursor_row(), col = c.cursor_col(), colour = c.color();
    c.fill(NOTICE_ROW, 0, c.columns(), ' ', 7);
    if (*text) {
        c.set_cursor(NOTICE_ROW, 0);
        c.set_color(NOTICE_COLOUR);
        c.write(text);
    }
    c.set_color(colour);
    c.set_cursor(row, col);
    c.refresh();
}

void install_lock_wait_line() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    platform::set_lock_busy_hook(show_wait);
}

void install_lock_wait_escape() { platform::set_lock_cancel_hook(escape_pressed); }

LockWaitSubject::LockWaitSubject(const char* s) : previous_(subject) { subject = s; }
LockWaitSubject::~LockWaitSubject() { subject = previous_; }

void keep_for_main_menu(const std::string& line) { menu_notice = line; }

std::string take_main_menu_notice() {
    std::string line;
    line.swap(menu_notice);
    return line;
}

void say_locks_given_up(int err) {
    static bool said = false;
    if (said) return;
    said = true;
    std::string line = "ファイルのロックに失敗しました（";
    line += platform::error_text(err);
    line += "）。この端末は以後ロックなしで動きます";
    show_folder_notice(line.c_str());
    keep_for_main_menu(line);
}

}  // namespace korvel
