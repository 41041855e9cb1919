#include "shell/output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/whole_file.h"
#include "shell/console_ui.h"
#include "shell/options.h"
#include "shell/regexp.h"
#include "shell/sjis.h"

namespace korvel {

int out_kind_no = OUT_FILE;
char append_mode = '0';
char field_separator = 0;

namespace {

const char* const destination_names[] = {"プリンタ", "ファイル", "クリップボード"};

// The four bytes of the choice, little-endian.
std::string destination_bytes() {
    std::string bytes(4, '\0');
    auto v = static_cast<std::uint32_t>(out_kind_no);
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    return bytes;
}

}  // namespace

// ---- Destination ----

int destination() { return (out_kind_no >= 0 && out_kind_no <= 2) ? out_kind_no : OUT_FILE; }

const char* destination_name(int kind) {
    return destination_names[(kind >= 0 && kind <= 2) ? kind : OUT_FILE];
}

void load_destination() {
    out_kind_no = OUT_FILE;
    FILE* f = std::fopen("SELCTOUT.DAT", "rb");
    if (!f) return;
    unsigned char bytes[4];
    if (std::fread(bytes, 1, 4, f) == 4) {
        std::int32_t v = static_cast<std::int32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                                   (static_cast<std::uint32_t>(bytes[3]) << 24));
        if (v >= 0 && v <= 2) out_kind_no = v;
    }
    std::fclose(f);
}

void save_destination() {
    // The choice holds for this run all the same; only its keeping is lost.
    if (int err = platform::write_whole_file("SELCTOUT.DAT", destination_bytes())) {
        cprintf("\n%s への書き込みに失敗しました", "SELCTOUT.DAT");
        show_system_error(err);
        wait_confirm();
    }
}

void save_destination_quietly() { platform::write_whole_file("SELCTOUT.DAT", destination_bytes()); }

std::string list_file_option() {
    std::string value;
    if (!get_option("LISTFILE", value)) value = "OUT.TXT";
    return value;
}

std::string list_file_name(char* mode_char) {
    std::string value = list_file_option();
    if (mode_char) *mode_char = 0;
    // The comma cannot be a trail byte, so a plain search is safe in CP932.
    auto comma = value.find(',');
    if (comma == std::string::npos) return value;
    if (mode_char) {
        const char* p = value.c_str() + comma + 1;
        skip_blanks(&p);
        if (*p == '0' || *p == '1') *mode_char = *p;
    }
    return value.substr(0, comma);
}

void select_output_destination() {
    std::string listfile = list_file_option();
    int choice = destination();
    for (;;) {
        clear_screen();
        show_help_hint();
        set_cursor(2, 8);
        cputs("出力先の変更");
        for (int i = 0; i < 3; ++i) {
            set_cursor(4 + i, 16);
            if (i == choice) {
                cputs("→ ");
                set_color(207);
            } else {
                cputs("   ");
            }
            cprintf("[%d] %s", i + 1, destination_names[i]);
            if (i == OUT_FILE) cprintf("（%s）", listfile.c_str());
            set_color(15);
        }
        set_cursor(8, 8);
        cputs("選択（エンターで確定）[ ]");
        show_key_hints(HINT_ESC | HINT_F5);
        set_cursor(8, 31);
        cprintf("%d", choice + 1);
        cursor_back(1);
        const Request r = read_request();
        if (r.kind == Request::left || r.kind == Request::up) {
            choice = (choice + 2) % 3;
        } else if (r.kind == Request::right || r.kind == Request::down) {
            choice = (choice + 1) % 3;
        } else if (r.kind == Request::digit && r.ch >= '1' && r.ch <= '3') {
            choice = r.digit_value() - 1;
        } else if (r.kind == Request::enter) {
            out_kind_no = choice;
            save_destination();
            return;
        } else if (r.kind == Request::back) {
            return;
        } else if (r.kind == Request::main_menu) {
            jump_to_main_menu();
        } else {
            beep();
        }
    }
}

namespace {

// Reads one of the digit keys of a question; -1 for Esc.
int ask_digit(const char* digits) {
    for (;;) {
        const Request r = read_request();
        if (r.kind == Request::back) return -1;
        if (r.kind == Request::main_menu) jump_to_main_menu();
        if (r.kind == Request::digit && std::strchr(digits, r.ch)) {
            char echo[2] = {r.ch, '\0'};
            cputs(echo);
            cursor_back(1);
            return r.ch;
        }
        beep();
    }
}

}  // namespace

bool confirm_output_destination(bool ask_separator) {
    int kind = destination();
    if (kind == OUT_PRINTER) return true;
    if (ask_separator) {
        cputs("\n\n区切文字(なし→0　ﾀﾌﾞ→1　ｶﾝﾏ→2)[ ]");
        auto& c = platform::console();
        int row = c.cursor_row();
        int col = c.cursor_col() - 2;
        show_key_hints(HINT_ESC | HINT_F5);
        set_cursor(row, col);
        int key = ask_digit("012");
        if (key < 0) return false;
        field_separator = key == '0' ? 0 : key == '1' ? '\t' : ',';
    }
    if (kind == OUT_FILE) {
        char mode = 0;
        std::string name = list_file_name(&mode);
        if (file_exists(name.c_str())) {
            if (mode) {
                append_mode = mode;
            } else {
                cprintf("\n\n\"%s\"は既存です(上書き→0　追加→1)[ ]", name.c_str());
                auto& c = platform::console();
                int row = c.cursor_row();
                int col = c.cursor_col() - 2;
                show_key_hints(HINT_ESC | HINT_F5);
                set_cursor(row, col);
                int key = ask_digit("01");
                if (key < 0) return false;
                append_mode = static_cast<char>(key);
            }
        }
    }
    return true;
}

std::unique_ptr<platform::WholeFile> open_report_file(int kind) {
    const bool list = kind == OUT_FILE;
    const std::string name = list ? list_file_name() : std::string("korvel.tmp");
    const auto begin = list && append_mode == '1' ? platform::WholeFile::Begin::after_old_content
                                                  : platform::WholeFile::Begin::empty;
    for (;;) {
        auto file = std::make_unique<platform::WholeFile>(name, "wt", begin, open_hooked);
        if (*file) return file;
        const int err = file->error();
        file.reset();
        open_failed(name.c_str(), list && append_mode == '1' ? "a+t" : "wt", err);
    }
}

// ---- Delivery ----

namespace {

std::string print_program_path() { return program_folder() + "lpx/lpx"; }

// Reports a missing print program as failure number n.
bool print_program_ready(int n, const std::string& path) {
    if (::access(path.c_str(), X_OK) == 0) return true;
    int err = errno;
    cprintf("\n印刷に失敗しました(%d)", n);
    cprintf("\nプログラム\n%s\nが存在しないことが原因です", shown_path(path).c_str());
    show_system_error(err);
    wait_confirm();
    return false;
}

}  // namespace

bool build_print_command(const char* print_key, const std::string& file, std::vector<std::string>& argv) {
    argv.clear();
    std::string value;
    if (!get_option(print_key, value)) {
        std::string program = print_program_path();
        if (!print_program_ready(2, program)) return false;
        argv = {program, "-p", "-q", file};
        return true;
    }
    if (value.size() > 500) value.resize(500);
    value += ' ';
    const char* text = value.c_str();
    MatchPair m[10];
    std::size_t rest;
    if (pattern_matching("^\\s*([\"']*)[lL][pP][xX](\\1)\\s", text, 10, m) == 0) {
        std::string program = print_program_path();
        if (!print_program_ready(1, program)) return false;
        argv.push_back(program);
        rest = static_cast<std::size_t>(m[0].end);
    } else if (pattern_matching("^\\s*([\"']+)([^\"']+)(\\1)", text, 10, m) == 0) {
        argv.emplace_back(text + m[2].start, text + m[2].end);
        rest = static_cast<std::size_t>(m[0].end);
    } else if (pattern_matching("^\\s*(\\S+)", text, 10, m) == 0) {
        argv.emplace_back(text + m[1].start, text + m[1].end);
        rest = static_cast<std::size_t>(m[0].end);
    } else {
        std::remove(file.c_str());
        cputs("closefpout_and_callprt() でパターンマッチエラー\n");
        fatal_stop();
    }
    // Arguments: white-space separated words; quotes are not interpreted.
    while (argv.size() < 98) {
        if (pattern_matching("^\\s*(\\S+)", text + rest, 10, m) != 0) break;
        argv.emplace_back(text + rest + m[1].start, text + rest + m[1].end);
        rest += static_cast<std::size_t>(m[0].end);
    }
    argv.push_back(file);
    return true;
}

namespace {

bool copy_file_to_clipboard(const std::string& name) {
    Stream f = fopen_or_abort(name.c_str(), "rb");
    std::string text;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
    f.close();
    return platform::copy_to_clipboard(text);
}

// What a print program said on its error output (a Linux program: UTF-8), below the
// failure message: its last lines, without the control characters that would move
// the cursor about.
void show_program_errors(const std::string& errors) {
    constexpr std::size_t max_lines = 8;
    std::vector<std::string> lines(1);
    for (char c : shown_path(errors)) {
        if (c == '\n') lines.emplace_back();
        else if (c == '\t' || static_cast<unsigned char>(c) >= 0x20) lines.back() += c;
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.empty()) return;
    cputs("\n");
    for (std::size_t i = lines.size() > max_lines ? lines.size() - max_lines : 0; i < lines.size(); ++i)
        cputs(lines[i] + "\n");
}

}  // namespace

void show_report_write_failure(const std::string& file, int err) {
    cprintf("\n%s への書き込みに失敗しました。この出力は完了していません", shown_path(file).c_str());
    show_system_error(err);
    wait_confirm();
}

void hand_on_report(const char* print_key, int kind, const std::string& file) {
    if (kind == OUT_FILE) {
        open_in_editor(file.c_str());
        return;
    }
    if (kind == OUT_CLIPBOARD) {
        if (copy_file_to_clipboard(file)) {
            cputs("\nクリップボードへ出力しました\n");
            platform::console().refresh();
            platform::sleep_ms(2000);
        } else {
            cputs("\nクリップボードへのコピーに失敗しました\n");
            wait_confirm();
        }
        return;
    }
    std::vector<std::string> argv;
    if (!build_print_command(print_key, file, argv)) return;
    std::string errors;
    int status = platform::run_and_wait_keeping_errors(argv, errors);
    if (status == 0) {
        cprintf("\n%s\nで印刷します", shown_path(argv[0]).c_str());
        platform::console().refresh();
        platform::sleep_ms(2000);
    } else {
        cputs("\n印刷に失敗しました(3)");
        cprintf("\n%s\nを起動できないことが原因です", shown_path(argv[0]).c_str());
        cprintf("\n%s を確認してください\n", "OPTION.TXT");
        show_program_errors(errors);
        wait_confirm();
    }
}

}  // namespace korvel
