// Start-up, the main menu with its idle loop, and the exit confirmation.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "checks/check_lists.h"
#include "eventdata/import_times.h"
#include "eventdata/kihondat.h"
#include "eventdata/team_index.h"
#include "eventdata/mast_lock.h"
#include "eventdata/mastfile.h"
#include "eventdata/master_build.h"
#include "prompts/rebuild.h"
#include "eventdata/race_folder.h"
#include "eventdata/runner_names.h"
#include "prompts/damage_screen.h"
#include "eventdata/start_time_store.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/folder_watch.h"
#include "platform/terminal_console.h"
#include "prompts/data_screens.h"
#include "prompts/start_time.h"
#include "shell/console_ui.h"
#include "shell/lock_wait.h"
#include "menus/menus.h"
#include "shell/output.h"
#include "shell/runtime.h"
#include "shell/sjis.h"
#include "timing/carried_start.h"
#include "timing/consistency.h"
#include "timing/time_entry.h"

namespace korvel {

namespace {

constexpr const char* program_name = "KORVEL32";
constexpr const char* program_version = "version 3.74";
constexpr int clock_row = 1;
constexpr int clock_col = 48;
constexpr int prompt_row = 21;
constexpr int prompt_col = 15;

struct MenuLine {
    int row;
    int colour;
    const char* text;
};

const MenuLine menu_lines[] = {
    {9, 15, "[1] テキストファイルの作成・変更・閲覧"},
    {10, 12, "[2] 出力先の変更"},
    {11, 9, "[3] スタート時刻入力（他の中継所のデータに影響無し）"},
    {12, 15, "[4] タイム入力"},
    {13, 10, "[5] 繰上出発タイム入力"},
    {14, 14, "[6] 入力データ・チェック（→サブメニュー）"},
    {15, 11, "[7] 結果出力            （→サブメニュー）"},
    {16, 13, "[8] 賞状作成            （→サブメニュー）"},
    {17, 15, "[9] その他              （→サブメニュー）"},
    {19, 15, "[Esc] 終了"},
    {21, 15, "選択[ ]"},
};

using MenuEntry = void (*)();
const MenuEntry menu_entries[9] = {
    text_file_submenu, select_output_destination, start_time_entry,
    time_entry,        carried_start_entry,       check_submenu,
    results_submenu,   certificate_submenu,       other_submenu,
};

// Said below the menu until the first key: another copy works in this folder, or
// the folder refuses locks.
std::string startup_notice;

// The clock characters now on the screen, so only changed ones are written.
char clock_shown[30];

// The event name as the star frame holds it: the frame ends at the screen's last
// column at the latest, and a longer name is cut between two characters.
std::string framed_title(const std::string& title, int room) {
    std::size_t end = 0;
    while (end < title.size()) {
        std::size_t len = sjis_char_len(title.c_str() + end);
        if (static_cast<int>(end + len) > room) break;
        end += len;
    }
    return title.substr(0, end);
}

void draw_clock() {
    char text[30];
    std::snprintf(text, sizeof text, "%s  %s", date_stamp(), time_stamp());
    auto& c = platform::console();
    bool changed = false;
    for (int i = 0; text[i] && i < 29; ++i) {
        if (clock_shown[i] == text[i]) continue;
        c.set_color(15);
        c.set_cursor(clock_row, clock_col + i);
        c.write(std::string_view(&text[i], 1));
        clock_shown[i] = text[i];
        changed = true;
    }
    c.set_cursor(prompt_row, prompt_col);
    if (changed) c.refresh();
}

void start_up(int argc, char** argv) {
    install_out_of_memory_handler();
    set_import_checks(check_merged_times);
    set_station_check_list(station_check_list_report);
    set_start_time_confirmation(register_start_times);
    set_data_questions(&data_screens());
    // The terminal is taken first so that a damaged master file can be reported.
    auto terminal = platform::make_terminal_console();
    if (!terminal) exit_program(1);  // not a terminal: the reason is already on stderr
    platform::set_console(std::move(terminal));
    clear_screen();
    check_master_length();
    build_team_index_at_start();
    load_destination();
    program_path = platform::program_path();
    if (program_path.empty() && argc > 0) program_path = argv[0];

    std::string folder = program_folder();
    first_run_readme();
    if (platform::file_exists("make_shortcut_on_desktop.exe")) std::remove("make_shortcut_on_desktop.exe");
    if (has_debug_option(argc, argv)) list_station_maps_on_load(true);
    startup_notice = take_folder_mark();
    install_lock_wait_line();
    install_lock_wait_escape();

    if (!folder.empty() && !help_file_exists()) {
        cprintf("ヘルプファイル（%s）を\n%s\nに置いておいてください\n", "korvel32.chm", shown_path(folder).c_str());
        wait_confirm();
    }
}

void exit_confirmation() {
    clear_screen();
    set_cursor(13, 10);
    cputs(program_name);
    int key = ask_key(" を終了しますか？（Y / N）", "*");
    if (key == 'Y' || key == 'y') {
        save_destination();
        clear_screen();
        team_index.clear();
        exit_program(0);
    }
}

// Milliseconds until the clock shows the next second. The clock text comes from
// time(), which may lag the precise clock by a tick of the system timer: waking
// right at the second would draw the old one again.
int until_next_second() {
    constexpr int TIMER_TICK_MARGIN = 20;
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return 1000 - static_cast<int>(now.tv_nsec / 1000000) + TIMER_TICK_MARGIN;
}

// The waiting menu sleeps until a key, the next second of the clock or a change of
// the files the stale check looks at. Where the folder cannot be watched the stamps
// are looked at every second; where it can, every ten seconds all the same (a
// network folder does not report what other computers write).
void wait_idle() {
    static platform::FolderWatch watch{"EKI.TXT", "BUMON.TXT", "TEAM.TXT", "SENSYU.TXT", "MASTFILE.DAT",
                                       "NAMEFILE.DAT"};
    constexpr int SAFETY_TICKS = 10;
    bool look = true;
    for (int ticks = 0;; ++ticks) {
        draw_clock();
        if (watch.take_changes() || look || watch.fd() < 0 || ticks % SAFETY_TICKS == SAFETY_TICKS - 1) {
            if (check_stale_files()) jump_to_main_menu();
        }
        look = false;
        if (platform::console().wait_input(until_next_second(), watch.fd())) return;
    }
}

// Waits on the menu for one key and runs what it selects. Returns to be redrawn.
void wait_and_dispatch() {
    for (;;) {
        std::memset(clock_shown, 0, sizeof clock_shown);
        wait_idle();
        const Request r = poll_request();
        discard_input();
        if (r.kind == Request::none) continue;
        startup_notice.clear();

        if (r.kind == Request::digit && r.ch >= '1') {
            char echo[2] = {r.ch, '\0'};
            cputs(echo);
            cursor_back(1);
            if (r.ch >= '3') {
                // A rebuild under way at another terminal replaces the data these
                // entries work on: its result is awaited.
                wait_for_rebuild_elsewhere();
                kihon_data();
                if (!check_master_length()) jump_to_main_menu();
                check_master_header();
                namefile_version_check();
            }
            menu_entries[r.digit_value() - 1]();
            return;
        }
        if (r.is('D')) {
            clear_screen();
            wait_for_rebuild_elsewhere();
            kihon_data();
            master_debug_dump();
            return;
        }
        if (r.kind == Request::back) {
            exit_confirmation();
            return;
        }
        beep();
    }
}

}  // namespace

void build_team_index_at_start() {
    // No main menu exists yet to return to: a master file that cannot be opened (its
    // message already confirmed) leaves the index empty and the start goes on.
    try {
        team_index.set();
    } catch (const MainMenuReturn&) {
        team_index.clear();
    }
}

void first_run_readme() {
    std::string folder = program_folder();
    if (folder.empty()) return;
    std::string marker = folder + "please_delete_me.tmp";
    if (!platform::file_exists(marker.c_str())) return;
    std::remove(marker.c_str());
    std::string readme = folder + "readme.txt";
    if (platform::file_exists(readme.c_str())) open_with_association(readme.c_str());
}

bool has_debug_option(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-' && (std::strchr(argv[i] + 1, 'd') || std::strchr(argv[i] + 1, 'D'))) return true;
    }
    return false;
}

void draw_main_menu() {
    std::string title = event_name();
    auto& c = platform::console();
    c.set_title(title);
    clear_screen();

    std::tm built = exe_time();
    set_cursor(0, 0);
    set_color(15);
    cprintf("%s %s (Build %04d/%02d/%02d %02d:%02d:%02d)\n", program_name, program_version, built.tm_year + 1900,
            built.tm_mon + 1, built.tm_mday, built.tm_hour, built.tm_min, built.tm_sec);
    if (help_file_exists()) {
        set_cursor(1, 0);
        show_key_hints(HINT_F1);
    }
    show_folder_line(0, 2);
    show_destination_line(0, 4);

    title = framed_title(title, c.columns() - 10 - 4);
    int width = static_cast<int>(title.size()) + 4;
    set_color(15);
    set_cursor(5, 10);
    show_stars(width);
    set_cursor(6, 10);
    cprintf("* %s *\n", title.c_str());
    set_cursor(7, 10);
    show_stars(width);
    for (const MenuLine& line : menu_lines) {
        set_color(line.colour);
        set_cursor(line.row, 10);
        cputs(line.text);
    }
    set_color(15);
    set_cursor(prompt_row, prompt_col);
    if (std::string notice = take_main_menu_notice(); !notice.empty()) startup_notice = notice;
    if (!startup_notice.empty()) show_folder_notice(startup_notice.c_str());
}

namespace {

bool master_stale() {
    std::uint32_t eki = file_mtime("EKI.TXT");
    std::uint32_t bumon = file_mtime("BUMON.TXT");
    std::uint32_t team = file_mtime("TEAM.TXT");
    std::uint32_t mast = file_mtime("MASTFILE.DAT");
    // A definition edited while another copy stores entries is older than
    // MASTFILE.DAT, and still not in it.
    return mast < eki || mast < bumon || mast < team || definitions_changed_since_load();
}

// Also a name file of another master file: a rebuild stopped between putting the
// master file in place and its name file.
bool names_stale() {
    if (!file_exists("MASTFILE.DAT")) return false;
    return !file_exists("NAMEFILE.DAT") || file_mtime("NAMEFILE.DAT") < file_mtime("SENSYU.TXT") ||
           !name_file_fits_master();
}

// Said below the menu while another terminal rebuilds: this copy waits for the
// result instead of building the same files at the same time.
void show_rebuild_elsewhere(bool shown) {
    static bool showing = false;
    if (shown == showing) return;
    showing = shown;
    show_folder_notice(shown ? "他の端末が大会データを作り直しています。終わるまでお待ちください" : "");
}

}  // namespace

bool check_stale_files() {
    if (!master_stale() && !names_stale()) {
        show_rebuild_elsewhere(false);
        return false;
    }
    // Looked at again once the build lock is held: the copy that held it may have
    // just built what this one was about to build.
    BuildLock building(BuildLock::if_free);
    show_rebuild_elsewhere(!building.held());
    if (!building.held()) return false;
    if (master_stale()) {
        std::uint32_t eki = file_mtime("EKI.TXT");
        std::uint32_t bumon = file_mtime("BUMON.TXT");
        std::uint32_t team = file_mtime("TEAM.TXT");
        std::uint32_t mast = file_mtime("MASTFILE.DAT");
        if (build_master_file_when_stale(eki, bumon, team, mast)) return true;
    }
    if (!names_stale()) return false;
    clear_screen();
    show_folder_line(0, 0);
    set_cursor(3, 0);
    if (build_name_file()) cprintf("\t%s を作り直しました(2)\n\n", "NAMEFILE.DAT");
    menu_return_prompt();
    jump_to_main_menu();
}

int run_program(int argc, char** argv) {
    start_up(argc, argv);
    for (;;) {
        try {
            stream_check(true);
            draw_main_menu();
            wait_and_dispatch();
        } catch (const MainMenuReturn&) {
            // Every abandoned operation lands here; the loop redraws the menu.
        }
    }
}

}  // namespace korvel
