// `korvel32 --board STATION`: the station board alone, without the main menu, for a
// second screen at a relay station or in the office. It only reads the race folder.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "eventdata/kihondat.h"
#include "menus/menus.h"
#include "platform/console.h"
#include "platform/cp932.h"
#include "platform/terminal_console.h"
#include "shell/console_ui.h"
#include "shell/runtime.h"
#include "shell/sjis.h"
#include "timing/board_screen.h"

namespace korvel {

namespace {

constexpr int USAGE_ERROR = 2;

// The terminal is given back before the message, so that it stays on the screen.
[[noreturn]] void refuse(const std::string& cp932_message) {
    if (platform::has_console()) platform::console().shutdown();
    std::fprintf(stderr, "%s\n", platform::cp932_to_utf8(cp932_message).c_str());
    exit_program(USAGE_ERROR);
}

// The physical station number as typed in time entry; -1 unless all digits.
int station_number(const char* text) {
    if (!text || !*text) return -1;
    for (const char* p = text; *p; ++p)
        if (*p < '0' || *p > '9' || p - text > 3) return -1;
    return std::atoi(text);
}

std::string station_list() {
    std::string list;
    for (int s : board_stations()) list += (list.empty() ? "" : ", ") + std::to_string(s);
    return list;
}

}  // namespace

int run_board_command(int argc, char** argv) {
    const int station = station_number(argc > 2 ? argv[2] : nullptr);
    if (station < 0 || argc > 3) refuse("使い方: korvel32 --board 中継所番号（タイム入力で入力する番号）");
    if (!file_exists("EKI.TXT") || !file_exists("BUMON.TXT"))
        refuse("このフォルダには大会定義（EKI.TXT と BUMON.TXT）がありません。大会のフォルダで起動してください");
    install_out_of_memory_handler();
    auto terminal = platform::make_terminal_console();
    if (!terminal) return 1;  // not a terminal: the reason is already on stderr
    platform::set_console(std::move(terminal));
    clear_screen();
    try {
        kihon_data();
    } catch (const MainMenuReturn&) {
        exit_program(1);  // the definition was wrong and its message answered
    }
    if (!is_board_station(station))
        refuse(formatted("中継所 %d はどの部門の中継所でもありません。ボードを出せる中継所: %s", station,
                           station_list().c_str()));
    platform::console().set_title(formatted("中継所 %d %s", station, definition().station(station).work_name));
    try {
        run_station_board(station);
    } catch (const MainMenuReturn&) {
        exit_program(1);  // a data file could not be read; its message was answered
    }
    clear_screen();
    exit_program(0);
}

}  // namespace korvel
