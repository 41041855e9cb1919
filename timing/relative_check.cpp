#include "timing/relative_check.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "shell/console_ui.h"
#include "shell/options.h"
#include "timing/ranking.h"

namespace korvel {

namespace {

constexpr int COLOR_RED = 12;
constexpr int COLOR_WHITE = 15;

// A bound of OPTION.TXT: the whole value one number, else the default.
double bound_option(const char* key, double fallback, bool fast) {
    std::string value;
    if (!get_option(key, value) || value.empty()) return fallback;
    char* end = nullptr;
    double v = std::strtod(value.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    // A typo in the option must not switch the check off: only a written 0 does.
    if (!end || *end != '\0' || !std::isfinite(v) || v < 0) return fallback;
    if (v == 0) return 0;
    if (fast ? v >= 1 : v <= 1) return fallback;
    return v;
}

// Section k from the entered clock times, 0 when either is missing or the arrival is
// not after the departure.
int entered_section_seconds(const TeamRecord& r, int k) {
    const RaceTime& arrival = r.blocks[k].arrival;
    const RaceTime& departure = r.blocks[k - 1].departure;
    if (!time_is_valid(arrival) || !time_is_valid(departure)) return 0;
    return std::max(0, time_to_seconds(arrival) - time_to_seconds(departure));
}

}  // namespace

RelativeBounds relative_bounds() {
    RelativeBounds defaults;
    return {bound_option("RELATIVE_FAST", defaults.fast, true), bound_option("RELATIVE_SLOW", defaults.slow, false)};
}

std::vector<int> team_section_times(const TeamRecord& r) {
    const int sections = division_sections(r.division);
    std::vector<int> own(static_cast<std::size_t>(sections) + 1, 0);
    for (int k = 1; k <= sections; ++k) own[k] = entered_section_seconds(r, k);
    return own;
}

FieldTimes field_times(const std::vector<TeamRecord>& records, int division) {
    FieldTimes field(static_cast<std::size_t>(division_sections(division)) + 1);
    for (const TeamRecord& r : records) {
        if (r.division != division) continue;
        const std::vector<int> own = team_section_times(r);
        for (std::size_t k = 1; k < own.size(); ++k)
            if (own[k] > 0) field[k].push_back(own[k]);
    }
    for (std::vector<int>& times : field) std::sort(times.begin(), times.end());
    return field;
}

double field_median(const std::vector<int>& sorted) {
    const std::size_t n = sorted.size();
    if (n < static_cast<std::size_t>(RELATIVE_MIN_TEAMS)) return 0;
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
}

RelativeJudgement judge_section(const FieldTimes& field, const std::vector<int>& own, int k,
                                const RelativeBounds& bounds) {
    RelativeJudgement j;
    if (k < 1 || k >= static_cast<int>(field.size()) || k >= static_cast<int>(own.size())) return j;
    j.seconds = own[k];
    j.median = field_median(field[k]);
    if (j.seconds <= 0 || j.median <= 0) return j;
    double ran = 0, typical = 0;
    for (int i = 1; i < k; ++i) {
        const double m = field_median(field[i]);
        if (own[i] <= 0 || m <= 0) continue;
        ran += own[i];
        typical += m;
    }
    if (typical > 0) j.pace = ran / typical;
    j.ratio = j.seconds / (j.median * j.pace);
    j.kind = RELATIVE_INSIDE;
    if (bounds.fast > 0 && j.ratio < bounds.fast) j.kind = RELATIVE_TOO_FAST;
    if (bounds.slow > 0 && j.ratio > bounds.slow) j.kind = RELATIVE_TOO_SLOW;
    return j;
}

std::string relative_time_text(double seconds) {
    RaceTime t;
    seconds_to_time(t, static_cast<int>(std::lround(seconds)));
    return time_text_trimmed(t, TIME_CHECK_NONE);
}

int relative_entry_test(const TeamRecord& r, int k) {
    const int sections = division_sections(r.division);
    if (sections == 0 || k < 0 || k > sections) return 0;
    const RelativeBounds bounds = relative_bounds();
    if (bounds.fast <= 0 && bounds.slow <= 0) return 0;
    const FieldTimes field = field_times(read_all_records(), r.division);
    const std::vector<int> own = team_section_times(r);
    int found = 0;
    for (int i = std::max(k, 1); i <= k + 1 && i <= sections; ++i) {
        const RelativeJudgement j = judge_section(field, own, i, bounds);
        if (j.kind != RELATIVE_TOO_FAST && j.kind != RELATIVE_TOO_SLOW) continue;
        ++found;
        beep();
        set_color(COLOR_RED);
        cputs("\n区間タイム注意");
        set_color(COLOR_WHITE);
        cprintf(" No=%d %s %d区 %s→%s\n", r.team_no, r.name, i, logical_station_name(r.division, i - 1),
                logical_station_name(r.division, i));
        cprintf("区間タイム %s は同じ部門の中央値 %s", relative_time_text(j.seconds).c_str(),
                relative_time_text(j.median).c_str());
        if (j.pace != 1)
            cprintf("（このチームのペース %.2f 倍で %s）", j.pace, relative_time_text(j.median * j.pace).c_str());
        else
            cputs(" ");
        cprintf("の %.2f 倍です", j.ratio);
    }
    return found;
}

}  // namespace korvel
