// Clock times and durations as three bytes (hours, minutes, seconds), their
// arithmetic and the time texts of every list and report.
#pragma once

#include <cstdio>
#include <string>

namespace korvel {

// Stored as three bytes at odd offsets inside records: always copied whole.
struct RaceTime {
    unsigned char h, m, s;
};
static_assert(sizeof(RaceTime) == 3, "RaceTime is three bytes in every record");

// 127:59:59 marks a clock time that was not entered; 0:00:00 a duration not yet known.
constexpr unsigned char TIME_NONE_HOURS = 127;

// Check modes of format_time_fixed and format_time_rank.
constexpr int TIME_CHECK_VALID = 0;  // fill text unless time_is_valid
constexpr int TIME_CHECK_SET = 1;    // fill text unless time_is_set
constexpr int TIME_CHECK_NONE = 2;   // any other value: print whatever is there

// Every time text fits in this many bytes with its terminator; caller buffers given to
// the format_ functions must be at least this large.
constexpr int TIME_TEXT_SIZE = 20;
// The widest fixed column; wider requests are narrowed to it.
constexpr int TIME_MAX_WIDTH = 13;

int time_to_seconds(RaceTime t);
long double time_to_hours(RaceTime t);
bool time_is_valid(RaceTime t);
bool time_is_set(RaceTime t);
bool time_is_none(RaceTime t);

void time_set(RaceTime& t, int hours, int minutes, int seconds);
void time_clear(RaceTime& t);
void time_set_none(RaceTime& t);

// Hours beyond the byte never wrap back into the valid range: above 255 they stay at
// 255, a negative count stores its hours as a byte (-1 second is 255:59:59) but
// never below 100.
void seconds_to_time(RaceTime& t, int seconds);
// "93015" is 9:30:15, "1230" is 0:12:30. False (t untouched) for a number outside
// 0..999999; minutes and seconds are the caller's to check with time_is_valid.
bool parse_time_hhmmss(RaceTime& t, const char* text);

bool time_equal(RaceTime a, RaceTime b);
bool time_differs(RaceTime a, RaceTime b);
// out may be a or b.
void time_add(RaceTime& out, RaceTime a, RaceTime b);
void time_sub(RaceTime& out, RaceTime a, RaceTime b);

// The nine-character clock column ("  1:02'03", "     2'03", "       07"), cut at
// width (at most 13). When the check fails, the fill text right-aligned in width
// instead, and the result is 1. buf: at least TIME_TEXT_SIZE bytes.
int format_time_fixed(RaceTime t, char* buf, int width, int check_mode, const char* fill);
void print_time_fixed(RaceTime t, FILE* out, int width, int check_mode, const char* fill);
// The nine-character time text of the entry screens and the check lists, "NoData"
// for a time that is not valid.
std::string time_text(RaceTime t);
// A nine-character time text without its leading blanks ("10:02'31"); check_mode as
// format_time_fixed takes it, with the fill "NoData".
std::string time_text_trimmed(RaceTime t, int check_mode = TIME_CHECK_VALID);
// The clock column followed by a rank: "<%2d>" for 1-99, "<%3d" from 100, four blanks
// for none, all cut at width (at most 13). Returns as format_time_fixed.
int format_time_rank(RaceTime t, char* buf, int rank, char open, char close, int width,
                     int check_mode, const char* fill);

// "1時間02分03秒", hours always shown.
void format_time_japanese(RaceTime t, char* buf);
void print_time_japanese(RaceTime t, FILE* out);
// "2分03秒" under an hour, "1時間02分03秒" otherwise, "" unless time_is_set.
void format_time_japanese_short(RaceTime t, char* buf);
void print_time_japanese_short(RaceTime t, FILE* out);
// format receives hours, minutes, seconds as three ints.
void print_time_with_format(RaceTime t, FILE* out, const char* format);
// Three columns for TAB files: "1\t02\t03", under an hour "0\t5\t07". No check.
void print_time_separated(RaceTime t, FILE* out, char separator);

}  // namespace korvel
