// Perl-compatible regular expressions over raw CP932 bytes (PCRE2's POSIX interface).
#pragma once

// The library's POSIX header stays inside regexp.cpp: its regex_t and regmatch_t
// clash with the C library's <regex.h>, which other headers (GoogleTest) include.

namespace korvel {

constexpr int REG_NO_MATCH_CODE = 17;
// Compile flag for case-insensitive matching (the library's REG_ICASE, which differs
// from the C library's).
constexpr int REGEXP_ICASE = 0x0001;

struct MatchPair {
    int start;
    int end;
};

// Compiles, matches and frees: 0 for a match, 17 for none. A bad pattern ends the
// program.
int pattern_matching(const char* pattern, const char* text, int nmatch, MatchPair* matches);

class RegExp {
public:
    RegExp() = default;
    RegExp(const char* pattern, int flags) { regcomp(pattern, flags); }
    ~RegExp();
    RegExp(const RegExp&) = delete;
    RegExp& operator=(const RegExp&) = delete;

    int regcomp(const char* pattern, int flags);
    int regexec(const char* text);
    int compile_rc() const { return compile_rc_; }
    int group_count() const { return group_count_; }
    MatchPair match(int i) const;

private:
    struct Compiled;  // the library's compiled pattern and match array
    Compiled* compiled_ = nullptr;
    int compile_rc_ = -1;
    int group_count_ = 0;
    int slots_ = 0;
};

// Compile or make the orderly stop, naming the source and line.
RegExp* regexp_checked(const char* pattern, int flags, const char* source, int line);
// True on a match; an execution error makes the orderly stop.
bool regexec_checked(RegExp& re, const char* text, const char* source, int line);

char* trim_left(char* s, bool wide);
char* trim_right(char* s, bool wide);
char* trim_both(char* s, bool wide);

}  // namespace korvel
