// The relay-station selection screen.
#include <string>

#include "eventdata/kihondat.h"
#include "prompts/selection.h"
#include "prompts/start_time.h"
#include "shell/console_ui.h"
#include "tests/support.h"

namespace {

using korvel_test::write_file;
using platform::VK_ESCAPE;
using platform::VK_F5;
using platform::VK_RETURN;

class SelectStationTest : public korvel_test::WorkFolderTest {
protected:
    void SetUp() override {
        WorkFolderTest::SetUp();
        write_file("EKI.TXT", "スタート 0\r\n一中継所 5 NICKNAME=一中\r\n二中継所 10\r\nゴール 15\r\n");
        write_file("BUMON.TXT", "一般の部\r\nMaxSpeed=26.0 MinSpeed=9.0 StartTime=90000\r\n++++\r\n");
        write_file("TEAM.TXT", "101 碧水ＡＣ 1\r\n");
        write_file("OPTION.TXT", "EDITOR=true\r\n");
        korvel::kihon_data();
    }
    void enter(const char* text) {
        con().type(text);
        con().press(VK_RETURN);
    }
};

TEST_F(SelectStationTest, ListsEveryStationAndRefusesNumbersOutsideIt) {
    enter("4");   // one past the last station
    enter("99");  // "all" is not on offer here
    enter("-1");
    enter("");
    enter("3");
    EXPECT_EQ(korvel::select_station("タイム入力", 7, false, false), 3);
    EXPECT_EQ(con().bells(), 4);

    EXPECT_EQ(con().row(1), "タイム入力");
    EXPECT_EQ(con().attribute_at(1, 0), 248);  // grey has no bright background
    EXPECT_EQ(con().row(2), std::string(20, ' ') + "  0 : スタート");
    EXPECT_EQ(con().row(3), std::string(20, ' ') + "  1 : 一中継所");
    EXPECT_EQ(con().row(5), std::string(20, ' ') + "  3 : ゴール");
    EXPECT_EQ(con().attribute_at(2, 20), 15);
    EXPECT_TRUE(con().row(6).empty());
    // The prompt stands one row below the first free one.
    EXPECT_EQ(con().row(7).rfind("中継所Ｎｏ＝", 0), 0u) << con().row(7);
}

TEST_F(SelectStationTest, NinetyNineMeansAllStationsOnlyWhenOffered) {
    enter("99");
    EXPECT_EQ(korvel::select_station("中間", 3, true, true), 99);
    EXPECT_EQ(con().bells(), 0);
    EXPECT_EQ(con().row(6), std::string(20, ' ') + " 99 : すべて");
    EXPECT_EQ(con().row(8).rfind("中継所Ｎｏ＝", 0), 0u) << con().row(8);
    EXPECT_EQ(con().attribute_at(1, 0), 3 * 16 + 15);
    EXPECT_EQ(con().attribute_at(2, 20), 3 + 8);
    EXPECT_NE(con().row(1).find("出力先→"), std::string::npos);

    enter("98");
    enter("0");
    EXPECT_EQ(korvel::select_station("中間", 3, true, true), 0);
    EXPECT_EQ(con().bells(), 1);
}

TEST_F(SelectStationTest, EscapeCancelsAndF5LeavesForTheMainMenu) {
    con().type("2");
    con().press(VK_ESCAPE);
    EXPECT_EQ(korvel::select_station("タイム入力", 7, false, false), std::nullopt);

    con().type("1");
    con().press(VK_F5);
    EXPECT_MAIN_MENU_RETURN(korvel::select_station("タイム入力", 7, false, false));
}

// The division choice and the start time both read how their field was left: an empty
// answer, Esc and a typed value must each end the prompt the way they did.
TEST_F(SelectStationTest, DivisionChoiceAndStartTimeEndAsTheirFieldWasLeft) {
    enter("");
    EXPECT_FALSE(korvel::select_divisions().has_value());
    con().press(VK_ESCAPE);
    EXPECT_FALSE(korvel::select_divisions().has_value());
    enter("1");
    enter("");
    const auto chosen = korvel::select_divisions();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_TRUE(chosen->chosen(0));

    con().press(VK_ESCAPE);
    EXPECT_FALSE(korvel::enter_start_time(0));
    enter("083000");
    EXPECT_TRUE(korvel::enter_start_time(0));
    char text[korvel::TIME_TEXT_SIZE];
    korvel::format_time_fixed(korvel::definition().division(0).start_time, text, 9, korvel::TIME_CHECK_VALID, "");
    EXPECT_STREQ(text, "  8:30'00");
}

}  // namespace
