#include "eventdata/list_file.h"

#include <cstring>
#include <string>

#include "eventdata/kihondat.h"
#include "shell/options.h"
#include "shell/runtime.h"
#include "shell/sjis.h"

namespace korvel {

namespace {

constexpr std::size_t LIST_LINE_SIZE = 1000;  // 999 bytes and the terminator
constexpr int NUMBER_CEILING = 9999999;

// One line without its end; the part of a longer line beyond size - 1 bytes is read
// and dropped, so it can never pass for a line of its own. False at the end of file.
bool read_line(FILE* f, char* buf, std::size_t size) {
    std::size_t n = 0;
    int c = std::getc(f);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::getc(f)) {
        if (n < size - 1) buf[n++] = static_cast<char>(c);
    }
    buf[n] = '\0';
    // A stray CR (CR CR LF, or a last line ending in CR) is not part of any field.
    while (n > 0 && buf[n - 1] == '\r') buf[--n] = '\0';
    return true;
}


bool blank_separators(const char* separators) { return std::strlen(separators) > 1; }

bool is_separator(char c, const char* separators) { return c != '\0' && std::strchr(separators, c) != nullptr; }

}  // namespace

bool set_separators(const std::string& value, char* separators) {
    if (value.empty()) {
        std::strcpy(separators, " \t");
    } else if (value == "Tab") {
        std::strcpy(separators, "\t");
    } else if (value.size() == 1) {
        separators[0] = value[0];
        separators[1] = '\0';
    } else {
        return false;
    }
    return true;
}

void read_list_file(const char* list_name, const char* out_name, const char* out_mode,
                    const ListLineHandler& handler) {
    Stream list = fopen_retry(list_name, "rt");
    Stream out;
    if (out_name) out = fopen_retry(out_name, out_mode);

    char separators[3] = " \t";
    char line[LIST_LINE_SIZE];
    int line_no = 0;
    while (read_line(list, line, sizeof line)) {
        ++line_no;
        const char* p = line;
        skip_blanks(&p);
        std::string fs;
        if (*p == 'F' && valofkey(p, "FS", fs)) {
            if (!set_separators(fs, separators)) {
                std::string problem = formatted("\nファイル \"%s\" の FS= 指定が不正です\n", list_name) +
                                      formatted("%d 行目\n", line_no);
                if (fs == "Length") problem += formatted("FS=%s の指定は ver3.40 からできなくなりました\n", "Length");
                fix_file(list_name, problem);
            }
            continue;
        }
        if (*p == '*') break;
        if (*p < '0' || *p > '9') continue;
        handler(p, out ? out.get() : nullptr, separators, line_no);
    }
    if (out) fclose_or_abort(out);
    list.close();
}

int leading_number(const char* text) {
    int n = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
        n = n * 10 + (*p - '0');
        if (n > NUMBER_CEILING) n = NUMBER_CEILING;
    }
    return n;
}

std::string number_as_written(const char* text) {
    constexpr std::size_t SHOWN_DIGITS = 10;
    std::size_t n = 0;
    while (text[n] >= '0' && text[n] <= '9') ++n;
    if (n > SHOWN_DIGITS) return "大きすぎる数";
    return n == 0 ? std::string("0") : std::string(text, n);
}

bool next_list_field(const char** p, const char* separators) {
    const char* q = *p;
    skip_to_any(&q, separators);
    if (*q == '\0') return false;
    if (blank_separators(separators)) {
        while (is_separator(*q, separators)) ++q;
        if (*q == '\0') return false;
    } else {
        ++q;
    }
    *p = q;
    return true;
}

std::string take_list_field(const char** p, const char* separators) {
    const char* start = *p;
    skip_to_any(p, separators);
    return std::string(start, *p);
}

std::size_t fit_list_field(const std::string& text, char* out, std::size_t size, const char* separators) {
    if (size == 0) return 0;
    const char* p = text.c_str();
    skip_blanks(&p);
    bool tab_kept = std::strchr(separators, '\t') != nullptr;
    std::size_t n = 0;
    while (*p) {
        std::size_t len = sjis_char_len(p);
        // A lead byte without its trail byte is half a character: never stored.
        if (len == 1 && is_sjis_lead(static_cast<unsigned char>(*p))) break;
        if (n + len > size - 1) break;
        if (*p == '\t' && !tab_kept)
            out[n] = ' ';
        else
            std::memcpy(out + n, p, len);
        n += len;
        p += len;
    }
    out[n] = '\0';
    trim_right_blanks(out);
    return std::strlen(out);
}

bool contains_word(const char* text, const char* word) {
    std::size_t len = std::strlen(word);
    for (const char* p = text; *p; p += sjis_char_len(p)) {
        if (std::strncmp(p, word, len) == 0) return true;
    }
    return false;
}

}  // namespace korvel
