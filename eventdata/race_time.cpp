#include "eventdata/race_time.h"

#include <algorithm>

#include <cstdlib>
#include <cstring>

namespace korvel {

namespace {

// A byte cannot hold every hour count: a sum or a long duration above 255 hours, or a
// difference of less than -156 hours, would wrap into 0..99 and pass for a real time.
// Such hours are stored as 255, which every check refuses.
unsigned char hours_byte(int hours) {
    if (hours > 255) return 255;
    if (hours < -156) return 255;
    return static_cast<unsigned char>(hours);
}

void store(RaceTime& out, int hours, int minutes, int seconds) {
    out.h = hours_byte(hours);
    out.m = static_cast<unsigned char>(minutes);
    out.s = static_cast<unsigned char>(seconds);
}

bool check_passes(RaceTime t, int check_mode) {
    if (check_mode == TIME_CHECK_VALID) return time_is_valid(t);
    if (check_mode == TIME_CHECK_SET) return time_is_set(t);
    return true;
}

bool is_lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The fill text right-aligned in width. A fill text wider than the column is kept
// whole, as far as the buffer allows (never half a double-byte character).
void write_fill(char* buf, int width, const char* fill) {
    if (fill == nullptr) fill = "";
    const int room = TIME_TEXT_SIZE - 1;
    int len = 0;
    while (fill[len] != '\0') {
        int step = (is_lead_byte(static_cast<unsigned char>(fill[len])) && fill[len + 1] != '\0') ? 2 : 1;
        if (len + step > room) break;
        len += step;
    }
    int pad = width > len ? width - len : 0;
    std::memset(buf, ' ', pad);
    std::memcpy(buf + pad, fill, len);
    buf[pad + len] = '\0';
}

int clamp_width(int width) {
    if (width > TIME_MAX_WIDTH) return TIME_MAX_WIDTH;
    if (width < 0) return 0;
    return width;
}

// The uncut clock text: nine characters for hours up to 99, at most twelve for any
// three bytes.
void clock_text(RaceTime t, char* buf) {
    if (t.h != 0) {
        std::snprintf(buf, TIME_TEXT_SIZE, " %2d%c%02d'%02d", t.h, ':', t.m, t.s);
    } else if (t.m != 0) {
        std::snprintf(buf, TIME_TEXT_SIZE, "    %2d'%02d", t.m, t.s);
    } else {
        std::snprintf(buf, TIME_TEXT_SIZE, "       %02d", t.s);
    }
}

void cut(char* buf, int width) {
    if (static_cast<int>(std::strlen(buf)) > width) buf[width] = '\0';
}

}  // namespace

int time_to_seconds(RaceTime t) { return t.h * 3600 + t.m * 60 + t.s; }

long double time_to_hours(RaceTime t) { return time_to_seconds(t) / 3600.0L; }

bool time_is_valid(RaceTime t) { return t.s <= 59 && t.m <= 59 && t.h <= 99; }

bool time_is_set(RaceTime t) { return time_is_valid(t) && !(t.h == 0 && t.m == 0 && t.s == 0); }

bool time_is_none(RaceTime t) { return t.h == TIME_NONE_HOURS && t.m == 59 && t.s == 59; }

void time_set(RaceTime& t, int hours, int minutes, int seconds) {
    t.h = static_cast<unsigned char>(hours);
    t.m = static_cast<unsigned char>(minutes);
    t.s = static_cast<unsigned char>(seconds);
}

void time_clear(RaceTime& t) { t = RaceTime{0, 0, 0}; }

void time_set_none(RaceTime& t) { t = RaceTime{TIME_NONE_HOURS, 59, 59}; }

void seconds_to_time(RaceTime& t, int seconds) {
    // Split with division: the same result as counting off sixties, without the loop.
    long long total = seconds;
    long long s = total % 60;
    long long minutes = total / 60;
    if (s < 0) {
        s += 60;
        --minutes;
    }
    long long m = minutes % 60;
    long long hours = minutes / 60;
    if (m < 0) {
        m += 60;
        --hours;
    }
    t.h = hours_byte(static_cast<int>(hours));
    t.m = static_cast<unsigned char>(m);
    t.s = static_cast<unsigned char>(s);
}

bool parse_time_hhmmss(RaceTime& t, const char* text) {
    if (text == nullptr) return false;
    long n = std::strtol(text, nullptr, 10);  // blanks, sign, stops at the first non-digit
    if (n < 0 || n > 999999) return false;
    t.h = static_cast<unsigned char>(n / 10000 % 100);
    t.m = static_cast<unsigned char>(n / 100 % 100);
    t.s = static_cast<unsigned char>(n % 100);
    return true;
}

bool time_equal(RaceTime a, RaceTime b) { return a.h == b.h && a.m == b.m && a.s == b.s; }

bool time_differs(RaceTime a, RaceTime b) { return !time_equal(a, b); }

void time_add(RaceTime& out, RaceTime a, RaceTime b) {
    int hours = a.h + b.h, minutes = a.m + b.m, seconds = a.s + b.s;
    while (seconds >= 60) {
        seconds -= 60;
        ++minutes;
    }
    while (minutes >= 60) {
        minutes -= 60;
        ++hours;
    }
    store(out, hours, minutes, seconds);
}

// Borrows only: an operand with 60 or more minutes or seconds (a damaged record)
// gives a result that is still invalid, never a plausible time.
void time_sub(RaceTime& out, RaceTime a, RaceTime b) {
    int hours = a.h - b.h, minutes = a.m - b.m, seconds = a.s - b.s;
    while (seconds < 0) {
        seconds += 60;
        --minutes;
    }
    while (minutes < 0) {
        minutes += 60;
        --hours;
    }
    store(out, hours, minutes, seconds);
}

int format_time_fixed(RaceTime t, char* buf, int width, int check_mode, const char* fill) {
    width = clamp_width(width);
    if (!check_passes(t, check_mode)) {
        write_fill(buf, width, fill);
        return 1;
    }
    clock_text(t, buf);
    cut(buf, width);
    return 0;
}

void print_time_fixed(RaceTime t, FILE* out, int width, int check_mode, const char* fill) {
    char buf[TIME_TEXT_SIZE];
    format_time_fixed(t, buf, width, check_mode, fill);
    std::fputs(buf, out);
}

int format_time_rank(RaceTime t, char* buf, int rank, char open, char close, int width,
                     int check_mode, const char* fill) {
    width = clamp_width(width);
    if (!check_passes(t, check_mode)) {
        write_fill(buf, width, fill);
        return 1;
    }
    // Built whole, then cut: a ten-character time or a long rank never runs past buf.
    char text[64];
    clock_text(t, text);
    size_t len = std::strlen(text);
    if (rank >= 100) {
        std::snprintf(text + len, sizeof text - len, "%c%3d", open, rank);
    } else if (rank >= 1) {
        std::snprintf(text + len, sizeof text - len, "%c%2d%c", open, rank, close);
    } else {
        std::snprintf(text + len, sizeof text - len, "%*s", 4, "");
    }
    cut(text, width);
    std::strcpy(buf, text);
    return 0;
}

void format_time_japanese(RaceTime t, char* buf) {
    std::snprintf(buf, TIME_TEXT_SIZE, "%d時間%02d分%02d秒", t.h, t.m, t.s);
}

void print_time_japanese(RaceTime t, FILE* out) {
    char buf[TIME_TEXT_SIZE];
    format_time_japanese(t, buf);
    std::fputs(buf, out);
}

void format_time_japanese_short(RaceTime t, char* buf) {
    if (!time_is_set(t)) {
        buf[0] = '\0';
    } else if (t.h == 0) {
        std::snprintf(buf, TIME_TEXT_SIZE, "%d分%02d秒", t.m, t.s);
    } else {
        std::snprintf(buf, TIME_TEXT_SIZE, "%d時間%02d分%02d秒", t.h, t.m, t.s);
    }
}

void print_time_japanese_short(RaceTime t, FILE* out) {
    char buf[TIME_TEXT_SIZE];
    format_time_japanese_short(t, buf);
    std::fputs(buf, out);
}

void print_time_with_format(RaceTime t, FILE* out, const char* format) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::fprintf(out, format, static_cast<int>(t.h), static_cast<int>(t.m), static_cast<int>(t.s));
#pragma GCC diagnostic pop
}

void print_time_separated(RaceTime t, FILE* out, char separator) {
    std::fprintf(out, "%d%c", t.h, separator);
    std::fprintf(out, t.h != 0 ? "%02d" : "%d", t.m);
    std::fprintf(out, "%c%02d", separator, t.s);
}

std::string time_text(RaceTime t) {
    char buf[TIME_TEXT_SIZE];
    format_time_fixed(t, buf, 9, TIME_CHECK_VALID, "NoData");
    return buf;
}

std::string time_text_trimmed(RaceTime t, int check_mode) {
    char buf[TIME_TEXT_SIZE];
    format_time_fixed(t, buf, 9, check_mode, "NoData");
    const std::string text = buf;
    return text.substr(std::min(text.find_first_not_of(' '), text.size()));
}

}  // namespace korvel
