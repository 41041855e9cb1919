#include "shell/regexp.h"

#include <pcre2posix.h>
// The library renames the POSIX calls by macros, which would rename RegExp's own
// members too; it is called by its real names below.
#undef regcomp
#undef regexec
#undef regerror
#undef regfree

#include <memory>
#include <vector>

#include "shell/console_ui.h"
#include "shell/runtime.h"
#include "shell/sjis.h"

namespace korvel {

namespace {

constexpr int error_text_size = 500;

// Callers test against 17 whatever number the library gives its no-match code.
int map_code(int rc) { return rc == REG_NOMATCH ? REG_NO_MATCH_CODE : rc; }
static_assert(REGEXP_ICASE == REG_ICASE);

void error_text(int rc, const regex_t* re, char (&text)[error_text_size + 1]) {
    text[0] = '\0';
    pcre2_regerror(rc, re, text, sizeof text);
}

bool is_blank_at(const char* p, bool wide, std::size_t len) {
    if (len == 2) return wide && static_cast<unsigned char>(p[0]) == 0x81 && static_cast<unsigned char>(p[1]) == 0x40;
    return *p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r';
}

}  // namespace

int pattern_matching(const char* pattern, const char* text, int nmatch, MatchPair* matches) {
    regex_t re{};
    int rc = pcre2_regcomp(&re, pattern, 0);
    if (rc != 0) {
        char text_buf[error_text_size + 1];
        error_text(rc, &re, text_buf);
        cprintf("\n%s error in %s\n", "regcomp()", "pattern_matching()");
        cprintf("rc=%d\n", rc);
        cprintf("%s\n", text_buf);
        cprintf("%s\n", pattern);
        end_program(program_path.c_str());
    }
    if (nmatch < 0 || matches == nullptr) nmatch = 0;
    std::unique_ptr<regmatch_t[]> pairs(new regmatch_t[nmatch > 0 ? nmatch : 1]);
    rc = map_code(pcre2_regexec(&re, text, static_cast<std::size_t>(nmatch), pairs.get(), 0));
    if (rc != 0 && rc != REG_NO_MATCH_CODE) {
        char text_buf[error_text_size + 1];
        error_text(rc, &re, text_buf);
        pcre2_regfree(&re);
        cprintf("\n%s error in %s\n", "regexec()", "pattern_matching()");
        cprintf("rc=%d\n", rc);
        cprintf("%s\n", text_buf);
        end_program(program_path.c_str());
    }
    pcre2_regfree(&re);
    for (int i = 0; i < nmatch; ++i) {
        matches[i].start = rc == 0 ? pairs[i].rm_so : -1;
        matches[i].end = rc == 0 ? pairs[i].rm_eo : -1;
    }
    return rc;
}

struct RegExp::Compiled {
    regex_t re{};
    std::vector<regmatch_t> matches;
};

RegExp::~RegExp() {
    if (compiled_) pcre2_regfree(&compiled_->re);
    delete compiled_;
}

int RegExp::regcomp(const char* pattern, int flags) {
    if (compiled_) pcre2_regfree(&compiled_->re);
    delete compiled_;
    compiled_ = nullptr;
    group_count_ = 0;
    slots_ = 0;

    auto fresh = std::make_unique<Compiled>();
    compile_rc_ = pcre2_regcomp(&fresh->re, pattern, flags);
    if (compile_rc_ != 0) {
        char text[error_text_size + 1];
        error_text(compile_rc_, &fresh->re, text);
        cprintf("\nRegExp::regcomp()エラー\nrc=%d\n%s", compile_rc_, text);
        return compile_rc_;
    }
    group_count_ = static_cast<int>(fresh->re.re_nsub);
    slots_ = group_count_ + 10;
    fresh->matches.assign(static_cast<std::size_t>(slots_), regmatch_t{-1, -1});
    compiled_ = fresh.release();
    return 0;
}

int RegExp::regexec(const char* text) {
    if (!compiled_) return -1;
    auto& m = compiled_->matches;
    int rc = map_code(pcre2_regexec(&compiled_->re, text, m.size(), m.data(), 0));
    // A failed execution leaves no stale offsets behind.
    if (rc != 0) m.assign(m.size(), regmatch_t{-1, -1});
    if (rc != 0 && rc != REG_NO_MATCH_CODE) {
        char buf[error_text_size + 1];
        error_text(rc, &compiled_->re, buf);
        cprintf("\nRegExp::regexec()エラー\nrc=%d\n%s", rc, buf);
    }
    return rc;
}

MatchPair RegExp::match(int i) const {
    if (!compiled_ || i < 0 || i >= slots_) return {-1, -1};
    const regmatch_t& m = compiled_->matches[static_cast<std::size_t>(i)];
    return {m.rm_so, m.rm_eo};
}

RegExp* regexp_checked(const char* pattern, int flags, const char* source, int line) {
    auto* re = new RegExp(pattern, flags);
    if (re->compile_rc() != 0) {
        cprintf("\n%s(%d):%s\n", source, line, "正規表現コンパイルエラー");
        delete re;
        fatal_stop();
    }
    return re;
}

bool regexec_checked(RegExp& re, const char* text, const char* source, int line) {
    int rc = re.regexec(text);
    if (rc != 0 && rc != REG_NO_MATCH_CODE) {
        cprintf("\n%s(%d):%s\n", source, line, "正規表現マッチンッグエラー");
        fatal_stop();
    }
    return rc - REG_NO_MATCH_CODE != 0;
}

char* trim_left(char* s, bool wide) {
    MatchPair m[1];
    if (pattern_matching(wide ? "^(　|\\s)*" : "^\\s*", s, 1, m) != 0) return s;
    return s + m[0].end;
}

// The blank run is found character by character rather than by "^(.*?)(　|\s)*$": on
// raw bytes that pattern can take the trail byte 0x81 of one character and the "@"
// after it for a full-width space, and it finds no match across a line feed.
char* trim_right(char* s, bool wide) {
    char* end = s;
    for (char* p = s; *p;) {
        std::size_t len = sjis_char_len(p);
        if (!is_blank_at(p, wide, len)) end = p + len;
        p += len;
    }
    *end = '\0';
    return s;
}

char* trim_both(char* s, bool wide) { return trim_right(trim_left(s, wide), wide); }

}  // namespace korvel
