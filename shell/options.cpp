#include "shell/options.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "shell/console_ui.h"
#include "shell/regexp.h"
#include "shell/runtime.h"
#include "shell/sjis.h"

namespace korvel {

namespace {

constexpr const char* option_file = "OPTION.TXT";
constexpr int line_size = 1000;  // 999 bytes and the terminator

// Shown on the listing screen, in this order; SENDEN, INPUTSEQ and
// OPEN_TEAM_OUTPUT_POSITION are honoured but not listed.
constexpr const char* listed_keys[] = {
    "EVENTNAME",        "EVENTMEI",         "LISTFILE",           "EDITOR",
    "KUKANSYOU_PRINTTYPE", "KUKANSYOU_OUTPUT_MODE", "NUM_INPUTTYPE", "GIMON_SPEED_SORTTYPE",
    "BESTNO",           "LF",               "PRINTCMD62",         "PRINTCMD63",
    "PRINTCMD64",       "PRINTCMD65",       "PRINTCMD66",         "PRINTCMD67",
    "PRINTCMD68",       "PRINTCMD70",       "PRINTCMD71",         "PRINTCMD72",
    "PRINTCMD73",       "PRINTCMD74",       "PRINTCMD75",         "PRINTCMD77",
    "PRINTCMD78",       "PRINTCMD94",       "PRINTCMD95",         "HTMLCOLOR1",
    "HTMLCOLOR2",       "HTMLCOLOR3",       "HOMEADDRESS1",       "HOMENAME1",
    "HOMEADDRESS2",     "HOMENAME2",        "PHOTOPAGEADDRESS",   "PHOTOPAGENAME",
    "RULE_KUKAN_KIKEN", "PRINT62_DANGUMI_GYOU_SUU", "FAST_SPEED_LIMIT", "SLOW_SPEED_LIMIT",
    "HTML_HEAD",        "HTML_TABLE",
};
static_assert(std::size(listed_keys) == 42);

std::unique_ptr<RegExp> key_pattern(const char* key) {
    std::string pattern = "^(　|\\s)*";
    pattern += key;
    pattern += "(　|\\s)*=(　|\\s)*([^#]*)";
    return std::unique_ptr<RegExp>(regexp_checked(pattern.c_str(), 0, ".\\VALOFKEY", 20));
}

bool value_of(RegExp& re, const char* line, std::string& value) {
    if (!regexec_checked(re, line, ".\\VALOFKEY", 22)) return false;
    MatchPair m = re.match(4);
    if (m.start < 0 || m.end < m.start) return false;
    std::string raw(line + m.start, line + m.end);
    value = trim_both(raw.data(), true);
    return true;
}

void draw_rule() {
    cputs("\t");
    cputs(std::string(60, '-'));
    cputs("\n");
}

}  // namespace

bool valofkey(const char* line, const char* key, std::string& value) {
    auto re = key_pattern(key);
    return value_of(*re, line, value);
}

bool get_option(const char* key, std::string& value) {
    if (!file_exists(option_file)) return false;
    Stream f = fopen_retry(option_file, "rt");
    auto re = key_pattern(key);
    char line[line_size];
    while (std::fgets(line, sizeof line, f)) {
        chomp(line);
        if (line[0] == '*') break;
        // "#" is below the trail-byte range, so a byte-wise search cannot hit a character.
        if (char* hash = std::strchr(line, '#')) *hash = '\0';
        if (value_of(*re, line, value)) return true;
    }
    return false;
}

int option_int(const std::string& value) {
    long n = std::strtol(value.c_str(), nullptr, 10);
    if (n > INT_MAX) return INT_MAX;
    if (n < INT_MIN) return INT_MIN;
    return static_cast<int>(n);
}

int carried_start_limit(int station, int& clock_seconds) {
    std::string value;
    const std::string key = "KURIAGE" + std::to_string(station);
    if (!get_option(key.c_str(), value)) return 0;
    // H:MM:SS or HH:MM:SS, nothing else: "11:2:0" or "-1:00:00" is a typing slip.
    const std::size_t n = value.size();
    const std::size_t hours = n - 6;
    if (n < 7 || n > 8 || value[hours] != ':' || value[n - 3] != ':') return -1;
    for (std::size_t i = 0; i < n; ++i)
        if (i != hours && i != n - 3 && (value[i] < '0' || value[i] > '9')) return -1;
    const int h = std::atoi(value.substr(0, hours).c_str());
    const int m = std::atoi(value.substr(hours + 1, 2).c_str());
    const int s = std::atoi(value.substr(n - 2).c_str());
    if (m > 59 || s > 59) return -1;
    clock_seconds = h * 3600 + m * 60 + s;
    return 1;
}

void show_option_listing() {
    clear_screen();
    set_color(15);
    show_folder_line(0, 0);
    cprintf("\n\n\t\"%s\"に設定されているオプション・データは次の通りです\n", option_file);
    draw_rule();
    for (const char* key : listed_keys) {
        std::string value;
        if (get_option(key, value)) cprintf("\t%s=%s\n", key, value.c_str());
    }
    draw_rule();
    menu_return_prompt();
}

const char* event_name() {
    static std::string name;
    if (!get_option("EVENTNAME", name) && !get_option("EVENTMEI", name)) name = "？？？？駅伝大会";
    return name.c_str();
}

}  // namespace korvel
