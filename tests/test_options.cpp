#include <climits>
#include <string>

#include "shell/options.h"
#include "tests/support.h"

using namespace korvel;
using korvel_test::write_file;

namespace {

class OptionsTest : public korvel_test::WorkFolderTest {
protected:
    // The value, or "<absent>".
    std::string option(const char* key) {
        std::string value = "unchanged";
        return get_option(key, value) ? value : "<absent>";
    }
};

}  // namespace

TEST_F(OptionsTest, ValofkeyTrimsBothBlankWidths) {
    std::string v;
    ASSERT_TRUE(valofkey("　　EVENTNAME = 春の　駅伝　#remark", "EVENTNAME", v));
    EXPECT_EQ(v, "春の　駅伝");
    ASSERT_TRUE(valofkey("LF=", "LF", v));
    EXPECT_EQ(v, "");
    ASSERT_TRUE(valofkey("\tLF\t=\t 2 3 ", "LF", v));
    EXPECT_EQ(v, "2 3");
    EXPECT_FALSE(valofkey("eventname=x", "EVENTNAME", v));
    EXPECT_FALSE(valofkey("EVENTNAMEX=x", "EVENTNAME", v));
    EXPECT_FALSE(valofkey("EVENTNAME x", "EVENTNAME", v));
    // A value keeps its double-byte characters whole, trail byte "\" included.
    ASSERT_TRUE(valofkey("HOMENAME1=表ソ", "HOMENAME1", v));
    EXPECT_EQ(v, "表ソ");
}

TEST_F(OptionsTest, FileRules) {
    write_file("OPTION.TXT",
               "# EVENTNAME=comment\r\n"
               "eventname=lower case\r\n"
               "　EVENTNAME　=　春の　駅伝　# remark\r\n"
               "EVENTNAME=second\r\n"
               "BESTNO = 5\r\n"
               "BESTNO=8\r\n"
               "LF=\r\n"
               "\r\n"
               "some text\r\n"
               "HTMLCOLOR1=FF0000#red\r\n"
               "*\r\n"
               "LISTFILE=out.txt, 1\r\n");
    EXPECT_EQ(option("EVENTNAME"), "春の　駅伝");
    EXPECT_EQ(option("BESTNO"), "5");
    EXPECT_EQ(option("LF"), "");
    EXPECT_EQ(option("HTMLCOLOR1"), "FF0000");
    EXPECT_EQ(option("LISTFILE"), "<absent>");  // after the end line
    EXPECT_EQ(option("EVENTMEI"), "<absent>");
}

TEST_F(OptionsTest, LowerCaseKeyAndMissingFile) {
    EXPECT_EQ(option("EVENTNAME"), "<absent>");
    write_file("OPTION.TXT", "eventname=x\n");
    EXPECT_EQ(option("EVENTNAME"), "<absent>");
    // Every lookup reads the file anew.
    write_file("OPTION.TXT", "EVENTNAME=x\n");
    EXPECT_EQ(option("EVENTNAME"), "x");
}

TEST_F(OptionsTest, LongLinesAreReadIn999ByteParts) {
    // 999 bytes fill one part: the text after them starts a line of its own.
    write_file("OPTION.TXT", std::string(999, 'a') + "BESTNO=7\r\n");
    EXPECT_EQ(option("BESTNO"), "7");
    write_file("OPTION.TXT", std::string(998, 'a') + "BESTNO=7\r\nBESTNO=9\r\n");
    EXPECT_EQ(option("BESTNO"), "9");
}

TEST_F(OptionsTest, OptionInt) {
    EXPECT_EQ(option_int("12abc"), 12);
    EXPECT_EQ(option_int(" -3"), -3);
    EXPECT_EQ(option_int("+4"), 4);
    EXPECT_EQ(option_int("abc"), 0);
    EXPECT_EQ(option_int(""), 0);
    EXPECT_EQ(option_int("99999999999"), INT_MAX);
}

TEST_F(OptionsTest, ListingShowsListedKeysInTableOrder) {
    write_file("OPTION.TXT",
               "HTML_TABLE=<table border=1>\r\n"
               "LF=2\r\n"
               "SENDEN=not listed\r\n"
               "BESTNO=3\r\n"
               "EVENTNAME=大会\r\n"
               "PRINTCMD62=\r\n");
    con().type("xY");
    show_option_listing();
    const std::string tab(8, ' ');
    const std::string rule = tab + std::string(60, '-');
    EXPECT_EQ(con().row(0).rfind("作業フォルダ→", 0), 0u);
    EXPECT_EQ(con().row(2), tab + "\"OPTION.TXT\"に設定されているオプション・データは次の通りです");
    EXPECT_EQ(con().row(3), rule);
    EXPECT_EQ(con().row(4), tab + "EVENTNAME=大会");
    EXPECT_EQ(con().row(5), tab + "BESTNO=3");
    EXPECT_EQ(con().row(6), tab + "LF=2");
    EXPECT_EQ(con().row(7), tab + "PRINTCMD62=");
    EXPECT_EQ(con().row(8), tab + "HTML_TABLE=<table border=1>");
    EXPECT_EQ(con().row(9), rule);
    EXPECT_EQ(con().row(10), "メニューへ戻ります（Y）[Y]");
    EXPECT_EQ(con().bells(), 1);  // the "x"
}
