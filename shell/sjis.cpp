#include "shell/sjis.h"

#include <algorithm>
#include <cstdarg>

#include <cstring>

namespace korvel {

namespace {

// Full-width forms of 0x20-0x7E and of the half-width katakana 0xA1-0xDF, two bytes
// each (the mapping of the Windows runtime: "\" becomes the yen sign, "~" the overline).
constexpr char ascii_full[] =
    "　！”＃＄％＆’（）＊＋，－．／０１２３４５６７８９：；＜＝＞？"
    "＠ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ［￥］＾＿"
    "‘ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ｛｜｝￣";
constexpr char kana_full[] =
    "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノ"
    "ハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
static_assert(sizeof ascii_full == 2 * (0x7E - 0x20 + 1) + 1);
static_assert(sizeof kana_full == 2 * (0xDF - 0xA1 + 1) + 1);

unsigned char byte_at(const char* p) { return static_cast<unsigned char>(*p); }

bool is_full_width_space(const char* p) { return byte_at(p) == 0x81 && byte_at(p + 1) == 0x40; }

// Blank for skip_blanks / trim_right_blanks: returns its length, 0 when not blank.
std::size_t blank_len(const char* p) {
    if (*p == ' ' || *p == '\t') return 1;
    if (is_full_width_space(p)) return 2;
    return 0;
}

bool is_ascii_space(const char* p) {
    return *p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r';
}

// Single-byte character c is in set. The terminator is never in set.
bool in_set(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }

// The character at p (1 or 2 bytes) occurs as a whole character in set.
bool char_in_set(const char* p, std::size_t len, const char* set) {
    for (const char* q = set; *q;) {
        std::size_t qlen = sjis_char_len(q);
        if (qlen == len && std::memcmp(p, q, len) == 0) return true;
        q += qlen;
    }
    return false;
}

int char_code(const char* p, std::size_t len) {
    return len == 2 ? byte_at(p) * 256 + byte_at(p + 1) : byte_at(p);
}

}  // namespace

bool is_sjis_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::size_t sjis_char_len(const char* p) {
    if (*p == '\0') return 0;
    if (is_sjis_lead(byte_at(p)) && p[1] != '\0') return 2;
    return 1;
}

void chomp(char* s) {
    std::size_t n = std::strlen(s);
    if (n > 0 && s[n - 1] == '\n') s[n - 1] = '\0';
}

void trim_right_space(char* s) {
    // Scan forward so that the end is always a character boundary.
    char* end = s;
    for (char* p = s; *p;) {
        std::size_t len = sjis_char_len(p);
        if (len == 2 || !is_ascii_space(p)) end = p + len;
        p += len;
    }
    *end = '\0';
}

void skip_blanks(const char** p) {
    while (std::size_t len = blank_len(*p)) *p += len;
}

void skip_blanks(char** p) {
    const char* q = *p;
    skip_blanks(&q);
    *p += q - *p;
}

void skip_digits(const char** p) {
    while (**p >= '0' && **p <= '9') ++*p;
}

void skip_digits(char** p) {
    while (**p >= '0' && **p <= '9') ++*p;
}

int trim_right_blanks(char* s) {
    char* end = s;
    char* p = s;
    while (*p) {
        std::size_t len = blank_len(p);
        if (len == 0) {
            len = sjis_char_len(p);
            end = p + len;
        }
        p += len;
    }
    *end = '\0';
    return static_cast<int>(p - end);
}

void skip_to_any(const char** p, const char* set) {
    while (**p && !in_set(**p, set)) *p += sjis_char_len(*p);
}

void skip_to_any(char** p, const char* set) {
    const char* q = *p;
    skip_to_any(&q, set);
    *p += q - *p;
}

std::size_t take_field(char* out, const char** p, std::size_t size, const char* set) {
    std::size_t n = 0;
    bool full = size == 0;
    bool tab_ends = std::strchr(set, '\t') != nullptr;
    while (**p && !in_set(**p, set)) {
        std::size_t len = sjis_char_len(*p);
        if (!full && n + len <= size - 1) {
            if (**p == '\t' && !tab_ends)
                out[n] = ' ';
            else
                std::memcpy(out + n, *p, len);
            n += len;
        } else {
            full = true;  // a character that does not fit ends the copy
        }
        *p += len;
    }
    if (size > 0) out[n] = '\0';
    return n;
}

std::size_t take_field(char* out, char** p, std::size_t size, const char* set) {
    const char* q = *p;
    std::size_t n = take_field(out, &q, size, set);
    *p += q - *p;
    return n;
}

void remove_chars(const char* s, char* out, const char* set) {
    std::size_t n = 0;
    while (*s) {
        std::size_t len = sjis_char_len(s);
        if (!char_in_set(s, len, set)) {
            std::memmove(out + n, s, len);
            n += len;
        }
        s += len;
    }
    out[n] = '\0';
}

int strip_bracketed(const char* s, char* out, int open, int close) {
    int depth = open == 0 ? 1 : 0;
    std::size_t n = 0;
    while (*s) {
        std::size_t len = sjis_char_len(s);
        int code = char_code(s, len);
        if (open != 0 && code == open) {
            ++depth;
        } else if (code == close) {
            --depth;
        } else if (depth <= 0) {
            std::memmove(out + n, s, len);
            n += len;
        }
        s += len;
    }
    out[n] = '\0';
    return depth;
}

void to_full_width(const char* s, char* out) {
    to_full_width(s, out, 2 * std::strlen(s) + 1);
}

void to_full_width(const char* s, char* out, std::size_t size) {
    if (size == 0) return;
    std::size_t n = 0;
    while (*s) {
        unsigned char c = byte_at(s);
        std::size_t len = sjis_char_len(s);
        const char* from = s;
        std::size_t from_len = len;
        if (c >= 0x20 && c <= 0x7E) {
            from = ascii_full + 2 * (c - 0x20);
            from_len = 2;
        } else if (c >= 0xA1 && c <= 0xDF) {
            from = kana_full + 2 * (c - 0xA1);
            from_len = 2;
        }
        if (n + from_len > size - 1) break;
        std::memcpy(out + n, from, from_len);
        n += from_len;
        s += len;
    }
    out[n] = '\0';
}

std::string formatted(const char* format, ...) {
    // One byte beyond the limit, so that a double-byte character across it is seen whole.
    char buf[FORMATTED_LIMIT + 2];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    if (n < 0) return {};
    if (n <= FORMATTED_LIMIT) return std::string(buf, static_cast<std::size_t>(n));
    // Cut before the character that does not fit whole.
    std::size_t end = 0;
    while (buf[end]) {
        const std::size_t len = std::max<std::size_t>(sjis_char_len(buf + end), 1);
        if (end + len > static_cast<std::size_t>(FORMATTED_LIMIT)) break;
        end += len;
    }
    return std::string(buf, end);
}

}  // namespace korvel
