#include "html/publisher.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <cstdio>
#include <exception>
#include <memory>

#include "eventdata/kihondat.h"
#include "eventdata/mast_lock.h"
#include "eventdata/mastfile.h"
#include "html/html_text.h"
#include "html/result_sites.h"
#include "platform/background_program.h"
#include "platform/console.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/folder_watch.h"
#include "platform/memory_console.h"
#include "platform/process.h"
#include "platform/terminal_console.h"
#include "platform/wait_set.h"
#include "shell/console_ui.h"
#include "shell/options.h"
#include "shell/runtime.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

// Milliseconds of a clock that only goes forward (<chrono> cannot be compiled for
// the program's character set).
long long now_ms() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// The data files a publication depends on: the same as the main menu watches, and the
// options (the event name, the colours, PUBLISHCMD).
const char* const WATCHED[] = {"EKI.TXT", "BUMON.TXT", "TEAM.TXT", "SENSYU.TXT", "MASTFILE.DAT", "NAMEFILE.DAT", "OPTION.TXT"};
// Where the folder cannot be watched (or a network folder does not report what other
// computers write), the files' states are compared this often all the same.
constexpr int SAFETY_CHECK_MS = 10000;
// A failed publication (a full disk, a folder in the way) is tried again after this.
constexpr long long RETRY_MS = 30000;

std::string files_state() {
    std::string state;
    for (const char* name : WATCHED) state += platform::file_state(name) + "|";
    return state;
}

std::string definitions_state() {
    return platform::file_state("EKI.TXT") + "|" + platform::file_state("BUMON.TXT") + "|" +
           platform::file_state("OPTION.TXT");
}

class Publisher {
public:
    Publisher(int seconds, bool terminal) : seconds_(seconds), terminal_(terminal) {}
    int run();

private:
    bool publish();
    bool definitions_ready(std::string& why);
    void start_hook();
    void take_hook_output();
    void finish_hook();
    std::string console_message() const;
    void draw();
    void say(const std::string& cp932_line);

    int seconds_;
    bool terminal_;
    platform::BackgroundProgram hook_;
    bool hook_again_ = false;
    std::string published_state_;
    std::string loaded_definitions_;
    // What the status screen shows (CP932).
    std::string last_time_ = "まだ公開していません";
    std::string last_result_;
    std::string hook_text_;
    std::string notes_;
};

int Publisher::run() {
    platform::FolderWatch watch{"EKI.TXT", "BUMON.TXT", "TEAM.TXT", "SENSYU.TXT", "MASTFILE.DAT", "NAMEFILE.DAT",
                                "OPTION.TXT"};
    platform::WaitSet waits;
    waits.add(watch.fd());
    waits.add(platform::stop_signal_fd());

    loaded_definitions_ = definitions_state();
    bool pending = true;  // once at start
    const long long interval = seconds_ * 1000LL;
    long long last = now_ms() - interval;  // the last publication's start
    long long due = now_ms();              // of the pending publication
    long long last_check = now_ms();
    draw();
    while (!platform::stop_requested()) {
        const long long now = now_ms();
        if (pending && now >= due) {
            pending = false;
            last = now;
            if (!publish()) {
                // Tried again by itself after a while, or after the next change.
                pending = true;
                due = now + std::max(interval, RETRY_MS);
            }
            watch.take_changes();  // our own write of MASTFILE.DAT
            remove_old_result_sites();
            last_check = now_ms();
            draw();
            continue;
        }
        long long timeout = pending ? due - now + 1 : SAFETY_CHECK_MS - (now - last_check);
        timeout = std::max(timeout, 0LL);
        const int hook_fd = hook_.fd();
        waits.add(hook_fd);
        bool key = false;
        if (terminal_) {
            key = platform::console().wait_input(static_cast<int>(timeout), waits.fd());
        } else {
            waits.wait(static_cast<int>(timeout));
        }
        waits.remove(hook_fd);
        if (key) {
            const Request r = poll_request();
            if (r.is('q') || r.kind == Request::back) break;
        }
        take_hook_output();
        const bool noticed = watch.take_changes();
        const bool safety = now_ms() - last_check >= SAFETY_CHECK_MS;
        if (noticed || safety || watch.fd() < 0) {
            last_check = now_ms();
            if (files_state() != published_state_) {
                pending = true;
                due = last + interval;
            }
        }
    }
    remove_old_result_sites();
    finish_hook();
    if (!terminal_) say("終了します");
    return 0;
}

// Definitions edited since they were loaded are taken once an entry terminal has
// rebuilt MASTFILE.DAT from them (its main menu does that); until then the master file
// does not fit them, and the last sites stay.
bool Publisher::definitions_ready(std::string& why) {
    const std::string now = definitions_state();
    if (now != loaded_definitions_) {
        if (file_mtime("MASTFILE.DAT") < file_mtime("EKI.TXT") || file_mtime("MASTFILE.DAT") < file_mtime("BUMON.TXT")) {
            why = "EKI.TXT か BUMON.TXT が変わりました。入力端末で MASTFILE.DAT が作り直されるのを待ちます";
            return false;
        }
        kihon_data();
        loaded_definitions_ = now;
    }
    if (!file_exists(MASTFILE_NAME)) {
        why = "MASTFILE.DAT がありません";
        return false;
    }
    unsigned char bytes[MAST_HEADER_SIZE];
    mast_open(MASTFILE_NAME, "rb", bytes).close();
    const MastHeader h = decode_mast_header(bytes);
    if (!h.current_format() || h.max_kukan != definition().max_sections()) {
        why = "MASTFILE.DAT が定義ファイルと合いません。入力端末で作り直してください";
        return false;
    }
    return true;
}

bool Publisher::publish() {
    const long long start = now_ms();
    if (!terminal_) clear_screen();
    std::string why;
    Publication done;
    bool computed = false;
    try {
        if (definitions_ready(why)) {
            recompute_without_warnings();
            published_state_ = files_state();
            computed = true;
            done = write_result_sites();
        }
    } catch (const MainMenuReturn&) {
        why = "データファイルを読めませんでした " + console_message();
    } catch (const std::exception&) {
        why = "データファイルを読めませんでした " + console_message();
    }
    if (!computed) published_state_ = files_state();
    const long ms = static_cast<long>(now_ms() - start);
    std::string stamp = date_time_stamp();
    if (!computed || !done.ok()) {
        notes_ = (why.empty() ? done.notes() : why);
        last_result_ = stamp + "  公開できませんでした（前のページのままです）";
        say("公開できませんでした: " + notes_);
        return false;
    }
    notes_ = done.notes();
    last_time_ = formatted("%s  所要 %ld ms  版 %d", stamp.c_str(), ms, done.version);
    last_result_ = formatted("ゴール %d / %d チーム", done.finished, done.teams);
    say(formatted("公開しました 版 %d  ゴール %d / %d チーム  %ld ms", done.version, done.finished, done.teams, ms));
    if (!notes_.empty()) say(notes_);
    if (hook_.running()) {
        hook_again_ = true;
    } else {
        start_hook();
    }
    return true;
}

void Publisher::start_hook() {
    hook_again_ = false;
    std::string value;
    if (!get_option("PUBLISHCMD", value) || value.find_first_not_of(" \t") == std::string::npos) return;
    const std::vector<std::string> argv = publish_command(value, platform::current_folder());
    if (hook_.start(argv)) {
        hook_text_ = "PUBLISHCMD 実行中";
    } else {
        hook_text_ = "PUBLISHCMD を起動できません: " + platform::error_text(errno);
        say(hook_text_);
    }
}

void Publisher::take_hook_output() {
    if (!hook_.running() || !hook_.take_output()) return;
    hook_text_ = formatted("PUBLISHCMD 終了コード %d", hook_.status());
    if (!hook_.last_line().empty()) hook_text_ += ": " + platform::utf8_to_cp932(hook_.last_line());
    say(hook_text_);
    if (hook_again_) start_hook();
    draw();
}

// An upload under way when the publisher is ended is waited for (a minute at most):
// cut off, it could leave the server with half a site.
void Publisher::finish_hook() {
    if (!hook_.running()) return;
    hook_again_ = false;
    say("アップロードの終了を待っています");
    hook_text_ = "PUBLISHCMD の終了を待っています";
    draw();
    platform::WaitSet waits;
    waits.add(hook_.fd());
    for (const long long end = now_ms() + 60000; hook_.running() && now_ms() < end;) {
        waits.wait(1000);
        take_hook_output();
    }
}

// What a routine deep in the publication wrote before it gave up (plain lines: nobody
// saw the screen it wrote to).
std::string Publisher::console_message() const {
    if (terminal_) return {};
    const auto* memory = dynamic_cast<const platform::MemoryConsole*>(&platform::console());
    if (!memory) return {};
    std::string text;
    for (int row = 0; row < memory->rows(); ++row) {
        const std::string line = memory->row(row);
        if (line.find_first_not_of(' ') != std::string::npos) text = line.substr(line.find_first_not_of(' '));
    }
    return text;
}

void Publisher::say(const std::string& cp932_line) {
    if (terminal_) return;
    std::printf("%s %s\n", date_time_stamp(), platform::cp932_to_utf8(cp932_line).c_str());
    std::fflush(stdout);
}

void Publisher::draw() {
    if (!terminal_) return;
    clear_screen();
    set_color(15);
    set_cursor(0, 0);
    cprintf("KORVEL32 速報公開  %s", event_name());
    show_folder_line(0, 2);
    set_cursor(4, 0);
    cprintf("公開の間隔  最短 %d 秒（データが変わったとき）", seconds_);
    set_cursor(6, 0);
    cprintf("最終公開    %s", last_time_.c_str());
    set_cursor(7, 0);
    cprintf("            %s", last_result_.c_str());
    set_cursor(9, 0);
    cprintf("アップロード %s", hook_text_.empty() ? "（PUBLISHCMD なし、またはまだ実行していません）" : hook_text_.c_str());
    if (!notes_.empty()) {
        set_color(14);
        set_cursor(11, 0);
        cputs(notes_);
        set_color(15);
    }
    set_cursor(20, 0);
    cputs("[Q] 終了（Ctrl-C でも終了します）");
    platform::console().refresh();
}

}  // namespace

std::vector<std::string> publish_command(const std::string& option_value, const std::string& folder) {
    std::vector<std::string> argv;
    std::size_t i = 0;
    while (i < option_value.size()) {
        while (i < option_value.size() && (option_value[i] == ' ' || option_value[i] == '\t')) ++i;
        std::size_t end = i;
        while (end < option_value.size() && option_value[end] != ' ' && option_value[end] != '\t') ++end;
        if (end == i) break;
        std::string word = platform::disk_name(option_value.substr(i, end - i));
        for (std::size_t at; (at = word.find("{dir}")) != std::string::npos;) word.replace(at, 5, folder);
        argv.push_back(std::move(word));
        i = end;
    }
    return argv;
}

int run_publisher(int seconds) {
    install_out_of_memory_handler();
    const bool terminal = isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
    if (terminal) {
        auto console = platform::make_terminal_console();
        if (!console) return 1;
        platform::set_console(std::move(console));
    } else {
        // Nobody answers a question: one asked deep in a publication (a damaged file)
        // ends that publication instead of waiting.
        platform::set_console(std::make_unique<platform::MemoryConsole>(80, 100));
    }
    platform::catch_stop_signals();
    take_folder_mark();
    try {
        kihon_data();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "korvel32 --publish: %s\n", e.what());
        exit_program(1);
    } catch (const MainMenuReturn&) {
        exit_program(1);
    }
    const int status = Publisher(seconds, terminal).run();
    stream_check(false);
    exit_program(status);
}

}  // namespace korvel
