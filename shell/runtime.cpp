#include "shell/runtime.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "platform/console.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/whole_file.h"
#include "shell/console_ui.h"
#include "shell/lock_wait.h"
#include "shell/options.h"
#include "shell/output.h"

namespace korvel {

namespace {

// Every Stream that holds an open file, so the main menu can close what was left.
// Never destroyed: a Stream with static storage is destroyed at exit after any
// function-local static, and must still find the registry.
std::vector<Stream*>& open_streams() {
    static auto* streams = new std::vector<Stream*>;
    return *streams;
}

void register_stream(Stream* s) { open_streams().push_back(s); }

void unregister_stream(Stream* s) {
    auto& v = open_streams();
    v.erase(std::remove(v.begin(), v.end(), s), v.end());
}

bool mode_writes(const char* mode) {
    return mode[0] == 'w' || mode[0] == 'a' || (mode[1] == '+') || (mode[1] != '\0' && mode[2] == '+');
}

void wait_for_y() {
    for (;;) {
        const Request r = read_request();
        if (r.is('Y')) {
            char echo[2] = {r.ch, '\0'};
            cputs(echo);
            return;
        }
    }
}

}  // namespace

void jump_to_main_menu() { throw MainMenuReturn{}; }

void exit_program(int status) { throw ProgramExit{status}; }

// ---- Streams ----

Stream::Stream(FILE* f) : file_(f) {
    if (file_) register_stream(this);
}

Stream::Stream(Stream&& other) noexcept : file_(other.file_), holds_lock_(other.holds_lock_) {
    if (file_) {
        unregister_stream(&other);
        other.file_ = nullptr;
        register_stream(this);
    }
}

Stream& Stream::operator=(Stream&& other) noexcept {
    if (this != &other) {
        close();
        file_ = other.file_;
        holds_lock_ = other.holds_lock_;
        if (file_) {
            unregister_stream(&other);
            other.file_ = nullptr;
            register_stream(this);
        }
    }
    return *this;
}

Stream::~Stream() { close(); }

bool Stream::any_holds_lock() {
    for (const Stream* s : open_streams())
        if (s->holds_lock_) return true;
    return false;
}

bool Stream::close() {
    if (!file_) return true;
    holds_lock_ = false;
    unregister_stream(this);
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
}

namespace {
FILE* (*open_function)(const char*, const char*) = platform::open_file;
}  // namespace

void set_open_function(FILE* (*open)(const char* name, const char* mode)) {
    open_function = open ? open : platform::open_file;
}

FILE* open_hooked(const char* name, const char* mode) { return open_function(name, mode); }

void open_failed(const char* name, const char* mode, int err) {
    cprintf("\n\"%s\" のオープンに失敗しました(mode=%s)\n", name, mode);
    show_system_error(err);
    auto kind = platform::classify_errno(err);
    if (kind == platform::OpenError::not_found) {
        if (mode[0] == 'r') cprintf("\"%s\" が存在しません\n", name);
    } else if (kind == platform::OpenError::access_denied && mode_writes(mode) && !Stream::any_holds_lock()) {
        // Asked only with no lock held: every other terminal would wait for the
        // answer. Under a lock the work is abandoned (the locks go with it).
        cprintf("\"%s\" を他のソフトで開いていたら閉じてください\n", name);
        const bool again = ask_yes_no("再試行しますか？（Y / N）");
        cputs("\n");
        if (again) return;
    }
    if (Stream::any_holds_lock()) {
        // No confirmation with a lock held: the main menu repeats the reason.
        keep_for_main_menu(std::string("\"") + name + "\" のオープンに失敗しました（" + platform::error_text(err) + "）");
        jump_to_main_menu();
    }
    menu_return_prompt();
    jump_to_main_menu();
}

Stream fopen_retry(const char* name, const char* mode) {
    for (;;) {
        FILE* f = open_function(name, mode);
        if (f) return Stream(f);
        open_failed(name, mode, errno);
    }
}

Stream fopen_or_abort(const char* name, const char* mode) {
    FILE* f = platform::open_file(name, mode);
    if (!f) {
        cprintf("\n%s: \"%s\" のオープンに失敗しました\n", shown_path(program_path).c_str(), name);
        end_program(nullptr);
    }
    return Stream(f);
}

void fclose_or_abort(Stream& stream) {
    if (!stream.close()) {
        cprintf("\n%s: ファイルのクローズに失敗しました\n", shown_path(program_path).c_str());
        end_program(nullptr);
    }
}

int open_stream_count() { return static_cast<int>(open_streams().size()); }

void stream_check(bool warn) {
    int count = 0;
    bool failed = false;
    while (!open_streams().empty()) {
        Stream* s = open_streams().back();
        if (!s->close()) failed = true;
        ++count;
    }
    if (failed) {
        cputs("fcloseall() error\n");
        exit_program(1);
    }
    if (count > 0 && warn) {
        cprintf("\n%d 個の stream を close しました\n", count);
        cputs("\n警告を確認したら Y を入力[ ]");
        cursor_back(2);
        wait_for_y();
    }
}

// ---- File checks ----

bool file_exists(const char* path) { return platform::file_exists(path); }

bool access_check(const char* path) {
    if (::access(platform::disk_name(path).c_str(), F_OK) == 0) return true;
    int err = errno;
    switch (platform::classify_errno(err)) {
    case platform::OpenError::not_found:
        cprintf("\n\"%s\" パスまたはファイルが見つかりません\n", path);
        break;
    case platform::OpenError::access_denied:
        cprintf("\n\"%s\" アクセスが否定されています\n", path);
        break;
    default:
        cprintf("\n\"%s\" access()エラー\n", path);
        break;
    }
    return false;
}

bool folder_exists(const char* path) { return platform::folder_exists(path); }

platform::Sameness same_file(const char* a, const char* b) { return platform::same_file(a, b); }

std::uint32_t file_mtime(const char* path) { return platform::file_mtime(path); }

void show_system_error(int err) {
    // The system's text has no line end of its own: the message that follows
    // must not run on from it.
    if (platform::console().cursor_col() != 0) cputs("\n");
    cputs(platform::error_text(err));
    cputs("\n");
}

// ---- Ending ----

void end_program(const char* name) {
    // Streams are closed quietly: a failure here must not hide the message below.
    while (!open_streams().empty()) open_streams().back()->close();
    if (name) cprintf("\n%s を終了します。", name);
    else cputs("\n異常終了させます。");
    cputs("\n上のメッセージを確認した後 Y を入力[ ]");
    cursor_back(2);
    try {
        wait_for_y();
    } catch (const std::exception&) {
        // No keys can be read (tests, a lost terminal): end all the same.
    }
    exit_program(1);
}

namespace {
std::vector<void (*)()>& fatal_stop_cleanups() {
    static std::vector<void (*)()> cleanups;
    return cleanups;
}
}  // namespace

void at_fatal_stop(void (*cleanup)()) { fatal_stop_cleanups().push_back(cleanup); }

int finish_program(int status) {
    // The owners removed theirs on the way here; what is left had no owner on the stack.
    platform::remove_own_temporaries();
    if (platform::has_console()) platform::console().shutdown();
    std::fflush(nullptr);
    return status;
}

void fatal_stop() {
    save_destination_quietly();
    platform::remove_own_temporaries();
    for (auto cleanup : fatal_stop_cleanups()) cleanup();
    end_program("KORVEL32");
}

namespace {
void out_of_memory() {
    std::set_new_handler(nullptr);
    cputs("\nメモリの確保（new）に失敗しました\n");
    fatal_stop();
}
}  // namespace

void install_out_of_memory_handler() { std::set_new_handler(out_of_memory); }

// ---- Files written whole ----

bool write_file_whole(const char* name, const std::function<void(FILE*)>& body, const char* mode) {
    // Another copy may write the same file at the same moment: each its own
    // temporary, the last rename wins whole. An exception out of body leaves the old
    // file and no temporary.
    platform::WholeFile file(name, mode, platform::WholeFile::Begin::empty, open_function);
    int err = file.error();
    if (file) {
        body(file.out());
        err = file.commit();
    }
    if (err == 0) return true;
    cprintf("\n%s への書き込みに失敗しました。この出力は完了していません", name);
    show_system_error(err);
    wait_confirm();
    return false;
}

// ---- Launching ----

void open_with_association(const char* path) {
    // Without a desktop some files (a word-processor template, say) have nothing here
    // that can show them: the user is told which file to open elsewhere.
    if (platform::open_with_association(path) != platform::Opened::not_opened) return;
    const bool address = std::strstr(path, "://") != nullptr;
    const std::string shown = address || path[0] == '/' ? shown_path(path) : shown_path(platform::current_folder()) + "/" + path;
    cprintf("\n次を開いてください: %s\n", shown.c_str());
    wait_confirm();
}

void open_in_browser(const std::vector<std::string>& pages) {
    bool told = false;
    for (const std::string& page : pages) {
        const bool address = page.find("://") != std::string::npos;
        if (!address && !access_check(page.c_str())) {
            told = true;
            continue;
        }
        if (platform::open_with_association(page) != platform::Opened::not_opened) continue;
        const std::string shown = address ? page : shown_path(platform::current_folder()) + "/" + page;
        cprintf("\nブラウザで開いてください: %s", shown.c_str());
        told = true;
    }
    if (told) {
        cputs("\n");
        wait_confirm();
    }
}

int run_shell(const char* command) { return platform::run_shell(command); }

void open_in_editor(const char* path) {
    std::string editor;
    if (get_option("EDITOR", editor)) {
        if (!editor.empty() && editor.front() == '"') editor.erase(0, 1);
        if (!editor.empty() && editor.back() == '"') editor.pop_back();
        if (platform::edit_text_file(editor, path)) return;
        int err = errno;
        cprintf("\n\n\"%s\"\nを実行できません(1)", editor.c_str());
        show_system_error(err);
        cprintf("%s の \"EDITOR\" の行を確認してください\n", "OPTION.TXT");
        cputs("代わりに、拡張子に関連づけられたプログラムで開きます\n");
        wait_confirm();
    }
    // Without a working EDITOR the user's own terminal editor opens the file; it
    // creates a missing file when the user saves.
    if (platform::edit_text_file("", path)) return;
    int err = errno;
    cprintf("\n\n\"%s\"\nを実行できません(2)", "editor");
    show_system_error(err);
    wait_confirm();
}

// ---- Stamps ----

namespace {
std::tm real_local_now() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

std::tm (*now_local)() = real_local_now;
}  // namespace

void set_clock(std::tm (*local_now)()) { now_local = local_now ? local_now : real_local_now; }

const char* date_stamp() {
    static char buf[32];
    std::tm tm = now_local();
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return buf;
}

const char* time_stamp() {
    static char buf[32];
    std::tm tm = now_local();
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

const char* date_time_stamp() {
    static char buf[64];
    std::tm tm = now_local();
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d  %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::string program_path;

std::string program_folder() {
    auto slash = program_path.rfind('/');
    if (slash == std::string::npos) return {};
    return program_path.substr(0, slash + 1);
}

}  // namespace korvel

extern const long long korvel_build_epoch __attribute__((weak));

namespace korvel {
std::tm exe_time() {
    std::time_t t = &korvel_build_epoch ? static_cast<std::time_t>(korvel_build_epoch) : 0;
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}
}  // namespace korvel
