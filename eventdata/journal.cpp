#include "eventdata/journal.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/files.h"
#include "shell/runtime.h"

namespace korvel {

namespace {

constexpr int COLUMNS = 9;
constexpr const char* HEADER = "日時\t入力者\t内容\t中継所\tチームＮｏ\t変更前\t変更後\t入力順\t入力値\r\n";

struct KindName {
    JournalKind kind;
    const char* name;
};
constexpr KindName KIND_NAMES[] = {
    {JournalKind::arrival, "到着"},         {JournalKind::departure, "出発"},
    {JournalKind::start, "スタート"},       {JournalKind::text_import, "テキスト取込"},
    {JournalKind::file_import, "他ファイル取込"}, {JournalKind::initialise, "初期化"},
    {JournalKind::create, "作成"},          {JournalKind::carry_over, "引継"},
    {JournalKind::undo, "取消"},            {JournalKind::verified_fix, "照合修正"},
};

bool whole_file_kind(JournalKind kind) {
    return kind == JournalKind::initialise || kind == JournalKind::create || kind == JournalKind::carry_over;
}

std::string who_override;
void (*append_hook)() = nullptr;

std::string time_value_text(RaceTime t) {
    if (time_is_none(t)) return "NoData";
    char buf[TIME_TEXT_SIZE];
    std::snprintf(buf, sizeof buf, "%u:%02u:%02u", t.h, t.m, t.s);
    return buf;
}

// A decimal number of at most digits digits, the whole text; -1 otherwise.
long number_of(std::string_view text, std::size_t digits) {
    if (text.empty() || text.size() > digits) return -1;
    long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

bool parse_time_value(std::string_view text, RaceTime& t) {
    if (text == "NoData") {
        time_set_none(t);
        return true;
    }
    std::size_t first = text.find(':');
    if (first == std::string_view::npos || text.size() != first + 6 || text[first + 3] != ':') return false;
    long h = number_of(text.substr(0, first), 3);
    long m = number_of(text.substr(first + 1, 2), 2);
    long s = number_of(text.substr(first + 4, 2), 2);
    if (h < 0 || h > 255 || m < 0 || m > 59 || s < 0 || s > 59) return false;
    t = RaceTime{static_cast<unsigned char>(h), static_cast<unsigned char>(m), static_cast<unsigned char>(s)};
    return true;
}

bool parse_value(std::string_view text, JournalValue& v) {
    v = JournalValue{};
    if (text.empty()) return true;
    v.present = true;
    std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        if (!parse_time_value(text, v.arrival)) return false;
        v.departure = v.arrival;
        return true;
    }
    return parse_time_value(text.substr(0, slash), v.arrival) && parse_time_value(text.substr(slash + 1), v.departure);
}

// "YYYY/MM/DD HH:MM:SS": digits where digits belong.
bool is_stamp(std::string_view text) {
    static constexpr std::string_view shape = "9999/99/99 99:99:99";
    if (text.size() != shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == '9' ? (text[i] < '0' || text[i] > '9') : text[i] != shape[i]) return false;
    }
    return true;
}

std::string number_text(int n) { return n < 0 ? std::string() : std::to_string(n); }

// An optional number column: empty gives -1.
bool parse_optional(std::string_view text, std::size_t digits, int& n) {
    if (text.empty()) {
        n = -1;
        return true;
    }
    long v = number_of(text, digits);
    n = static_cast<int>(v);
    return v >= 0;
}

std::string now_stamp() {
    std::string stamp = date_stamp();
    return stamp + " " + time_stamp();
}

std::string login_name() {
    if (struct passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name && *pw->pw_name) return pw->pw_name;
    for (const char* name : {"LOGNAME", "USER"}) {
        if (const char* v = std::getenv(name); v && *v) return v;
    }
    return "uid" + std::to_string(::geteuid());
}

std::string system_who() {
    char host[256] = "";
    if (::gethostname(host, sizeof host - 1) != 0) std::snprintf(host, sizeof host, "localhost");
    std::string who = login_name() + "@" + host + " ";
    // The terminal tells two windows of one machine apart; a program without one is
    // told apart by its process.
    if (const char* tty = ::ttyname(STDIN_FILENO)) {
        std::string name = tty;
        if (name.rfind("/dev/", 0) == 0) name.erase(0, 5);
        return who + name;
    }
    return who + "pid " + std::to_string(::getpid());
}

bool write_all(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string refusal(const char* what) {
    char text[256];
    std::snprintf(text, sizeof text, "%s に書き込めません（%s: %s）。記録できない入力は保存しません", JOURNAL_NAME, what,
                  std::strerror(errno));
    return text;
}

}  // namespace

const char* journal_kind_name(JournalKind kind) {
    for (const KindName& k : KIND_NAMES)
        if (k.kind == kind) return k.name;
    return "";
}

JournalValue journal_block_value(const StationBlock& b) { return JournalValue{true, b.arrival, b.departure}; }

JournalValue journal_time_value(RaceTime t) { return JournalValue{true, t, t}; }

std::string journal_value_text(const JournalValue& v) {
    if (!v.present) return "";
    std::string text = time_value_text(v.arrival);
    if (!time_equal(v.arrival, v.departure)) text += "/" + time_value_text(v.departure);
    return text;
}

std::string format_journal_line(const JournalLine& line) {
    std::string text = line.when + "\t" + line.who + "\t" + journal_kind_name(line.kind) + "\t" +
                       number_text(line.station) + "\t" + number_text(line.team) + "\t" +
                       journal_value_text(line.before) + "\t" + journal_value_text(line.after) + "\t" +
                       number_text(line.seq) + "\t";
    // A tab or a line end typed into a file name or an import line would split the line.
    for (char c : line.typed) text += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
    return text + "\r\n";
}

bool parse_journal_line(std::string_view text, JournalLine& line) {
    std::string_view columns[COLUMNS];
    int n = 0;
    for (;;) {
        std::size_t tab = text.find('\t');
        if (n == COLUMNS - 1) {
            columns[n++] = text;  // what was typed may hold anything but the line end
            break;
        }
        if (tab == std::string_view::npos) return false;
        columns[n++] = text.substr(0, tab);
        text.remove_prefix(tab + 1);
    }
    line = JournalLine{};
    if (!is_stamp(columns[0]) || columns[1].empty()) return false;
    line.when = columns[0];
    line.who = columns[1];
    bool known = false;
    for (const KindName& k : KIND_NAMES) {
        if (columns[2] == k.name) {
            line.kind = k.kind;
            known = true;
        }
    }
    if (!known || !parse_optional(columns[3], 2, line.station) || !parse_optional(columns[4], 3, line.team) ||
        !parse_value(columns[5], line.before) || !parse_value(columns[6], line.after) ||
        !parse_optional(columns[7], 5, line.seq) || line.seq > 0xFFFF) {
        return false;
    }
    line.typed = columns[8];
    // A station line says where and what it stored; a whole-file line neither.
    if (whole_file_kind(line.kind)) return line.station < 0 && line.team < 0 && !line.after.present;
    return line.for_station() && line.after.present;
}

const std::string& journal_who() {
    static const std::string system = system_who();
    return who_override.empty() ? system : who_override;
}

void set_journal_who(const std::string& who) { who_override = who; }

JournalLine journal_block_line(JournalKind kind, int station, int team, const JournalValue& before,
                               const JournalValue& after, int seq, std::string typed) {
    JournalLine line;
    line.when = now_stamp();
    line.who = journal_who();
    line.kind = kind;
    line.station = station;
    line.team = team;
    line.before = before;
    line.after = after;
    line.seq = seq;
    line.typed = std::move(typed);
    return line;
}

JournalLine journal_file_line(JournalKind kind, std::string typed) {
    JournalLine line;
    line.when = now_stamp();
    line.who = journal_who();
    line.kind = kind;
    line.typed = std::move(typed);
    return line;
}

std::string journal_append(const std::vector<JournalLine>& lines) {
    std::string failure;
    if (lines.empty()) return failure;
    std::string text;
    for (const JournalLine& line : lines) text += format_journal_line(line);
    int fd = ::open(platform::disk_name(JOURNAL_NAME).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return refusal("open");
    // O_APPEND keeps whole writes of several terminals apart; the lock only makes sure
    // that a new journal gets its header once.
    ::flock(fd, LOCK_EX);
    struct stat st;
    bool fresh = ::fstat(fd, &st) == 0 && st.st_size == 0;
    if (fresh) text = HEADER + text;
    if (!write_all(fd, text)) failure = refusal("write");
    else if (::fsync(fd) != 0) failure = refusal("fsync");
    ::close(fd);
    if (failure.empty() && fresh) platform::sync_folder_of(JOURNAL_NAME);
    if (failure.empty() && append_hook) append_hook();
    return failure;
}

std::string journal_append(const JournalLine& line) { return journal_append(std::vector<JournalLine>{line}); }

void set_journal_append_hook(void (*hook)()) { append_hook = hook; }

JournalContents parse_journal(std::string_view text) {
    JournalContents contents;
    int line_no = 0;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++line_no;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        if (line_no == 1 && std::string(line) + "\r\n" == HEADER) continue;
        JournalLine parsed;
        if (parse_journal_line(line, parsed)) contents.lines.push_back(std::move(parsed));
        else contents.unreadable.emplace_back(line_no, std::string(line));
    }
    return contents;
}

JournalContents read_journal() {
    std::string text;
    Stream f(platform::open_file(JOURNAL_NAME, "rb"));
    if (!f) return {};
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    return parse_journal(text);
}

}  // namespace korvel
