#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/console.h"
#include "platform/cp932.h"
#include "platform/edited_text.h"
#include "platform/files.h"
#include "platform/whole_file.h"

namespace platform {

namespace {

bool env_set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

bool executable(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Whether a program name (a path, or a name searched along PATH) can be run.
bool on_path(const std::string& name) {
    if (name.empty()) return false;
    if (name.find('/') != std::string::npos) return executable(name);
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (executable((dir.empty() ? "." : dir) + "/" + name)) return true;
        start = end + 1;
    }
    return false;
}

std::string first_word(const std::string& command) {
    auto begin = command.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    auto end = command.find_first_of(" \t", begin);
    return command.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

// While a child runs in our process group, Ctrl-C and Ctrl-\ are meant for it.
class TerminalSignalsIgnored {
public:
    TerminalSignalsIgnored() {
        struct sigaction ignore{};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGINT, &ignore, &old_int_);
        sigaction(SIGQUIT, &ignore, &old_quit_);
    }
    ~TerminalSignalsIgnored() {
        sigaction(SIGINT, &old_int_, nullptr);
        sigaction(SIGQUIT, &old_quit_, nullptr);
    }

private:
    struct sigaction old_int_{}, old_quit_{};
};

void reset_child_signals() {
    for (int sig : {SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGHUP, SIGTSTP, SIGWINCH}) signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

void null_streams(bool keep_stdin) {
    int fd = ::open("/dev/null", O_RDWR);
    if (fd < 0) return;
    if (!keep_stdin) dup2(fd, 0);
    dup2(fd, 1);
    dup2(fd, 2);
    if (fd > 2) ::close(fd);
}

enum class Streams { terminal, quiet };

// Starts argv[0] along PATH. quiet: standard streams to /dev/null, except stdin when
// input_fd is given and the error output when error_fd is. Returns the child's pid, or
// -1 with errno set to the reason the program could not be started (sent back from the
// child through a close-on-exec pipe).
pid_t spawn(const std::vector<std::string>& argv, Streams streams, int input_fd = -1, int error_fd = -1) {
    if (argv.empty() || argv[0].empty()) {
        errno = ENOENT;
        return -1;
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return -1;
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        int err = errno;
        ::close(report[0]);
        ::close(report[1]);
        errno = err;
        return -1;
    }
    if (pid == 0) {
        reset_child_signals();
        if (streams == Streams::quiet) null_streams(input_fd >= 0);
        if (input_fd >= 0) dup2(input_fd, 0);
        if (error_fd >= 0) dup2(error_fd, 2);
        execvp(args[0], args.data());
        int err = errno;
        ssize_t ignored = write(report[1], &err, sizeof err);
        (void)ignored;
        _exit(127);
    }
    ::close(report[1]);
    int err = 0;
    ssize_t n;
    do {
        n = read(report[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (n == static_cast<ssize_t>(sizeof err)) {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        errno = err;
        return -1;
    }
    return pid;
}

int wait_for(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// Starts a program that outlives us and is never waited for: the intermediate child
// exits at once, the grandchild is adopted by init.
void spawn_detached(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) return;
    if (pid == 0) {
        setsid();
        if (fork() == 0) {
            reset_child_signals();
            null_streams(false);
            execvp(args[0], args.data());
            _exit(127);
        }
        _exit(0);
    }
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// Hands the screen to a child and takes it back, keeping errno of the run.
class ScreenHandedOver {
public:
    ScreenHandedOver() : active_(has_console()) {
        if (active_) console().suspend();
    }
    ~ScreenHandedOver() {
        if (!active_) return;
        int err = errno;
        console().resume();
        errno = err;
    }

private:
    bool active_;
};

int run_waited(const std::vector<std::string>& argv, bool needs_terminal) {
    TerminalSignalsIgnored signals;
    std::unique_ptr<ScreenHandedOver> screen;
    if (needs_terminal) screen = std::make_unique<ScreenHandedOver>();
    pid_t pid = spawn(argv, needs_terminal ? Streams::terminal : Streams::quiet);
    if (pid < 0) return -1;
    return wait_for(pid);
}

bool read_whole(const std::string& path, std::string& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool write_whole(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0) ok = false;
    return ok;
}

std::string crlf_to_lf(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

std::string base_name(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string lower_extension(const std::string& path) {
    std::string name = base_name(path);
    auto dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) return {};
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// A private folder in the temporary area holding a copy named like the original
// (in UTF-8, as the editor and pager show it).
class TempCopy {
public:
    explicit TempCopy(const std::string& original) {
        const char* tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvel32-XXXXXX";
        if (!mkdtemp(templ.data())) return;
        folder_ = templ;
        std::string name = cp932_to_utf8(base_name(original));
        if (name.empty() || name == "." || name == "..") name = "text.txt";
        path_ = folder_ + "/" + name;
    }
    ~TempCopy() {
        if (keep_ || folder_.empty()) return;
        int err = errno;
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
        errno = err;
    }
    bool ok() const { return !folder_.empty(); }
    const std::string& path() const { return path_; }
    void keep() { keep_ = true; }

private:
    std::string folder_;
    std::string path_;
    bool keep_ = false;
};

// A notice the user must read before the screen is redrawn.
void notify(const std::string& cp932_message) {
    if (!has_console()) return;
    Console& c = console();
    c.write(cp932_message);
    c.write("\n上のメッセージを確認したら Y を入力[ ]");
    c.set_cursor(c.cursor_row(), c.cursor_col() - 2);
    c.beep();
    c.refresh();
    for (;;) {
        int key = c.wait_event();
        if (key == 'Y' || key == 'y') {
            c.write(std::string(1, static_cast<char>(key)));
            break;
        }
    }
}

// Changed lines without an exact CP932 form: the official chooses between them with
// "?" for what cannot be written (true) and the file as it is, opened in the editor
// without conversion. Asked before anything is written; no lock is held here.
bool accept_lossy_lines(const std::string& cp932_path, const std::vector<int>& lines, const std::string& copy_name) {
    if (!has_console()) return false;
    constexpr std::size_t SHOWN_LINES = 10;
    std::string numbers;
    for (std::size_t i = 0; i < lines.size() && i < SHOWN_LINES; ++i)
        numbers += (i > 0 ? ", " : "") + std::to_string(lines[i]);
    if (lines.size() > SHOWN_LINES) numbers += " ...";
    Console& c = console();
    c.write("\n\"" + cp932_path + "\" の " + numbers + " 行目に\nShift-JIS (CP932) で書けない文字があります。\n"
            "  Y : 書けない文字を \"?\" にして保存する\n"
            "  N : 保存せず、元のファイルを変換せずにエディタで開く\n"
            "      （編集した内容は \"" + copy_name + "\" に残します）\n（Y / N）[ ]");
    c.set_cursor(c.cursor_row(), c.cursor_col() - 2);
    c.beep();
    c.refresh();
    for (;;) {
        int key = c.wait_event();
        if (key == 'Y' || key == 'y' || key == 'N' || key == 'n') {
            c.write(std::string(1, static_cast<char>(key)));
            c.refresh();
            return key == 'Y' || key == 'y';
        }
        c.beep();
    }
}

// Writes bytes over path through a temporary file in the same folder, so that the
// old content stays whole until the new one is on disk.
bool replace_file(const std::string& path, const std::string& bytes) {
    const int err = write_whole_file(path.c_str(), bytes);
    errno = err;
    return err == 0;
}

// The editor to use when none is named: the user's choice first.
std::vector<std::string> editor_command(const std::string& file) {
    for (const char* var : {"VISUAL", "EDITOR"}) {
        const char* value = std::getenv(var);
        if (value && *value && on_path(first_word(value))) {
            // Through the shell, so that a value with options ("emacs -nw") works.
            return {"/bin/sh", "-c", std::string(value) + " \"$@\"", value, file};
        }
    }
    for (const char* name : {"nano", "vi"}) {
        if (on_path(name)) return {name, file};
    }
    return {};
}

void show_in_pager(const std::string& path) {
    std::string bytes;
    if (!read_whole(path, bytes)) return;
    TempCopy copy(path);
    if (!copy.ok() || !write_whole(copy.path(), crlf_to_lf(cp932_to_utf8(bytes)))) return;
    std::vector<std::string> argv;
    const char* pager = std::getenv("PAGER");
    if (pager && *pager && on_path(first_word(pager))) argv = {"/bin/sh", "-c", std::string(pager) + " \"$@\"", pager, copy.path()};
    else if (on_path("less")) argv = {"less", copy.path()};
    else if (on_path("more")) argv = {"more", copy.path()};
    else return;
    run_waited(argv, true);
}

}  // namespace

int run_and_wait(const std::vector<std::string>& argv, bool needs_terminal) { return run_waited(argv, needs_terminal); }

int run_and_wait_keeping_errors(const std::vector<std::string>& argv, std::string& errors) {
    errors.clear();
    TerminalSignalsIgnored signals;
    // A file, not a pipe: a program that writes much never blocks on us.
    FILE* kept = std::tmpfile();
    pid_t pid = spawn(argv, Streams::quiet, -1, kept ? fileno(kept) : -1);
    int status = pid < 0 ? -1 : wait_for(pid);
    int err = errno;
    if (kept) {
        constexpr long limit = 4096;
        std::fseek(kept, 0, SEEK_END);
        long size = std::ftell(kept);
        // The end of a long error output says most about how the program ended.
        std::fseek(kept, size > limit ? size - limit : 0, SEEK_SET);
        char buf[limit];
        std::size_t n = std::fread(buf, 1, sizeof buf, kept);
        errors.assign(buf, n);
        std::fclose(kept);
    }
    errno = err;
    return status;
}

int run_shell(const std::string& command) { return run_waited({"/bin/sh", "-c", command}, true); }

bool graphical_session() { return env_set("DISPLAY") || env_set("WAYLAND_DISPLAY"); }

Opened open_with_association(const std::string& given_path) {
    if (given_path.empty()) return Opened::not_opened;
    // An address is passed on as it is; a file by its name on disk.
    const bool address = given_path.find("://") != std::string::npos;
    const std::string path = address ? given_path : disk_name(given_path);
    if (graphical_session() && on_path("xdg-open")) {
        spawn_detached({"xdg-open", path});
        return Opened::started;
    }
    const std::string ext = lower_extension(path);
    if (address || ext == "htm" || ext == "html") {
        // Our pages are Shift-JIS; a server names the charset of its own pages.
        std::vector<std::string> argv;
        if (on_path("w3m")) argv = {"w3m", "-I", "SJIS"};
        else if (on_path("lynx")) argv = {"lynx", "-assume_charset=shift_jis"};
        else return Opened::not_opened;
        if (address) argv.resize(1);
        argv.push_back(path);
        return run_waited(argv, true) < 0 ? Opened::not_opened : Opened::shown;
    }
    static const char* const text_extensions[] = {"", "txt", "chm", "csv", "tmp", "log"};
    bool text = false;
    for (const char* e : text_extensions) text = text || ext == e;
    struct stat st;
    if (!text || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return Opened::not_opened;
    show_in_pager(path);
    return Opened::shown;
}

bool edit_text_file(const std::string& editor, const std::string& given_path) {
    const std::string path = disk_name(given_path);
    std::string original;
    bool missing = false;
    if (!read_whole(path, original)) {
        if (errno != ENOENT) return false;
        missing = true;
        original.clear();
    }
    TempCopy copy(path);
    if (!copy.ok()) return false;
    const std::string given = crlf_to_lf(cp932_to_utf8(original));
    if (!write_whole(copy.path(), given)) return false;

    std::vector<std::string> argv = editor.empty() ? editor_command(copy.path()) : std::vector<std::string>{editor, copy.path()};
    if (argv.empty()) {
        errno = ENOENT;
        return false;
    }
    if (run_waited(argv, true) < 0 && errno != ECHILD) return false;

    std::string edited;
    if (!read_whole(copy.path(), edited) || edited == given) return true;
    if (missing && edited.empty()) return true;

    // Editors may mark UTF-8 with a byte-order mark; CP932 has no place for it.
    if (edited.compare(0, 3, "\xEF\xBB\xBF") == 0) edited.erase(0, 3);
    EditedText merged = merge_edited_text(original, edited);
    std::string copy_name = utf8_to_cp932(copy.path());
    if (!merged.lossy_lines.empty()) {
        if (!accept_lossy_lines(given_path, merged.lossy_lines, copy_name)) {
            copy.keep();
            // The file as it is, bytes the copy could not carry included.
            if (!editor.empty()) argv = {editor, path};
            else argv = editor_command(path);
            run_waited(argv, true);
            return true;
        }
    }
    if (!replace_file(path, merged.cp932)) {
        int err = errno;
        copy.keep();
        notify("\n\"" + path + "\" に保存できませんでした。\n" + error_text(err) + "\n編集した内容は\n\"" + copy_name +
               "\"\nに残してあります。\n");
        errno = err;
    }
    return true;
}

bool copy_to_clipboard(const std::string& cp932_text) {
    std::vector<std::string> argv;
    if (env_set("WAYLAND_DISPLAY") && on_path("wl-copy")) argv = {"wl-copy"};
    else if (env_set("DISPLAY") && on_path("xclip")) argv = {"xclip", "-selection", "clipboard"};
    else if (env_set("DISPLAY") && on_path("xsel")) argv = {"xsel", "--clipboard", "--input"};
    else return false;

    std::string text = crlf_to_lf(cp932_to_utf8(cp932_text));
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    struct sigaction ignore{}, old_pipe{};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &old_pipe);
    TerminalSignalsIgnored signals;
    pid_t pid = spawn(argv, Streams::quiet, fds[0]);
    ::close(fds[0]);
    bool written = pid >= 0;
    std::size_t done = 0;
    while (written && done < text.size()) {
        ssize_t n = write(fds[1], text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) written = false;
        else done += static_cast<std::size_t>(n);
    }
    ::close(fds[1]);
    int status = pid >= 0 ? wait_for(pid) : -1;
    sigaction(SIGPIPE, &old_pipe, nullptr);
    return written && status == 0;
}

std::string error_text(int err) {
    char buf[256];
    const char* text = strerror_r(err, buf, sizeof buf);
    return utf8_to_cp932(text ? text : "unknown error");
}

}  // namespace platform
