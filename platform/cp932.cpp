#include "platform/cp932.h"

#include <iconv.h>
#include <locale.h>
#include <wchar.h>

#include <cstdint>
#include <unordered_map>

namespace platform {

namespace {

constexpr int LEAD_COUNT = 60;  // 0x81-0x9F and 0xE0-0xFC

int lead_index(unsigned char lead) { return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31; }
unsigned char lead_of_index(int i) { return static_cast<unsigned char>(i < 31 ? 0x81 + i : 0xE0 + i - 31); }

// The double-byte table, taken from the C library's CP932 converter once.
const std::vector<char32_t>& double_byte_table() {
    static const std::vector<char32_t> table = [] {
        std::vector<char32_t> t(LEAD_COUNT * 256, 0);
        iconv_t cd = iconv_open("UTF-32LE", "CP932");
        if (cd == reinterpret_cast<iconv_t>(-1)) return t;
        for (int li = 0; li < LEAD_COUNT; ++li) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (!is_cp932_trail(static_cast<unsigned char>(trail))) continue;
                char in[2] = {static_cast<char>(lead_of_index(li)), static_cast<char>(trail)};
                unsigned char out[8] = {};
                char* ip = in;
                char* op = reinterpret_cast<char*>(out);
                size_t il = 2, ol = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0 || ol != 4) continue;
                t[li * 256 + trail] = static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
            }
        }
        iconv_close(cd);
        return t;
    }();
    return table;
}

// Code ranges that Windows avoids when a character has several codes: the
// NEC-selected IBM extensions lose against the IBM extensions (0xFA-0xFC).
bool second_choice(unsigned code) { return code >= 0xED40 && code <= 0xEEFC; }

const std::unordered_map<char32_t, std::uint16_t>& reverse_table() {
    static const std::unordered_map<char32_t, std::uint16_t> reverse = [] {
        std::unordered_map<char32_t, std::uint16_t> r;
        const auto& t = double_byte_table();
        for (int li = 0; li < LEAD_COUNT; ++li) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                char32_t c = t[li * 256 + trail];
                if (c == 0) continue;
                unsigned code = lead_of_index(li) << 8 | trail;
                auto [it, added] = r.try_emplace(c, static_cast<std::uint16_t>(code));
                if (!added && second_choice(it->second) && !second_choice(code)) it->second = static_cast<std::uint16_t>(code);
            }
        }
        for (unsigned b = 0xA1; b <= 0xDF; ++b) r[0xFF61 + (b - 0xA1)] = static_cast<std::uint16_t>(b);
        // JIS forms of characters whose Windows form differs; input methods and
        // editors on Linux produce these.
        const std::pair<char32_t, std::uint16_t> extra[] = {
            {0x301C, 0x8160},  // wave dash
            {0x2016, 0x8161},  // double vertical line
            {0x2212, 0x817C},  // minus sign
            {0x00A2, 0x8191},  // cent
            {0x00A3, 0x8192},  // pound
            {0x00AC, 0x81CA},  // not sign
            {0x2014, 0x815C},  // em dash
            {0x00A6, 0xFA55},  // broken bar
            {0x00A5, 0x5C},    // yen sign: the byte Japanese Windows shows as yen
            {0x203E, 0x7E},    // overline
        };
        for (const auto& [c, code] : extra) r.try_emplace(c, code);
        return r;
    }();
    return reverse;
}

// Decodes the CP932 character at text[i]; sets length to the bytes it takes (the
// bytes to skip when it is not a character) and returns 0 for a fault.
char32_t decode_at(std::string_view text, std::size_t i, int& length) {
    auto b = static_cast<unsigned char>(text[i]);
    length = 1;
    if (b < 0x80) return b;
    if (b >= 0xA1 && b <= 0xDF) return 0xFF61 + (b - 0xA1);
    if (!is_cp932_lead(b) || i + 1 >= text.size()) return 0;
    auto trail = static_cast<unsigned char>(text[i + 1]);
    if (!is_cp932_trail(trail)) return 0;
    length = 2;
    return cp932_char(b << 8 | trail);
}

}  // namespace

char32_t cp932_char(unsigned code) {
    if (code < 0x80) return code;
    if (code >= 0xA1 && code <= 0xDF) return 0xFF61 + (code - 0xA1);
    auto lead = static_cast<unsigned char>(code >> 8);
    auto trail = static_cast<unsigned char>(code & 0xFF);
    if (code > 0xFFFF || !is_cp932_lead(lead) || !is_cp932_trail(trail)) return 0;
    return double_byte_table()[lead_index(lead) * 256 + trail];
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string cp932_to_utf8(std::string_view cp932) {
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    for (std::size_t i = 0; i < cp932.size();) {
        int length;
        char32_t c = decode_at(cp932, i, length);
        if (c == 0 && cp932[i] != '\0') {
            for (int k = 0; k < length; ++k) append_utf8(out, 0xFFFD);
        } else {
            append_utf8(out, c);
        }
        i += length;
    }
    return out;
}

std::string utf8_to_cp932(std::string_view utf8, bool* complete) {
    const auto& reverse = reverse_table();
    std::string out;
    out.reserve(utf8.size());
    bool all = true;
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto b = static_cast<unsigned char>(utf8[i]);
        char32_t c;
        int length;
        if (b < 0x80) { c = b; length = 1; }
        else if (b >= 0xC2 && b <= 0xDF) { c = b & 0x1F; length = 2; }
        else if (b >= 0xE0 && b <= 0xEF) { c = b & 0x0F; length = 3; }
        else if (b >= 0xF0 && b <= 0xF4) { c = b & 0x07; length = 4; }
        else { c = 0xFFFFFFFF; length = 1; }
        if (c != 0xFFFFFFFF) {
            // A sequence cut short is one fault, its bytes taken together.
            for (int k = 1; k < length; ++k) {
                if (i + k >= utf8.size() || (static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) {
                    c = 0xFFFFFFFF;
                    length = k;
                    break;
                }
                c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            }
            if (c != 0xFFFFFFFF && ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
                                    (c >= 0xD800 && c <= 0xDFFF)))
                c = 0xFFFFFFFF;
        }
        i += length;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c == 0xFFFD) {
            out += '?';
        } else if (auto it = c == 0xFFFFFFFF ? reverse.end() : reverse.find(c); it != reverse.end()) {
            if (it->second > 0xFF) out += static_cast<char>(it->second >> 8);
            out += static_cast<char>(it->second & 0xFF);
        } else {
            out += '?';
            all = false;
        }
    }
    if (complete) *complete = all;
    return out;
}

int terminal_width(char32_t c) {
    if (c < 0x80) return c >= 0x20 && c < 0x7F ? 1 : -1;
    static locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (utf8) {
        locale_t old = uselocale(utf8);
        int w = wcwidth(static_cast<wchar_t>(c));
        uselocale(old);
        return w;
    }
    // No UTF-8 locale: the wide ranges that CP932 reaches.
    bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
                (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
                (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6);
    return wide ? 2 : 1;
}

std::vector<Glyph> row_glyphs(std::string_view row) {
    std::vector<Glyph> glyphs;
    glyphs.reserve(row.size());
    const int n = static_cast<int>(row.size());
    for (int i = 0; i < n;) {
        auto b = static_cast<unsigned char>(row[i]);
        if (b == 0) {  // never-written cells
            glyphs.push_back({U' ', i, 1, 1});
            ++i;
            continue;
        }
        if (is_cp932_lead(b) && i + 1 >= n) {  // its trail went to the next row
            glyphs.push_back({U' ', i, 1, 1});
            ++i;
            continue;
        }
        int length;
        char32_t c = decode_at(row, i, length);
        // Private-use characters (user-defined) have no reliable look: show them as faults.
        int width = c == 0 || (c >= 0xE000 && c <= 0xF8FF) ? -1 : terminal_width(c);
        if (width < 1 || width > length) {
            for (int k = 0; k < length; ++k) glyphs.push_back({U'?', i + k, 1, 1});
        } else {
            glyphs.push_back({c, i, length, width});
        }
        i += length;
    }
    return glyphs;
}

std::string row_to_utf8(std::string_view row) {
    std::string out;
    for (const auto& g : row_glyphs(row)) {
        append_utf8(out, g.code);
        out.append(static_cast<std::size_t>(g.bytes - g.cells), ' ');
    }
    return out;
}

}  // namespace platform
