#include <string>

#include "shell/regexp.h"
#include "tests/support.h"

using namespace korvel;

namespace {

class RegexpTest : public korvel_test::WorkFolderTest {
protected:
    bool screen_blank() { return con().screen().find_first_not_of('\n') == std::string::npos; }
};

}  // namespace

TEST_F(RegexpTest, PatternMatchingGroupsAndNoMatch) {
    MatchPair m[10];
    EXPECT_EQ(pattern_matching("^\\s*(\\S+)", " \t  ", 10, m), 17);
    EXPECT_EQ(pattern_matching("^\\s*(\\S+)", "", 10, m), 17);

    ASSERT_EQ(pattern_matching("^\\s*(\\S+)", "  lpx -p", 10, m), 0);
    EXPECT_EQ(m[0].start, 0);
    EXPECT_EQ(m[1].start, 2);
    EXPECT_EQ(m[1].end, 5);
    EXPECT_EQ(m[2].start, -1);  // no such group

    // A group that takes no part, and a back-reference.
    ASSERT_EQ(pattern_matching("^(a)?(b)", "b", 3, m), 0);
    EXPECT_EQ(m[1].start, -1);
    EXPECT_EQ(m[2].start, 0);
    EXPECT_EQ(pattern_matching("^\\s*([\"']*)[lL][pP][xX](\\1)\\s", "\"lpx\" -p", 10, m), 0);
    EXPECT_EQ(pattern_matching("^\\s*([\"']*)[lL][pP][xX](\\1)\\s", "\"lpx' -p", 10, m), 17);

    // Case matters; no match array at all is allowed.
    EXPECT_EQ(pattern_matching("^LPX", "lpx", 0, nullptr), 17);

    // The program folder pattern: group 1 ends after the last backslash, whatever
    // trail bytes the Japanese folder names carry.
    std::string path = "C:\\表\\ソ\\korvel32.exe";
    ASSERT_EQ(pattern_matching("^(.*\\\\)[^\\\\]*$", path.c_str(), 2, m), 0);
    EXPECT_EQ(m[1].end, 9);
    EXPECT_TRUE(screen_blank());
}

TEST_F(RegexpTest, PatternMatchingCompileErrorEndsTheProgram) {
    MatchPair m[2];
    EXPECT_PROGRAM_EXIT(pattern_matching("(ab", "ab", 2, m), 1);
    EXPECT_EQ(con().row(1), "regcomp() error in pattern_matching()");
    EXPECT_EQ(con().row(2).rfind("rc=", 0), 0u);
    EXPECT_NE(con().row(2), "rc=0");
    EXPECT_FALSE(con().row(3).empty());  // the library's text
    EXPECT_EQ(con().row(4), "(ab");
    EXPECT_NE(con().screen().find("上のメッセージを確認した後 Y を入力"), std::string::npos);
}

TEST_F(RegexpTest, RegExpClass) {
    RegExp re("^(\\d+)\\s+(\\S+)\\s+(\\S*)", 0);
    EXPECT_EQ(re.compile_rc(), 0);
    EXPECT_EQ(re.group_count(), 3);
    ASSERT_EQ(re.regexec("12 123456 "), 0);
    EXPECT_EQ(re.match(1).start, 0);
    EXPECT_EQ(re.match(1).end, 2);
    EXPECT_EQ(re.match(3).start, re.match(3).end);  // empty third field
    EXPECT_EQ(re.match(12).start, -1);              // inside the array, no group
    EXPECT_EQ(re.match(13).start, -1);              // outside the array

    EXPECT_EQ(re.regexec("x"), 17);
    EXPECT_EQ(re.match(1).start, -1);  // nothing stale from the earlier match

    // Case-insensitive compile flag, as the time import uses it.
    RegExp nodata("^NoData$", REGEXP_ICASE);
    EXPECT_EQ(nodata.regexec("NODATA"), 0);
    EXPECT_TRUE(screen_blank());

    RegExp bad("a[", 0);
    EXPECT_NE(bad.compile_rc(), 0);
    EXPECT_EQ(bad.regexec("a["), -1);
    EXPECT_EQ(con().row(1), "RegExp::regcomp()エラー");
    EXPECT_EQ(con().row(2), "rc=" + std::to_string(bad.compile_rc()));
}

TEST_F(RegexpTest, CheckedVariants) {
    RegExp* re = regexp_checked("^(　|\\s)*BESTNO", 0, ".\\VALOFKEY", 20);
    EXPECT_TRUE(regexec_checked(*re, "　 BESTNO=3", ".\\VALOFKEY", 22));
    EXPECT_FALSE(regexec_checked(*re, "BEST=3", ".\\VALOFKEY", 22));
    delete re;

    EXPECT_PROGRAM_EXIT(regexp_checked("(", 0, ".\\KRVINPUT", 41), 1);
    EXPECT_NE(con().screen().find("\n.\\KRVINPUT(41):正規表現コンパイルエラー\n"), std::string::npos);
    EXPECT_NE(con().screen().find("KORVEL32 を終了します。"), std::string::npos);
}

TEST_F(RegexpTest, TrimmingWithBothBlankWidths) {
    char only_wide[] = "　　";
    EXPECT_STREQ(trim_both(only_wide, true), "");
    char only_wide2[] = "　　";
    EXPECT_STREQ(trim_both(only_wide2, false), "　　");

    char words[] = " \t第１回 駅伝　 ";
    EXPECT_STREQ(trim_both(words, true), "第１回 駅伝");
    char words2[] = " 第１回　駅伝　";
    EXPECT_STREQ(trim_both(words2, false), "第１回　駅伝　");

    char left[] = "　 \tX ";
    EXPECT_STREQ(trim_left(left, true), "X ");
    EXPECT_STREQ(trim_left(left, false), "　 \tX ");

    // "＝" (0x81 0x81) followed by "@": the bytes 0x81 0x40 in the middle are no
    // full-width space, and the character stays whole.
    char eq[] = "＝@";
    EXPECT_STREQ(trim_right(eq, true), "＝@");

    // A line feed inside the text does not stop the trimming at the end.
    char two_lines[] = "ab\ncd \n";
    EXPECT_STREQ(trim_right(two_lines, true), "ab\ncd");

    char so[] = "ソ ";  // trail byte 0x5C
    EXPECT_STREQ(trim_right(so, false), "ソ");
}
