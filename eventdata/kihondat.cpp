#include "eventdata/kihondat.h"

#include "eventdata/data_questions.h"
#include "eventdata/list_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "shell/console_ui.h"
#include "shell/options.h"
#include "shell/regexp.h"
#include "shell/runtime.h"
#include "shell/sjis.h"

namespace korvel {

namespace {

constexpr const char* EKI_FILE = "EKI.TXT";
constexpr const char* BUMON_FILE = "BUMON.TXT";
constexpr const char* FORMAT_ERROR = "フォーマット・エラー";
constexpr int LINE_SIZE = 1000;  // 999 bytes and the terminator; longer lines come in pieces
constexpr int MAX_DECIMALS = 3;

using Definition = EventTables;

// The current definition, replaced whole; the empty one before the first load.
std::shared_ptr<const EventDefinition>& current_slot() {
    static std::shared_ptr<const EventDefinition> current = std::make_shared<const EventDefinition>();
    return current;
}

bool listing_on_load = false;

std::string line_report(const char* file, int line_no, const char* label, const char* line) {
    return formatted("\n%s %d 行目。%s\n", file, line_no, label) + formatted("%s\n", line);
}

// Reads the next line (counting it) without its newline; false at the end of the file.
bool next_line(FILE* f, char* buf, int& line_no) {
    ++line_no;
    if (!std::fgets(buf, LINE_SIZE, f)) {
        buf[0] = '\0';
        return false;
    }
    chomp(buf);
    return true;
}

// The text right after key, where key starts on a character boundary of text (a trail
// byte is never taken for the key's first letter); nullptr when absent.
const char* after_keyword(const char* text, const char* key) {
    std::size_t key_len = std::strlen(key);
    for (const char* p = text; *p; p += sjis_char_len(p)) {
        if (std::strncmp(p, key, key_len) == 0) return p + key_len;
    }
    return nullptr;
}

// KEY = value anywhere in line, key in any letter case: the value up to the next
// separator, at most size - 1 bytes. False when line has no such keyword.
bool keyword_value(const char* line, const char* key_pattern, const char* separators, char* out,
                   std::size_t size) {
    std::string pattern = key_pattern;
    pattern += "\\s*=\\s*(\\S)";
    MatchPair m[2];
    if (pattern_matching(pattern.c_str(), line, 2, m) != 0) return false;
    const char* q = line + m[1].start;
    take_field(out, &q, size, separators);
    return true;
}

void report_missing_file(const char* name, const char* former_name) {
    cprintf("\nこのディレクトリ（フォルダ）にはファイル %s がありません\n", name);
    if (former_name && file_exists(former_name))
        cprintf("%s では、%s ではなく %s です\n", "KORVEL32", former_name, name);
}

void check_definition_files() {
    struct Required {
        const char* name;
        const char* former_name;
    };
    static const Required required[] = {
        {EKI_FILE, "EKIMEI.TXT"},
        {BUMON_FILE, "BUMONMEI.TXT"},
        {"TEAM.TXT", "TEAMMEI.TXT"},
        {"OPTION.TXT", nullptr},
    };
    for (const Required& r : required) {
        if (!access_check(r.name)) {
            report_missing_file(r.name, r.former_name);
            fatal_stop();
        }
    }
}

// One station line after its leading blanks. False with the error in problem.
bool parse_station(Definition& d, const char* line, int line_no, const char* p,
                   const char* separators, std::string& problem) {
    StationInfo& st = d.stations[d.eki_suu];
    static_assert(sizeof st.work_name >= sizeof st.name);
    take_field(st.name, &p, sizeof st.name, separators);
    trim_right_blanks(st.name);
    if (*p) ++p;  // exactly one separator

    MatchPair m[2];
    int decimals = 0;
    if (pattern_matching("^\\s*[0-9]+\\.([0-9]+)", p, 2, m) == 0) {
        decimals = m[1].end - m[1].start;
        if (decimals > MAX_DECIMALS) {
            problem = line_report(EKI_FILE, line_no, FORMAT_ERROR, line) +
                      "通算距離（累計距離）の小数部分は３桁以内にしてください\n";
            return false;
        }
    } else if (pattern_matching("^\\s*[0-9]+", p, 1, m) != 0) {
        problem = line_report(EKI_FILE, line_no, FORMAT_ERROR, line) +
                  "通算距離（累計距離）の書き方が間違っています\n";
        return false;
    }
    // Only the matched digits: "1e5" or "0x10" after a name must not become a distance.
    std::string number(p, p + m[0].end);
    st.distance = std::strtod(number.c_str(), nullptr);
    d.distance_decimals = std::max(d.distance_decimals, decimals);

    keyword_value(line, "[Uu][Rr][Ll]", separators, st.url, sizeof st.url);
    if (!keyword_value(line, "[Nn][Ii][Cc][Kk][Nn][Aa][Mm][Ee]", separators, st.work_name,
                       sizeof st.work_name))
        std::memcpy(st.work_name, st.name, sizeof st.name);
    ++d.eki_suu;
    return true;
}

// Reads EKI.TXT; false with the error in problem (the file is closed by then).
bool read_stations(Definition& d, std::string& problem) {
    Stream f = fopen_retry(EKI_FILE, "rt");
    char separators[3] = " \t";
    char line[LINE_SIZE];
    int line_no = 0;
    while (next_line(f, line, line_no)) {
        if (line[0] == '\0' || line[0] == '*') break;
        const char* p = line;
        skip_blanks(&p);

        std::string fs;
        if (valofkey(p, "FS", fs)) {
            if (!set_separators(fs, separators)) {
                problem = formatted("\nファイル \"%s\" の FS= 指定が不正です\n", EKI_FILE) +
                          formatted("%d 行目\n", line_no);
                return false;
            }
            continue;
        }
        if (d.eki_suu >= MAX_EKI) {
            problem = line_report(EKI_FILE, line_no, "駅数エラー", line) +
                      formatted("駅数が %d を越えています\n", MAX_EKI);
            return false;
        }
        if (!parse_station(d, line, line_no, p, separators, problem)) return false;
    }
    return true;
}

// A BUMON.TXT error: the line report, the message, then the fix-file handler.
[[noreturn]] void division_error(int line_no, const char* line, const char* label,
                                 const std::string& message) {
    fix_file(BUMON_FILE, line_report(BUMON_FILE, line_no, label, line) + message);
}

// Line 2 of a block: MaxSpeed=, MinSpeed=, optional StartTime=.
void parse_speed_line(DivisionInfo& div, const char* line, int line_no) {
    static const char* const speed_keys[] = {"MaxSpeed=", "MinSpeed="};
    double* const speeds[] = {&div.max_speed, &div.min_speed};
    for (int i = 0; i < 2; ++i) {
        const char* value = after_keyword(line, speed_keys[i]);
        if (!value) {
            std::string message = "キーワード \"";
            message += speed_keys[i];
            message += "\" がありません\n";
            division_error(line_no, line, FORMAT_ERROR, message);
        }
        *speeds[i] = std::strtod(value, nullptr);
    }
    if (const char* value = after_keyword(line, "StartTime=")) {
        RaceTime t{};
        if (!parse_time_hhmmss(t, value) || !time_is_valid(t))
            division_error(line_no, line, FORMAT_ERROR, "指定したスタート時刻が不正です\n");
        div.start_time = t;
    }
}

// Line 3 of a block: one character per physical station.
void parse_pattern_line(Definition& d, int division, const char* line, int line_no) {
    int logical = -1;
    const char* q = line;
    for (int i = 0; i < d.eki_suu; ++i) {
        char c = *q;
        if (c == '\0') {
            division_error(line_no, line, FORMAT_ERROR,
                           formatted("中継所指定行の文字数が駅数（%d）に満たない\n", d.eki_suu));
        }
        if (c == '+' || c == '1') {
            ++logical;
            if (logical > MAX_KUKAN)
                division_error(line_no, line, FORMAT_ERROR, formatted("区間数が %d を越えている\n", MAX_KUKAN));
            d.phy_to_log[division][i] = static_cast<std::int8_t>(logical);
            d.log_to_phy[division][logical] = static_cast<std::int8_t>(i);
        } else if (c != '/' && c != '0') {
            std::string ch(q, sjis_char_len(q));
            std::string message = formatted("%d文字目に不正な文字 '%s' がある\n", i + 1, ch.c_str());
            message += "３行目で使える文字は +, /, 1, 0 の４つだけ\n";
            message += "意味は下の通り\n";
            message += "\t中継所に使う=+ または 1\n";
            message += "\t中継所に使わない=/ または 0\n";
            division_error(line_no, line, FORMAT_ERROR, message);
        }
        ++q;
    }
    // A division needs its start and at least one more station; with fewer it would
    // have no section at all and every report of it would be meaningless.
    if (logical < 1)
        division_error(line_no, line, FORMAT_ERROR, "中継所（+ または 1）は２つ以上指定してください\n");
    d.divisions[division].kukan_suu = static_cast<std::int8_t>(logical);
}

// Reads BUMON.TXT; every error ends in the fix-file handler.
void read_divisions(Definition& d) {
    Stream f = fopen_retry(BUMON_FILE, "rt");
    char line[LINE_SIZE];
    int line_no = 0;
    for (;;) {
        if (!next_line(f, line, line_no) || line[0] == '*') break;
        const char* p = line;
        skip_blanks(&p);
        if (*p == '\0') {
            fix_file(BUMON_FILE, formatted("%s %d 行目が空白です\n", BUMON_FILE, line_no));
        }
        if (d.bumon_suu >= MAX_BUMON)
            division_error(line_no, line, "部門数エラー", formatted("部門数が %d を越えています\n", MAX_BUMON));
        int index = d.bumon_suu;
        DivisionInfo& div = d.divisions[index];
        std::memset(div.name, 0, sizeof div.name);
        take_field(div.name, &p, sizeof div.name, "");
        trim_right_blanks(div.name);

        if (!next_line(f, line, line_no) || line[0] == '*')
            division_error(line_no, line, FORMAT_ERROR,
                           formatted("第 %d 部門(%s)の２行目がありません\n", index + 1, div.name));
        parse_speed_line(div, line, line_no);

        if (!next_line(f, line, line_no) || line[0] == '*')
            division_error(line_no, line, FORMAT_ERROR,
                           formatted("第 %d 部門(%s)の３行目がありません\n", index + 1, div.name));
        parse_pattern_line(d, index, line, line_no);

        d.max_kukan = std::max(d.max_kukan, static_cast<int>(div.kukan_suu));
        ++d.bumon_suu;
    }
}

double speed_option(const char* key, double fallback) {
    std::string value;
    if (!get_option(key, value)) return fallback;
    return std::strtod(value.c_str(), nullptr);
}

std::string debug_listing(const Definition& d) {
    std::string text;
    for (int b = 0; b < MAX_BUMON; ++b) {
        for (int i = 0; i <= MAX_EKI; ++i)
            if (d.phy_to_log[b][i] != -1) text += formatted("phy_to_log[%d][%d]=%d\n", b, i, d.phy_to_log[b][i]);
        text += "\n";
        for (int k = 0; k <= MAX_KUKAN; ++k)
            if (d.log_to_phy[b][k] != -1) text += formatted("log_to_phy[%d][%d]=%d\n", b, k, d.log_to_phy[b][k]);
        text += "\n";
    }
    text += formatted("eki_suu=%d\n", d.eki_suu);
    text += formatted("bumon_suu=%d\n", d.bumon_suu);
    text += formatted("max_kukan=%d\n", d.max_kukan);
    text += formatted("sizeof_mastrec=%d\n", mastrec_size(d.max_kukan));
    text += formatted("sizeof_namerec=%d\n", namerec_size(d.max_kukan));
    return text;
}

}  // namespace

void kihon_data() {
    check_definition_files();

    auto d = std::make_unique<Definition>();
    // Start times survive a reload when BUMON.TXT gives none (start time entry sets them).
    const EventTables& before = definition().tables();
    for (int i = 0; i < MAX_BUMON; ++i) d->divisions[i].start_time = before.divisions[i].start_time;

    if (std::string problem; !read_stations(*d, problem)) fix_file(EKI_FILE, problem);
    if (d->eki_suu == 0) fix_file(EKI_FILE, formatted("\n%s に有効なデータがありません\n", EKI_FILE));

    read_divisions(*d);
    if (d->bumon_suu == 0) fix_file(BUMON_FILE, formatted("\n%s に有効なデータがありません\n", BUMON_FILE));

    if (listing_on_load) data_questions().station_maps(debug_listing(*d));
    d->fast_speed_limit = speed_option("FAST_SPEED_LIMIT", 30.0);
    d->slow_speed_limit = speed_option("SLOW_SPEED_LIMIT", 3.0);
    replace_definition(std::make_shared<const EventDefinition>(*d));
}

void print_kyori(FILE* stream, char* buffer, double distance, int width, const char* suffix,
                 std::size_t buffer_size) {
    const int loaded = definition().distance_decimals();
    int decimals = loaded <= 1 ? 1 : loaded == 2 ? 2 : 3;
    if (suffix == nullptr) suffix = "";
    if (stream) {
        std::fprintf(stream, "%*.*f%s", width, decimals, distance, suffix);
        return;
    }
    if (buffer == nullptr) {
        cputs("\nprint_kyori() error\n");
        cputs("出力バッファのアドレスが NULL です\n");
        fatal_stop();
    }
    if (buffer_size == 0) return;
    int needed = std::snprintf(nullptr, 0, "%*.*f%s", width, decimals, distance, suffix);
    std::string text(needed > 0 ? needed : 0, '\0');
    std::snprintf(text.data(), text.size() + 1, "%*.*f%s", width, decimals, distance, suffix);
    // Cut to the buffer, never through a double-byte character of the suffix.
    std::size_t n = 0;
    for (std::size_t len; (len = sjis_char_len(text.c_str() + n)) != 0 && n + len < buffer_size;) n += len;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

void fix_file(const char* name, const std::string& problem) {
    const AfterFix after = data_questions().fix_file(name, problem);
    stream_check(false);
    if (after == AfterFix::stop) fatal_stop();
    jump_to_main_menu();
}

EventTables::EventTables() {
    std::memset(stations, 0, sizeof stations);
    std::memset(divisions, 0, sizeof divisions);
    std::memset(phy_to_log, -1, sizeof phy_to_log);
    std::memset(log_to_phy, -1, sizeof log_to_phy);
}

EventDefinition::EventDefinition(const EventTables& tables)
    : t_(tables), master_record_size_(mastrec_size(tables.max_kukan)), name_record_size_(namerec_size(tables.max_kukan)) {}

const StationInfo& EventDefinition::station(int s) const {
    static const StationInfo none{};
    return s >= 0 && s < t_.eki_suu && s < MAX_EKI ? t_.stations[s] : none;
}

const DivisionInfo& EventDefinition::division(int d) const {
    static const DivisionInfo none{};
    return d >= 0 && d < t_.bumon_suu && d < MAX_BUMON ? t_.divisions[d] : none;
}

int EventDefinition::division_sections(int d) const {
    if (d < 0 || d >= t_.bumon_suu || d >= MAX_BUMON) return 0;
    int n = std::min({static_cast<int>(t_.divisions[d].kukan_suu), t_.max_kukan, MAX_KUKAN});
    return n < 0 ? 0 : n;
}

int EventDefinition::logical_station(int d, int physical) const {
    if (d < 0 || d >= t_.bumon_suu || d >= MAX_BUMON) return -1;
    if (physical < 0 || physical >= t_.eki_suu || physical >= MAX_EKI) return -1;
    int k = t_.phy_to_log[d][physical];
    return k >= 0 && k <= division_sections(d) ? k : -1;
}

int EventDefinition::physical_station(int d, int logical) const {
    if (d < 0 || d >= t_.bumon_suu || d >= MAX_BUMON) return -1;
    if (logical < 0 || logical > division_sections(d)) return -1;
    int s = t_.log_to_phy[d][logical];
    return s >= 0 && s < t_.eki_suu && s < MAX_EKI ? s : -1;
}

const char* EventDefinition::logical_station_name(int d, int logical) const {
    return station(physical_station(d, logical)).name;
}

double EventDefinition::distance_between(int d, int from, int to) const {
    int a = physical_station(d, from);
    int b = physical_station(d, to);
    return a >= 0 && b >= 0 ? t_.stations[b].distance - t_.stations[a].distance : 0.0;
}

double EventDefinition::section_distance(int d, int section) const {
    if (section < 1) return 0.0;
    return distance_between(d, section - 1, section);
}

std::shared_ptr<const EventDefinition> EventDefinition::with_start_time(int d, const RaceTime& t) const {
    auto changed = std::make_shared<EventDefinition>(*this);
    if (d >= 0 && d < t_.bumon_suu && d < MAX_BUMON) changed->t_.divisions[d].start_time = t;
    return changed;
}

std::shared_ptr<const EventDefinition> current_definition() { return current_slot(); }

const EventDefinition& definition() { return *current_slot(); }

void replace_definition(std::shared_ptr<const EventDefinition> d) {
    if (d) current_slot() = std::move(d);
}

void list_station_maps_on_load(bool on) { listing_on_load = on; }

const char* division_name(int division) { return definition().division_name(division); }
int division_sections(int division) { return definition().division_sections(division); }
int logical_station(int division, int physical) { return definition().logical_station(division, physical); }
int physical_station(int division, int logical) { return definition().physical_station(division, logical); }
const char* logical_station_name(int division, int logical) {
    return definition().logical_station_name(division, logical);
}
double distance_between(int division, int from, int to) { return definition().distance_between(division, from, to); }
double section_distance(int division, int section) { return definition().section_distance(division, section); }

}  // namespace korvel
