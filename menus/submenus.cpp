// The five submenus of the main menu and their small prompts.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "prompts/recovery_screen.h"
#include "eventdata/kihondat.h"
#include "eventdata/master_build.h"
#include "eventdata/race_time.h"
#include "prompts/selection.h"
#include "html/html_pages.h"
#include "reports/speed_ranking.h"
#include "reports/journal_list.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/process.h"
#include "shell/console_ui.h"
#include "menus/menus.h"
#include "shell/options.h"
#include "shell/output.h"
#include "shell/runtime.h"
#include "menus/submenu_entries.h"

namespace korvel {

namespace {

struct Frame {
    const char* title;
    int title_colour;
    bool destination_line;
    int prompt_row;
    FieldKeys keys;  // Esc and F5 everywhere; F2 where the frame shows the destination
};

// Draws the common frame; the caller draws its entries, then calls prompt().
void draw_frame(const Frame& f) {
    clear_screen();
    set_cursor(0, 0);
    show_help_hint();
    show_folder_line(0, 2);
    if (f.destination_line) show_destination_line(0, 4);
    int width = static_cast<int>(std::strlen(f.title));
    set_color(f.title_colour);
    set_cursor(5, 10);
    show_stars(width);
    set_cursor(6, 10);
    cputs(f.title);
    set_cursor(7, 10);
    show_stars(width);
    set_color(15);
}

void entry_line(int row, int colour, const char* text) {
    set_cursor(row, 10);
    set_color(colour);
    cputs(text);
    set_color(15);
}

Request prompt(const Frame& f) {
    show_menu_prompt(10, f.prompt_row, hints_for(f.keys));
    const Request r = read_request();
    discard_input();
    return r;
}

void echo_key(Request r) {
    char echo[2] = {r.ch, '\0'};
    cputs(echo);
    cursor_back(1);
}

// An entry key from first to '9'.
bool entry_digit(Request r, char first) { return r.kind == Request::digit && r.ch >= first; }

// Common handling of requests no entry took: false when the submenu must end.
bool other_request(const Frame& f, Request r) {
    if (r.kind == Request::back) return false;
    if (r.kind == Request::destination && f.keys.destination) {
        select_output_destination();
        return true;
    }
    if (r.kind == Request::main_menu) jump_to_main_menu();
    beep();
    return true;
}

}  // namespace

// ---- Text files ----

void text_file_submenu() {
    const Frame f{"* テキストファイルの作成・変更・閲覧 *", 15, true, 20, ENTRY_KEYS};
    for (;;) {
        draw_frame(f);
        std::string list = list_file_name();
        char line[256];
        entry_line(9, 15, "[1] 駅　　　　　EKI.TXT");
        entry_line(10, 15, "[2] 部門　　　　BUMON.TXT");
        entry_line(11, 15, "[3] チーム　　　TEAM.TXT");
        entry_line(12, 15, "[4] 選手　　　　SENSYU.TXT");
        entry_line(13, 15, "[5] オプション　OPTION.TXT");
        std::snprintf(line, sizeof line, "[6] 出力結果　　%s", list.c_str());
        entry_line(15, 15, line);
        std::snprintf(line, sizeof line, "[7] HTML閲覧　　%s/index.%s, %s/index.%s", "html", "htm", "html_keitai", "htm");
        entry_line(16, 15, line);
        entry_line(17, 15, "[8] 区間賞賞状差し込みデータ　区間賞TAB.txt");
        entry_line(18, 15, "[9] 団体賞賞状差し込みデータ　団体賞TAB.txt");
        const Request r = prompt(f);
        static const char* const files[] = {"EKI.TXT", "BUMON.TXT", "TEAM.TXT", "SENSYU.TXT", "OPTION.TXT"};
        if (entry_digit(r, '1')) {
            echo_key(r);
            if (r.ch <= '5') open_in_editor(files[r.digit_value() - 1]);
            else if (r.ch == '6') open_in_editor(list.c_str());
            else if (r.ch == '7') open_result_sites();
            else if (r.ch == '8') open_in_editor("区間賞TAB.txt");
            else open_in_editor("団体賞TAB.txt");
            continue;
        }
        if (!other_request(f, r)) return;
    }
}

// ---- Input-data checks ----

void check_submenu() {
    const Frame f{"* 入力データ・チェック *", 14, true, 20, REPORT_CHOICE_KEYS};
    static const char* const lines[] = {
        "[1] チーム指定（画面）", "[2] 中継所指定", "[3] 全中継所・全チーム", "[4] チーム名・選手名",
        "[5] 疑問スピード・チェック", "[6] 同タイム・チェック", "[7] 中継所指定（部門名・チーム名付）",
        "[8] 全中継所・全チーム（各中継所でタイム順）", "[9] 照合入力（ダブルエントリー）",
        "[0] 区間タイム相対チェック",
    };
    for (;;) {
        draw_frame(f);
        for (int i = 0; i < 10; ++i) entry_line(9 + i, 14, lines[i]);
        const Request r = prompt(f);
        if (entry_digit(r, '0')) {
            echo_key(r);
            run_check_entry(r.digit_value());
            continue;
        }
        if (!other_request(f, r)) return;
    }
}

// ---- Results ----

void results_submenu() {
    const Frame f{"* 結果出力 *", 11, true, 20, REPORT_CHOICE_KEYS};
    static const char* const lines[] = {
        "[0] ゴール速報", "[1] 区間賞一覧表出力", "[2] 団体賞一覧表出力", "[3] 部門別成績一覧表出力",
        "[4] 順位変遷表出力", "[5] 区間順位表出力", "[6] 部門別成績一覧 HTML 出力",
        "[7] 中間成績一覧表出力（中継所指定）", "[8] スピード・ランキング表出力", "[9] 全明細データファイル出力",
    };
    for (;;) {
        draw_frame(f);
        for (int i = 0; i < 10; ++i) entry_line(9 + i, i == 0 ? 12 : 11, lines[i]);
        const Request r = prompt(f);
        if (entry_digit(r, '0')) {
            // Only the list entries 0-8 echo their key; 9 leaves the prompt blank.
            if (r.ch != '9') echo_key(r);
            run_results_entry(r.digit_value());
            continue;
        }
        if (!other_request(f, r)) return;
    }
}

// ---- Certificates ----

void certificate_submenu() {
    const Frame f{"* 賞状作成 *", 13, false, 21, ENTRY_KEYS};
    for (;;) {
        draw_frame(f);
        entry_line(9, 15, "MS-Word の差し込み印刷機能を使って賞状を作ります。");
        entry_line(10, 15, "鋳型の Wordファイルにはマクロが含まれています。");
        entry_line(11, 15, "開くとき [マクロを有効にする] を選択してください。");
        entry_line(13, 13, "[1] 区間賞差し込みファイル（\"区間賞TAB.txt\"）を作る");
        entry_line(14, 13, "[2] 区間賞賞状（Wordファイル）を開く");
        entry_line(15, 13, "[3] [1]と[2]を続けて実行");
        entry_line(16, 13, "[4] 区間賞賞状を PDF で作る");
        entry_line(17, 13, "[6] 団体賞差し込みファイル（\"団体賞TAB.txt\"）を作る");
        entry_line(18, 13, "[7] 団体賞賞状（Wordファイル）を開く");
        entry_line(19, 13, "[8] [6]と[7]を続けて実行");
        entry_line(20, 13, "[9] 団体賞賞状を PDF で作る");
        const Request r = prompt(f);
        if (entry_digit(r, '1') && r.ch != '5') {
            echo_key(r);
            run_certificate_entry(r.digit_value());
            continue;
        }
        if (!other_request(f, r)) return;
    }
}

// ---- Other functions ----

namespace {

void import_prompt() {
    clear_screen();
    show_folder_line(0, 2);
    char name[512] = "";
    for (;;) {
        cputs("\n入力ファイル＝");
        int n = input_text(name, 500);
        if (n < 0) return;
        if (!access_check(name)) {
            beep();
            continue;
        }
        if (import_master_times(name, "MASTFILE.DAT") != MergeResult::same_file) return;
        cputs("\n");
    }
}

void show_program_path() {
    cprintf("\n今動いている%sのプログラムファイルは\n", "KORVEL32");
    set_color(159);
    cputs(shown_path(program_path));
    set_color(15);
    std::uint32_t stamp = file_mtime(program_path.c_str());
    unsigned date = stamp >> 16, time = stamp & 0xFFFF;
    cprintf("\n%s  %04d/%02d/%02d  %02d:%02d:%02d", "version 3.74", 1980 + (date >> 9), (date >> 5) & 15, date & 31,
            time >> 11, (time >> 5) & 63, (time & 31) * 2);
    wait_confirm();
}

void command_interpreter(char key) {
    char echo[3] = {key, '\n', '\0'};
    cputs(echo);
    // COMSPEC names the command interpreter where it is set; a terminal user's own
    // shell is the natural fallback.
    const char* shell = std::getenv("COMSPEC");
    if (!shell || !*shell) shell = std::getenv("SHELL");
    if (!shell || !*shell) {
        cprintf("環境変数 %s が設定されていません", "COMSPEC");
        wait_confirm();
        return;
    }
    cprintf("exit とタイプすると %s に戻ります\n", "KORVEL32");
    run_shell(shell);
}

void print_program_settings() {
    std::string lpx = program_folder() + "lpx/lpx";
    if (access_check(lpx.c_str())) {
        // An argument list: the program folder's name is never read by a shell. lpx
        // waits for one key itself.
        platform::run_and_wait({lpx}, true);
    } else {
        wait_confirm();
    }
}

}  // namespace

void other_submenu() {
    const Frame f{"* その他 *", 15, true, 21, REPORT_CHOICE_KEYS};
    for (;;) {
        draw_frame(f);
        entry_line(9, 15, "[1] タイムデータの初期化");
        entry_line(10, 15, "[2] 他のMASTFILE.DATからのタイムデータ取り込み");
        entry_line(11, 15, "[3] テキストファイルからのタイムデータ読み込み");
        entry_line(12, 15, "[4] スピード：タイム換算表出力");
        entry_line(13, 15, "[5] 部門別チーム数一覧表出力");
        entry_line(14, 15, "[6] 駅・部門パターン出力");
        entry_line(15, 15, "[7] OPTION.TXT 設定内容の確認");
        entry_line(16, 15, "[8] テキストファイル印刷ソフト LPX の設定");
        entry_line(17, 15, "[9] KORVEL32 最新バージョン");
        entry_line(18, 15, "[P] KORVEL32 プログラムファイルのPATH を表示");
        entry_line(19, 15, "[C] コマンドプロンプトを起動");
        entry_line(20, 15, "[J] 入力履歴一覧（JOURNAL.TXT）");
        // Every row of the frame is taken: [R] shares the last one.
        set_cursor(20, 44);
        cputs("[R] 入力履歴からタイムデータを復元");
        const Request r = prompt(f);
        if (entry_digit(r, '1') || r.is('P')) echo_key(r);
        switch (r.printable() ? r.ch : '\0') {
        case '1': build_master_file(BuildAsked::on_demand); continue;
        case '2': import_prompt(); continue;
        case '3': run_other_entry(3); continue;
        case '4': print_speed_table(); continue;
        case '5': run_other_entry(5); continue;
        case '6': run_other_entry(6); continue;
        case '7': show_option_listing(); continue;
        case '8': print_program_settings(); continue;
        case '9': open_in_browser({PROGRAM_HOME_PAGE}); continue;
        case 'P': case 'p': show_program_path(); continue;
        case 'C': case 'c': command_interpreter(r.ch); continue;
        case 'J': case 'j': echo_key(r); journal_list_entry(); continue;
        case 'R': case 'r': echo_key(r); recover_from_journal(); continue;
        default: break;
        }
        if (!other_request(f, r)) return;
    }
}

}  // namespace korvel
