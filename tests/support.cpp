#include "tests/support.h"

#include <iconv.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "eventdata/backup.h"
#include "eventdata/import_times.h"
#include "eventdata/start_time_store.h"
#include "prompts/data_screens.h"
#include "prompts/start_time.h"
#include "shell/output.h"
#include "timing/consistency.h"

namespace korvel_test {

namespace {
std::string convert(const std::string& text, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    char* o = out.data();
    size_t out_left = out.size();
    iconv(cd, &in, &in_left, &o, &out_left);
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return out;
}
}  // namespace

namespace {
// FIXED_STAMP as the clock gives it.
std::tm fixed_clock() {
    std::tm tm{};
    tm.tm_year = 2024 - 1900;
    tm.tm_mon = 4 - 1;
    tm.tm_mday = 7;
    tm.tm_hour = 9;
    tm.tm_min = 30;
    tm.tm_sec = 15;
    return tm;
}
}  // namespace

SavedGlobals::SavedGlobals()
    : out_kind_no(korvel::out_kind_no),
      append_mode(korvel::append_mode),
      field_separator(korvel::field_separator),
      program_path(korvel::program_path) {}

void SavedGlobals::restore() const {
    korvel::out_kind_no = out_kind_no;
    korvel::append_mode = append_mode;
    korvel::field_separator = field_separator;
    korvel::program_path = program_path;
    korvel::set_open_function(nullptr);
    korvel::set_clock(nullptr);
}

std::string to_cp932(const std::string& utf8) { return convert(utf8, "CP932", "UTF-8"); }
std::string to_utf8(const std::string& cp932) { return convert(cp932, "UTF-8", "CP932"); }

std::string text_file(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\r\n";
    return s;
}

void write_file(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary);
    out << bytes;
}

std::string read_file(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool child_ended(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

bool wait_until(const std::function<bool()>& ready, const char* what, int seconds) {
    auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return t.tv_sec;
    };
    const time_t deadline = now() + seconds;
    while (!ready()) {
        if (now() > deadline) {
            ADD_FAILURE() << "gave up waiting after " << seconds << " s for " << what;
            return false;
        }
        usleep(1000);
    }
    return true;
}

int wait_child(pid_t pid, int seconds) {
    if (!wait_until([pid] { return child_ended(pid); }, "a child process to end", seconds)) kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int i16(const std::string& bytes, std::size_t at) {
    return static_cast<std::int16_t>(static_cast<unsigned char>(bytes[at]) |
                                     (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

void WorkFolderTest::SetUp() {
    previous_ = std::filesystem::current_path();
    char templ[] = "/tmp/korvel_test_XXXXXX";
    char* made = mkdtemp(templ);
    ASSERT_NE(made, nullptr);
    folder_ = made;
    std::filesystem::current_path(folder_);
    auto c = std::make_unique<platform::MemoryConsole>(80, 60);
    console_ = c.get();
    platform::set_console(std::move(c));
    korvel::set_clock(fixed_clock);
    // As at start-up: a merge of times is followed by the plausibility checks.
    korvel::set_import_checks(korvel::check_merged_times);
    korvel::set_start_time_confirmation(korvel::register_start_times);
    korvel::set_data_questions(&korvel::data_screens());
}

void WorkFolderTest::TearDown() {
    // A copy of the data still being written in the background belongs to this folder.
    korvel::finish_backups();
    saved_.restore();
    korvel::stream_check(false);
    std::filesystem::current_path(previous_);
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

std::string normalised_report(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    const std::string shape = "9999/99/99  99:99:99";
    for (std::size_t at = 0; at + shape.size() <= out.size(); ++at) {
        bool match = true;
        for (std::size_t i = 0; match && i < shape.size(); ++i)
            match = shape[i] == '9' ? std::isdigit(static_cast<unsigned char>(out[at + i])) != 0 : out[at + i] == shape[i];
        if (match) out.replace(at, shape.size(), "STAMP");
    }
    return out;
}

}  // namespace korvel_test
