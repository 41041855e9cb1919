// Input fields and prompts on the in-memory console.
#include <cstring>
#include <filesystem>
#include <string>

#include "shell/console_ui.h"
#include "tests/support.h"

using korvel_test::WorkFolderTest;
using korvel_test::write_file;
using namespace korvel;

namespace {

class InputNumberTest : public WorkFolderTest {
protected:
    // Runs a field of width at (5, 10) and returns its result.
    FieldInput run(int width, FieldKeys keys = {}) {
        set_cursor(5, 10);
        return input_number(buf, width, nullptr, keys);
    }
    std::string field(int width) { return con().row_text(5).substr(10, width); }
    char buf[16] = "";
};

TEST_F(InputNumberTest, RightToLeftGrowsLikeACalculator) {
    con().type("12");
    con().type("3");              // the field is full: bell
    con().press(VK_BACK);
    EXPECT_THROW(run(2), platform::ScriptExhausted);
    EXPECT_EQ(field(2), ".1");
    EXPECT_EQ(con().bells(), 1);
    EXPECT_EQ(con().cursor_col(), 11);
}

TEST_F(InputNumberTest, EnterWritesTheTextRightAlignedAndEndsTheLine) {
    con().type("7");
    con().press(VK_RETURN);
    EXPECT_EQ(run(3).length, 1);
    EXPECT_STREQ(buf, "7");
    EXPECT_EQ(field(3), "  7");
    EXPECT_EQ(con().cursor_row(), 6);
    EXPECT_EQ(con().cursor_col(), 0);
}

TEST_F(InputNumberTest, MinusOnlyFirstAndAloneCountsAsOneCharacter) {
    con().type("1-");  // "-" after a digit beeps
    con().press(VK_BACK);
    con().type("-");
    con().press(VK_RETURN);
    EXPECT_EQ(run(4).length, 1);
    EXPECT_STREQ(buf, "-");
    EXPECT_EQ(con().bells(), 1);
}

TEST_F(InputNumberTest, EmptyEnterBlanksTheDots) {
    con().press(VK_RETURN);
    const FieldInput in = run(3, {.back = true});
    EXPECT_EQ(in.end, FieldEnd::entered);
    EXPECT_EQ(in.length, 0);
    EXPECT_EQ(con().row(5), "");
}

TEST_F(InputNumberTest, KeysOutsideTheMaskBeepAndKeepTheField) {
    con().type("4");
    con().press(VK_F2);
    con().press(VK_ESCAPE);
    con().press(VK_F5);
    con().press(platform::VK_OTHER);
    con().type("x");
    con().press(VK_RETURN);
    EXPECT_EQ(run(2).length, 1);
    EXPECT_EQ(con().bells(), 5);
    EXPECT_STREQ(buf, "4");
}

TEST_F(InputNumberTest, EscapeTakenByTheFieldLeavesItAndBlanksTheRow) {
    con().type("12");
    con().press(VK_ESCAPE);
    EXPECT_EQ(run(2, {.back = true}).end, FieldEnd::back);
    EXPECT_EQ(con().row(5), "");
}

TEST_F(InputNumberTest, F5JumpsToTheMainMenuAfterTheLeaveHook) {
    static int left = 0;
    con().press(VK_F5);
    set_cursor(5, 10);
    EXPECT_MAIN_MENU_RETURN(input_number(buf, 2, [] { ++left; }, {.main_menu = true}));
    EXPECT_EQ(left, 1);
}

TEST_F(InputNumberTest, HintsFollowTheDots) {
    EXPECT_THROW(run(2, ENTRY_KEYS), platform::ScriptExhausted);
    EXPECT_EQ(con().row(5), "          .. Escｷｰで戻る F5ｷｰで大ﾒﾆｭｰ");
    EXPECT_EQ(con().attribute_at(5, 13), 47);
    EXPECT_EQ(con().cursor_col(), 11);
}

TEST_F(InputNumberTest, WideFieldKeepsItsTextAndLineEndOnEnter) {
    char wide[80] = "";
    con().type("12");
    con().press(VK_RETURN);
    set_cursor(5, 0);
    EXPECT_EQ(input_number(wide, 70, nullptr, {}).length, 2);
    EXPECT_STREQ(wide, "12");
    EXPECT_EQ(con().row(5), std::string(68, ' ') + "12");
    EXPECT_EQ(con().cursor_row(), 6);
    EXPECT_EQ(con().cursor_col(), 0);
}

TEST_F(InputNumberTest, FieldWiderThanItsBufferTakesOnlyWhatFits) {
    struct {
        char buf[4] = "";
        char guard[4] = {'g', 'g', 'g', 'g'};
    } held;
    con().type("123456");
    con().press(VK_RETURN);
    set_cursor(5, 10);
    EXPECT_EQ(input_number(held.buf, 6, nullptr, {}).length, 3);
    EXPECT_STREQ(held.buf, "123");
    EXPECT_EQ(std::string(held.guard, 4), "gggg");
}

TEST(RequestTest, EachKeyAsksOneThing) {
    EXPECT_EQ(request_of(VK_ESCAPE).kind, Request::back);
    EXPECT_EQ(request_of(VK_F5).kind, Request::main_menu);
    EXPECT_EQ(request_of(VK_F2).kind, Request::destination);
    EXPECT_EQ(request_of(platform::VK_F9).kind, Request::recall);
    EXPECT_EQ(request_of(platform::VK_NEXT).kind, Request::page_down);
    EXPECT_EQ(request_of(platform::EVENT_NONE).kind, Request::none);
    EXPECT_EQ(request_of(platform::VK_OTHER).kind, Request::other);
    EXPECT_EQ(request_of('7').digit_value(), 7);
    EXPECT_TRUE(request_of('y').is('Y'));
    EXPECT_FALSE(request_of(VK_RETURN).is('\r'));
    EXPECT_EQ(hints_for(ENTRY_KEYS), HINT_ESC | HINT_F5);
}

TEST_F(InputNumberTest, RecallIsTakenOnlyWhereTheFieldHasIt) {
    con().press(platform::VK_F9);
    con().type("5");
    con().press(platform::VK_F9);  // refused: bell
    con().press(VK_RETURN);
    EXPECT_EQ(run(3, {.recall = true}).end, FieldEnd::recall);
    EXPECT_EQ(run(3, ENTRY_KEYS).end, FieldEnd::entered);
    EXPECT_EQ(con().bells(), 1);
}

TEST_F(InputNumberTest, LeftToRightStyleFromTheOptionFile) {
    write_file("OPTION.TXT", "NUM_INPUTTYPE=2\r\n");
    con().type("12");
    con().press(VK_LEFT);  // the erase key of this style
    EXPECT_THROW(run(2), platform::ScriptExhausted);
    EXPECT_EQ(field(2), "1.");
    EXPECT_EQ(con().cursor_col(), 11);
}

TEST_F(InputNumberTest, LeftToRightCursorStaysOnTheLastCharacterWhenFull) {
    write_file("OPTION.TXT", "NUM_INPUTTYPE=2\r\n");
    con().type("98");
    EXPECT_THROW(run(2), platform::ScriptExhausted);
    EXPECT_EQ(field(2), "98");
    EXPECT_EQ(con().cursor_col(), 11);
}

TEST_F(InputNumberTest, DeleteIsNotTheEraseKeyOfLeftToRight) {
    write_file("OPTION.TXT", "NUM_INPUTTYPE=2\r\n");
    con().type("5");
    con().press(VK_DELETE);
    con().press(VK_RETURN);
    EXPECT_EQ(run(2).length, 1);
    EXPECT_EQ(con().bells(), 1);
}

using AskKeyTest = WorkFolderTest;

TEST_F(AskKeyTest, RefusedKeysBeepAndAcceptedOnesEcho) {
    con().press(VK_ESCAPE);
    con().type("xn");
    set_cursor(3, 0);
    EXPECT_EQ(ask_key("続けますか？", "YyNn"), 'n');
    EXPECT_EQ(con().bells(), 2);
    EXPECT_EQ(con().row(3), "続けますか？[n]");
    EXPECT_EQ(con().cursor_col(), static_cast<int>(std::strlen("続けますか？[")));
}

TEST_F(AskKeyTest, StarAcceptsAnyKeyWithoutEcho) {
    con().press(VK_ESCAPE);
    set_cursor(3, 0);
    EXPECT_EQ(ask_key("終了？", "*"), VK_ESCAPE);
    EXPECT_EQ(con().row(3), "終了？[ ]");
    EXPECT_EQ(con().bells(), 0);
}

using InputTextTest = WorkFolderTest;

TEST_F(InputTextTest, DefaultTextCanBeErasedAndExtended) {
    char name[16] = "AB";
    con().press(VK_BACK);
    con().type("CD");
    con().press(VK_RETURN);
    set_cursor(2, 0);
    EXPECT_EQ(input_text(name, 10), 3);
    EXPECT_STREQ(name, "ACD");
    EXPECT_EQ(con().row(2), "ACD");
}

TEST_F(InputTextTest, FullFieldBeepsAndKeepsItsLength) {
    char name[8] = "";
    con().type("abcdef");
    con().press(VK_BACK);
    con().type("Z");
    con().press(VK_RETURN);
    set_cursor(2, 0);
    EXPECT_EQ(input_text(name, 4), 4);
    EXPECT_STREQ(name, "abcZ");
    EXPECT_EQ(con().bells(), 2);
    EXPECT_EQ(con().row(2), "abcZ");
}

TEST_F(InputTextTest, ErasingFollowsAWrappedNameBackToTheRowAbove) {
    char name[32] = "";
    con().type("abcdefghijkl");  // ten on row 2, two wrapped onto row 3
    con().press(VK_BACK);
    con().press(VK_BACK);
    con().press(VK_BACK);
    con().type("Z");
    con().press(VK_RETURN);
    set_cursor(2, 70);
    EXPECT_EQ(input_text(name, 20), 10);
    EXPECT_STREQ(name, "abcdefghiZ");
    EXPECT_EQ(con().row(2).substr(70), "abcdefghiZ");
    EXPECT_EQ(con().row(3), "");
}

TEST_F(InputTextTest, FullFieldAtTheRowEndKeepsTheCursorOnItsLastCharacter) {
    char name[8] = "";
    con().type("abcd");
    con().press(VK_BACK);
    con().type("Y");
    con().press(VK_RETURN);
    set_cursor(2, 76);
    EXPECT_EQ(input_text(name, 4), 4);
    EXPECT_STREQ(name, "abcY");
    EXPECT_EQ(con().row(2).substr(76), "abcY");
    EXPECT_EQ(con().row(3), "");
}

TEST_F(InputTextTest, EscapeAndOtherKeys) {
    char name[8] = "";
    con().press(VK_F2);
    con().press(VK_ESCAPE);
    EXPECT_EQ(input_text(name, 4), -1);
    EXPECT_EQ(con().bells(), 1);
}

using ScreenTest = WorkFolderTest;

TEST_F(ScreenTest, KeyHintsAreSeparatedByOneBlankAndCounted) {
    set_cursor(4, 0);
    int n = show_key_hints(HINT_ESC | HINT_F2 | HINT_F5);
    EXPECT_EQ(con().row(4), "Escｷｰで戻る F2ｷｰで出力先変更 F5ｷｰで大ﾒﾆｭｰ");
    EXPECT_EQ(n, static_cast<int>(std::strlen("Escｷｰで戻る F2ｷｰで出力先変更 F5ｷｰで大ﾒﾆｭｰ")));
    EXPECT_EQ(con().attribute_at(4, 0), 47);
    EXPECT_EQ(con().color(), 15);
}

TEST_F(ScreenTest, HintsAfterTextStartWithABlank) {
    set_cursor(4, 3);
    EXPECT_EQ(show_key_hints(HINT_ESC), 1 + static_cast<int>(std::strlen("Escｷｰで戻る")));
}

TEST_F(ScreenTest, MenuPromptLeavesTheCursorInsideTheBrackets) {
    show_menu_prompt(10, 20, HINT_ESC);
    EXPECT_EQ(con().row(20), "          選択[ ] Escｷｰで戻る");
    EXPECT_EQ(con().cursor_row(), 20);
    EXPECT_EQ(con().cursor_col(), 15);
}

TEST_F(ScreenTest, ClearOperationsDoNotMoveTheCursor) {
    for (int r = 0; r < 6; ++r) {
        set_cursor(r, 0);
        cputs("xxxxxxxx");
    }
    set_cursor(3, 4);
    clear_to_eol(1, 2);
    clear_line(2);
    clear_top(0);
    clear_from(5);
    EXPECT_EQ(con().row(0), "");
    EXPECT_EQ(con().row(1), "xx");
    EXPECT_EQ(con().row(2), "");
    EXPECT_EQ(con().row(3), "xxxxxxxx");
    EXPECT_EQ(con().row(5), "");
    EXPECT_EQ(con().cursor_row(), 3);
    EXPECT_EQ(con().cursor_col(), 4);
    cursor_back(9);
    EXPECT_EQ(con().cursor_col(), 0);
}

TEST_F(ScreenTest, FolderLineShowsAJapaneseFolderNameAsScreenText) {
    // The file system names the folder in UTF-8; the screen shows CP932.
    std::filesystem::create_directory(korvel_test::to_utf8("駅伝"));
    std::filesystem::current_path(korvel_test::to_utf8("駅伝"));
    show_folder_line(0, 2);
    const std::string label = "作業フォルダ→";
    EXPECT_EQ(con().row(2), label + folder() + "/駅伝");
    EXPECT_EQ(con().attribute_at(2, static_cast<int>(label.size())), 159);
    EXPECT_EQ(con().color(), 15);
}

TEST_F(ScreenTest, ClearScreenUsesGreyCellsAndWhiteText) {
    set_color(207);
    cputs("abc");
    clear_screen();
    EXPECT_EQ(con().row(0), "");
    EXPECT_EQ(con().attribute_at(0, 0), 7);
    EXPECT_EQ(con().color(), 15);
    EXPECT_EQ(con().cursor_col(), 0);
}

// ---- What the terminal window shows ----

class ScreenViewTest : public WorkFolderTest {
protected:
    void SetUp() override {
        WorkFolderTest::SetUp();
        con().set_window_rows(25);
    }
    // A screen as the menus draw it: title on row 0, prompt on row 21.
    void draw_menu() {
        clear_screen();
        cputs("TITLE");
        set_cursor(21, 10);
        cputs("選択[ ]");
    }
    void long_listing(int lines) {
        for (int i = 0; i < lines; ++i) cprintf("line %d\n", i);
    }
    int wait() {
        try {
            return read_key();
        } catch (const platform::ScriptExhausted&) {
            return 0;
        }
    }
};

TEST_F(ScreenViewTest, AClearedScreenShowsItsFirstRowAgain) {
    long_listing(40);  // runs past the window's last row: the view follows the cursor
    wait();
    EXPECT_EQ(con().shown_row(23), "line 39");
    draw_menu();
    wait();
    EXPECT_EQ(con().shown_row(0), "TITLE");
    EXPECT_EQ(con().shown_row(21), "          選択[ ]");

    // Output past the last row of the buffer scrolls it; the next screen starts at the top.
    long_listing(100);
    wait();
    draw_menu();
    wait();
    EXPECT_EQ(con().view_top(), 0);
}

TEST_F(ScreenViewTest, PagingKeysShowTheBufferUntilAnotherKey) {
    long_listing(50);  // rows 0-49, cursor on row 50: rows 26-50 shown
    con().press(platform::VK_PRIOR);
    con().press(platform::VK_HOME);
    con().press(platform::VK_NEXT);
    EXPECT_EQ(wait(), 0);
    EXPECT_EQ(con().shown_row(0), "line 25");  // one page down from the top
    con().press(platform::VK_END);
    wait();
    EXPECT_EQ(con().shown_row(0), "line 26");
    con().press(platform::VK_HOME);
    con().press('x');
    EXPECT_EQ(wait(), 'x');  // the program sees only the other key
    EXPECT_EQ(con().view_top(), 26);
    EXPECT_EQ(con().bells(), 0);
}

}  // namespace

namespace {

// The bytes of one double-byte character always share a row.
TEST_F(ScreenViewTest, ADoubleByteCharacterThatDoesNotFitStartsTheNextRow) {
    cputs(std::string(79, '-') + "り。");
    EXPECT_EQ(con().row_text(0), std::string(79, '-') + " ");
    EXPECT_EQ(con().row(1), "り。");
    // A second byte in the range of first bytes ("ぁ" is 82 9F) is no first byte.
    set_cursor(3, 0);
    cputs(std::string(78, '-') + "ぁx");
    EXPECT_EQ(con().row(3), std::string(78, '-') + "ぁ");
    EXPECT_EQ(con().row(4), "x");
}

}  // namespace
