// lpx: prints a CP932 report file on the system's print spooler.
//
//   lpx [-p] [-q] [-P printer] [-n copies] FILE
//   lpx --to-stdout FILE     the converted text on standard output instead
//   lpx                      settings: usage and the printers the spooler knows,
//                            in Japanese (UTF-8, like the terminal), until a key
//
// The results program calls it with its default arguments "-p -q" and the report's
// temporary file as the last argument, and treats exit status 0 as printed. Other
// arguments come from the officials' print commands, so an unknown option is only
// warned about, never fatal.
//
// The text goes from CP932 to UTF-8 with LF line ends and is handed to `lp` (else
// `lpr`) on standard input; form feeds stay in the stream, and the spooler's text
// filter starts a new page at each one.

#include <fcntl.h>
#include <iconv.h>
#include <termios.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Settings {
    bool print_directly = false;  // -p: no question before printing
    bool quiet = false;           // -q: no progress message
    bool to_stdout = false;
    std::string printer;          // -P: empty means the spooler's default
    int copies = 1;               // -n
    std::string file;
    bool any_argument = false;
};

void warn(const std::string& text) { std::fprintf(stderr, "lpx: %s\n", text.c_str()); }

// The officials read this from the results program's menu: Japanese, in UTF-8 as the
// terminal shows it (this program's literals are compiled as UTF-8).
void usage(FILE* out) {
    std::fputs(
        "使い方: lpx [-p] [-q] [-P プリンタ名] [-n 部数] ファイル\n"
        "        lpx --to-stdout ファイル\n"
        "  -p             確認せずにすぐ印刷する\n"
        "  -q             印刷を頼んだときのメッセージを出さない\n"
        "  -P プリンタ名  印刷するプリンタ（省略時はシステムの既定のプリンタ）\n"
        "  -n 部数        印刷する部数（1～999）\n"
        "  --to-stdout    UTF-8 に変換したテキストを標準出力に書く\n"
        "ファイルは Shift-JIS (CP932) のテキストです。UTF-8 に変換して lp（なければ\n"
        "lpr）に渡します。テキスト中の改ページ文字で新しいページになります。\n",
        out);
}

// Copies from "-n" as typed; a bad value keeps one copy, as printing once is safer
// than refusing the report.
int parse_copies(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || n < 1 || n > 999) {
        warn("ignoring invalid number of copies '" + text + "'; printing 1 copy");
        return 1;
    }
    return static_cast<int>(n);
}

// The last word that is not an option is the file: the caller appends it after
// whatever the print command held.
Settings parse_arguments(int argc, char** argv) {
    Settings s;
    s.any_argument = argc > 1;
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--to-stdout") {
            s.to_stdout = true;
            continue;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            words.push_back(arg);
            continue;
        }
        if (arg[1] == '-') {
            warn("ignoring unknown option " + arg);
            continue;
        }
        for (size_t k = 1; k < arg.size(); ++k) {
            char c = arg[k];
            if (c == 'p') {
                s.print_directly = true;
            } else if (c == 'q') {
                s.quiet = true;
            } else if (c == 'P' || c == 'n') {
                std::string value;
                if (k + 1 < arg.size()) {
                    value = arg.substr(k + 1);
                } else if (i + 1 < argc) {
                    value = argv[++i];
                } else {
                    warn(std::string("option -") + c + " needs a value; ignored");
                    break;
                }
                if (c == 'P')
                    s.printer = value;
                else
                    s.copies = parse_copies(value);
                break;
            } else {
                warn(std::string("ignoring unknown option -") + c);
            }
        }
    }
    if (!words.empty()) {
        s.file = words.back();
        for (size_t k = 0; k + 1 < words.size(); ++k) warn("ignoring extra argument '" + words[k] + "'");
    }
    return s;
}

bool read_file(const std::string& name, std::string& out) {
    FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) return false;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// CP932 to UTF-8, CR LF to LF. A byte that is not CP932 becomes U+FFFD so that one
// damaged name never loses the rest of a results list.
bool to_utf8(const std::string& in, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string converted;
    converted.reserve(in.size() * 3 / 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char buffer[16384];
    while (src_left > 0) {
        char* dst = buffer;
        size_t dst_left = sizeof buffer;
        size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
        converted.append(buffer, dst - buffer);
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ, or EINVAL for a lead byte cut off at the end of the file.
        converted.append("\xEF\xBF\xBD");
        ++src;
        --src_left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);

    out.clear();
    out.reserve(converted.size());
    for (size_t i = 0; i < converted.size(); ++i) {
        if (converted[i] == '\r' && i + 1 < converted.size() && converted[i + 1] == '\n') continue;
        out.push_back(converted[i]);
    }
    return true;
}

std::string find_on_path(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) return "";
    std::string list = path;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        std::string dir = list.substr(start, end - start);
        if (dir.empty()) dir = ".";
        std::string candidate = dir + "/" + program;
        struct stat st;
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return "";
}

std::string base_name(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Starts argv (a full path) with a pipe on its standard input, or on its standard
// output; our_end receives our side of the pipe. Returns the pid, or -1 with errno.
pid_t spawn_with_pipe(const std::vector<std::string>& argv, bool pipe_to_stdin, int& our_end) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (pipe_to_stdin)
        posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    else
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    int err = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_to_stdin ? fds[0] : fds[1]);
    our_end = pipe_to_stdin ? fds[1] : fds[0];
    if (err != 0) {
        ::close(our_end);
        errno = err;
        return -1;
    }
    return pid;
}

// Exit status of a finished child, or a description of how it ended otherwise.
bool wait_for(pid_t pid, std::string& failure) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            failure = std::string("could not wait for it: ") + std::strerror(errno);
            return false;
        }
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (WIFEXITED(status))
        failure = "it ended with exit status " + std::to_string(WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
        failure = "it was killed by signal " + std::to_string(WTERMSIG(status));
    else
        failure = "it ended abnormally";
    return false;
}

bool write_all(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::vector<std::string> spooler_command(const std::string& path, const Settings& s) {
    std::vector<std::string> argv{path};
    bool is_lp = base_name(path) == "lp";
    if (!s.printer.empty()) {
        argv.push_back(is_lp ? "-d" : "-P");
        argv.push_back(s.printer);
    }
    if (s.copies > 1) {
        argv.push_back(is_lp ? "-n" : "-#");
        argv.push_back(std::to_string(s.copies));
    }
    argv.push_back(is_lp ? "-t" : "-T");
    argv.push_back(base_name(s.file));
    return argv;
}

// Without -p the official may still say no, but only when someone is at a terminal.
bool confirm_printing(const Settings& s, const std::string& spooler) {
    if (s.print_directly || !::isatty(STDIN_FILENO)) return true;
    std::fprintf(stderr, "Print %s on %s with %s? [Y/n] ", s.file.c_str(),
                 s.printer.empty() ? "the default printer" : s.printer.c_str(), base_name(spooler).c_str());
    std::fflush(stderr);
    char answer[64];
    if (!std::fgets(answer, sizeof answer, stdin)) return false;
    return answer[0] != 'n' && answer[0] != 'N';
}

int print(const Settings& s, const std::string& text) {
    std::string spooler = find_on_path("lp");
    if (spooler.empty()) spooler = find_on_path("lpr");
    if (spooler.empty()) {
        warn("cannot print " + s.file + ": no print spooler found (neither lp nor lpr is on PATH; install CUPS)");
        return 1;
    }
    if (!confirm_printing(s, spooler)) {
        warn("printing of " + s.file + " cancelled");
        return 1;
    }
    int to_spooler = -1;
    pid_t pid = spawn_with_pipe(spooler_command(spooler, s), true, to_spooler);
    if (pid < 0) {
        warn("cannot print " + s.file + ": could not start " + spooler + ": " + std::strerror(errno));
        return 1;
    }
    bool written = write_all(to_spooler, text);
    int write_error = errno;
    ::close(to_spooler);
    std::string failure;
    bool ended_well = wait_for(pid, failure);
    if (!ended_well) {
        warn("cannot print " + s.file + ": the print spooler " + spooler + " failed (" + failure + ")");
        return 1;
    }
    if (!written) {
        warn("cannot print " + s.file + ": the print spooler " + spooler + " did not take the whole text (" +
             std::strerror(write_error) + ")");
        return 1;
    }
    if (!s.quiet)
        std::printf("lpx: %s sent to %s with %s\n", s.file.c_str(),
                    s.printer.empty() ? "the default printer" : s.printer.c_str(), base_name(spooler).c_str());
    return 0;
}

// One key press on the terminal, without waiting for Enter and without echo. A key
// that sends several bytes (an arrow) is read whole, so nothing is left for the
// program that started us.
void wait_for_one_key() {
    termios saved;
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    char c;
    while (::read(STDIN_FILENO, &c, 1) < 0 && errno == EINTR) {
    }
    tcflush(STDIN_FILENO, TCIFLUSH);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

// Settings mode: what this machine can print on. Informational only, so it always
// ends with status 0.
int show_settings() {
    std::printf("lpx: テキストファイル印刷ソフト\n\n");
    usage(stdout);
    std::printf("\n");
    std::string spooler = find_on_path("lp");
    if (spooler.empty()) spooler = find_on_path("lpr");
    if (spooler.empty())
        std::printf("印刷スプーラ: 見つかりません（lp も lpr もありません。CUPS を入れてください）\n");
    else
        std::printf("印刷スプーラ: %s\n", spooler.c_str());

    std::string lpstat = find_on_path("lpstat");
    if (lpstat.empty()) {
        std::printf("プリンタ: 不明（lpstat がありません）\n");
    } else {
        int from_lpstat = -1;
        pid_t pid = spawn_with_pipe({lpstat, "-a"}, false, from_lpstat);
        std::string listing;
        if (pid >= 0) {
            char buffer[4096];
            ssize_t n;
            while ((n = ::read(from_lpstat, buffer, sizeof buffer)) > 0 ||
                   (n < 0 && errno == EINTR))
                if (n > 0) listing.append(buffer, static_cast<size_t>(n));
            ::close(from_lpstat);
            std::string failure;
            wait_for(pid, failure);
        }
        std::printf("プリンタ:\n");
        int count = 0;
        size_t start = 0;
        while (start < listing.size()) {
            size_t end = listing.find('\n', start);
            if (end == std::string::npos) end = listing.size();
            std::string line = listing.substr(start, end - start);
            std::string name = line.substr(0, line.find(' '));
            if (!name.empty()) {
                std::printf("  %s\n", name.c_str());
                ++count;
            }
            start = end + 1;
        }
        if (count == 0) std::printf("  （なし）\n");
    }
    std::fflush(stdout);
    // Started from the results program's menu: keep the text up until it is read.
    if (::isatty(STDIN_FILENO) && ::isatty(STDOUT_FILENO)) {
        std::printf("\n何かキーを押すとメニューに戻ります");
        std::fflush(stdout);
        wait_for_one_key();
        std::printf("\n");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A spooler that dies early must show up as a failed write, not kill us silently.
    std::signal(SIGPIPE, SIG_IGN);

    Settings s = parse_arguments(argc, argv);
    if (!s.any_argument) return show_settings();
    if (s.file.empty()) {
        warn("no file to print");
        usage(stderr);
        return 2;
    }

    std::string raw;
    if (!read_file(s.file, raw)) {
        warn("cannot read " + s.file + ": " + std::strerror(errno));
        return 1;
    }
    std::string text;
    if (!to_utf8(raw, text)) {
        warn("cannot convert " + s.file + ": this system has no CP932 converter (iconv)");
        return 1;
    }

    if (s.to_stdout) {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
            warn(std::string("cannot write to standard output: ") + std::strerror(errno));
            return 1;
        }
        return 0;
    }
    if (text.empty()) {
        if (!s.quiet) warn(s.file + " is empty; nothing to print");
        return 0;
    }
    return print(s, text);
}
