// Time import from a text file. Lines are cleaned generously, so that lists such as
// "12 1:23:45", "3. 12 1.23.45 (remark)" and "12 12345" all load unchanged; each
// accepted line updates the team's record exactly as a typed entry at the station
// would, added time and input sequence number included.
#include "timing/text_import.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "eventdata/backup.h"
#include "eventdata/kihondat.h"
#include "eventdata/mastfile.h"
#include "prompts/selection.h"
#include "eventdata/team_index.h"
#include "platform/files.h"
#include "shell/console_ui.h"
#include "shell/regexp.h"
#include "shell/runtime.h"
#include "shell/sjis.h"
#include "timing/consistency.h"
#include "timing/time_entry.h"

namespace korvel {

namespace {

constexpr const char* SOURCE = ".\\KRVINPUT";
constexpr std::size_t MAX_TIME_DIGITS = 6;  // HHMMSS
// ﾟ (the single byte 0xDF, a half-width sound mark), ' , " . :
constexpr const char* REMOVED_CHARS = "\xDF'\",.:";

std::unique_ptr<RegExp> compile(const char* pattern, int flags, int line) {
    return std::unique_ptr<RegExp>(regexp_checked(pattern, flags, SOURCE, line));
}

// A run of digits as a number, leading zeros allowed; above limit when it is more
// than limit (however many digits it has).
int bounded_number(const std::string& digits, int limit) {
    std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return 0;
    std::string significant = digits.substr(first);
    if (significant.size() > std::to_string(limit).size()) return limit + 1;
    return std::atoi(significant.c_str());
}

std::string group(RegExp& re, const std::string& text, int i) {
    MatchPair m = re.match(i);
    if (m.start < 0 || m.end < m.start) return std::string();
    return text.substr(static_cast<std::size_t>(m.start), static_cast<std::size_t>(m.end - m.start));
}

// The expressions of one import, compiled once.
struct Patterns {
    std::unique_ptr<RegExp> data_line = compile("^\\s*(\\d+)\\s+(\\S+)\\s+(\\S*)", 0, 2);
    std::unique_ptr<RegExp> no_data = compile("^NoData$", REGEXP_ICASE, 3);
    std::unique_ptr<RegExp> digits = compile("^\\d+$", 0, 4);
};

enum class Field { no_data, time, not_a_time, other };

// A time field: NoData, or digits read as HHMMSS plus the added time (below 100 hours).
Field read_field(Patterns& p, const std::string& text, RaceTime added, RaceTime& t) {
    if (regexec_checked(*p.no_data, text.c_str(), SOURCE, 5)) {
        time_set_none(t);
        return Field::no_data;
    }
    if (!regexec_checked(*p.digits, text.c_str(), SOURCE, 6)) return Field::other;
    RaceTime typed{};
    // Seven digits or more are a mistyped time, never a time with leading zeros.
    if (text.size() > MAX_TIME_DIGITS || !parse_time_hhmmss(typed, text.c_str()) || !time_is_valid(typed))
        return Field::not_a_time;
    time_add(t, typed, added);
    return t.h < 100 ? Field::time : Field::not_a_time;
}

void report(const char* format, const std::string& cleaned, ImportResult& result) {
    cprintf(format, cleaned.c_str());
    ++result.messages;
}

// One cleaned line; stores it or reports why not.
void import_line(Patterns& p, const std::string& cleaned, int station, RaceTime added, std::uint16_t& seq,
                 ImportResult& result) {
    if (!regexec_checked(*p.data_line, cleaned.c_str(), SOURCE, 7)) return;
    std::string team_text = group(*p.data_line, cleaned, 1);
    std::string arrival_text = group(*p.data_line, cleaned, 2);
    std::string departure_text = group(*p.data_line, cleaned, 3);

    int team = bounded_number(team_text, 999);
    int rec_no = -1;
    TeamRecord r;
    // The index is read again when another terminal's rebuild has moved the team.
    if (!find_team_record(team, rec_no, r)) {
        report("ﾁｰﾑNoエラー:%s\n", cleaned, result);
        return;
    }
    int k = logical_station(r.division, station);
    if (k < 0) {
        report("該当中継所でない:%s\n", cleaned, result);
        return;
    }

    RaceTime arrival{}, departure{};
    Field a = read_field(p, arrival_text, added, arrival);
    if (a == Field::other) return;
    if (a == Field::not_a_time) {
        report("数字列が時刻になっていない:%s\n", cleaned, result);
        return;
    }
    departure = arrival;
    RaceTime given{};
    Field d = read_field(p, departure_text, added, given);
    if (d == Field::no_data || d == Field::time) departure = given;
    // A carried start with a mistyped time would otherwise pass as a plain handover.
    if (d == Field::not_a_time) {
        report("数字列が時刻になっていない:%s\n", cleaned, result);
        return;
    }

    if (!store_station_times(rec_no, team, station, k, arrival, departure, r, cleaned)) {
        if (!store_refusal().empty()) {
            // Without its journal line no further line may be stored.
            cprintf("%s\n", store_refusal().c_str());
            result.refused = true;
            ++result.messages;
            return;
        }
        report("ﾁｰﾑNoエラー:%s\n", cleaned, result);
        return;
    }
    seq = static_cast<std::uint16_t>(r.blocks[k].input_seq);
    ++result.stored;
}

// A line to be read at all: not over-long and free of NUL bytes (a NUL is no text).
bool usable(ImportLineRead read, const std::string& line) {
    return read == ImportLineRead::line && line.find('\0') == std::string::npos;
}

// The file prompt: the name of a plain file that exists; false after Esc.
bool ask_file_name(char* name) {
    for (;;) {
        cputs("\n入力ファイル＝");
        if (input_text(name, 500) < 0) return false;
        if (!file_exists(name) && !access_check(name)) {
            beep();
            continue;
        }
        if (folder_exists(name)) {
            cprintf("\n\"%s\" はフォルダです\n", name);
            beep();
            continue;
        }
        // A device or a pipe may never end (/dev/zero): only a plain file is read.
        std::error_code ec;
        if (!std::filesystem::is_regular_file(platform::disk_name(name), ec)) {
            cprintf("\n\"%s\" はテキストファイルではありません\n", name);
            beep();
            continue;
        }
        return true;
    }
}

}  // namespace

ImportLineRead read_import_line(FILE* f, std::string& line) {
    line.clear();
    int c = std::getc(f);
    if (c == EOF) return ImportLineRead::end;
    bool too_long = false;
    for (; c != EOF && c != '\n'; c = std::getc(f)) {
        if (line.size() < IMPORT_LINE_MAX + 1)
            line.push_back(static_cast<char>(c));
        else
            too_long = true;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > IMPORT_LINE_MAX) too_long = true;
    return too_long ? ImportLineRead::too_long : ImportLineRead::line;
}

std::string clean_import_line(const std::string& line) {
    static std::unique_ptr<RegExp> line_number = compile("^\\s*\\d+[:.]", 0, 8);
    std::string s = line.substr(0, line.find('\0'));
    if (regexec_checked(*line_number, s.c_str(), SOURCE, 9)) s.erase(0, static_cast<std::size_t>(line_number->match(0).end));
    std::string out(s.size() + 1, '\0');
    strip_bracketed(s.c_str(), out.data(), '(', ')');
    remove_chars(out.c_str(), out.data(), REMOVED_CHARS);
    out.resize(std::strlen(out.c_str()));
    out += ' ';
    return out;
}

int import_file_station(const char* file) {
    auto ekino = compile("EkiNo\\s*=*\\s*(\\d+)", REGEXP_ICASE, 10);
    Stream f = fopen_retry(file, "rt");
    std::string line;
    for (ImportLineRead read; (read = read_import_line(f, line)) != ImportLineRead::end;) {
        if (!usable(read, line) || !regexec_checked(*ekino, line.c_str(), SOURCE, 11)) continue;
        int station = bounded_number(group(*ekino, line, 1), MAX_EKI);
        return station < definition().station_count() ? station : -1;
    }
    return -1;
}

ImportResult import_time_lines(const char* file, int station, RaceTime added, std::uint16_t& seq) {
    ImportResult result;
    Patterns p;
    Stream f = fopen_retry(file, "rt");
    std::string line;
    int line_no = 0;
    for (ImportLineRead read; (read = read_import_line(f, line)) != ImportLineRead::end;) {
        ++line_no;
        if (read == ImportLineRead::too_long) {
            cprintf("%d 行目が %d バイトを越えているので読み飛ばします\n", line_no, static_cast<int>(IMPORT_LINE_MAX));
            ++result.messages;
            continue;
        }
        if (!usable(read, line)) continue;
        import_line(p, clean_import_line(line), station, added, seq, result);
        if (result.refused) break;
    }
    return result;
}

void text_import() {
    clear_screen();
    char name[512] = "";
    if (!ask_file_name(name)) return;
    open_with_association(name);
    cputs("\n");
    if (!ask_yes_no("このファイルでよろしいですか？（Y / N）")) return;

    int station = import_file_station(name);
    if (station < 0) {
        const std::optional<int> chosen = select_station("テキストファイルからのタイム入力", 7, false, false);
        if (!chosen) return;
        station = *chosen;
    }
    clear_screen();
    RaceTime added{0, 0, 0};
    if (!ask_station_added_time(station, added)) return;

    // The copy of the data as they were is on the disk before the first line is
    // stored; without it nothing is imported.
    if (std::string error = backup_before_change(); !error.empty()) {
        cprintf("\nバックアップを作れないため取り込みませんでした（%s）\n", error.c_str());
        wait_confirm();
        return;
    }
    std::uint16_t seq = 0;
    set_cursor(2, 0);
    ImportResult result = import_time_lines(name, station, added, seq);
    // The refused lines must be seen before the station submenu clears the screen.
    if (result.messages > 0) wait_confirm();
    speed_check();
    station_submenu(station, true);
}

}  // namespace korvel
