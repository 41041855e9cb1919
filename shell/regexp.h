// Perl-compatible regular expressions over raw CP932 bytes (PCRE2's POSIX interface).
#pragma once

#include <pcre2posix.h>

// The library renames the POSIX calls by macros; undo that so that RegExp's own
// regcomp / regexec keep their names. The library is called as pcre2_regcomp etc.
#undef regcomp
#undef regexec
#undef regerror
#undef regfree

namespace korvel {

constexpr int REG_NO_MATCH_CODE = 17;

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
    regex_t compiled_{};
    bool compiled_ok_ = false;
    int compile_rc_ = -1;
    int group_count_ = 0;
    int slots_ = 0;
    regmatch_t* matches_ = nullptr;
};

// Compile or make the orderly stop, naming the source and line.
RegExp* regexp_checked(const char* pattern, int flags, const char* source, int line);
// True on a match; an execution error makes the orderly stop.
bool regexec_checked(RegExp& re, const char* text, const char* source, int line);

char* trim_left(char* s, bool wide);
char* trim_right(char* s, bool wide);
char* trim_both(char* s, bool wide);

}  // namespace korvel
