// Section times judged against the field: the median, the team's pace, the bounds,
// the warning after an entry and the relative check list.
#include <string>
#include <vector>

#include "checks/relative_check_list.h"
#include "eventdata/team_index.h"
#include "shell/output.h"
#include "tests/race_event_fixture.h"
#include "timing/relative_check.h"
#include "timing/time_entry.h"

using namespace korvel;
using korvel_test::hms;
using korvel_test::pass;
using korvel_test::read_file;
using korvel_test::team;
using korvel_test::text_file;
using korvel_test::write_file;
using korvel_test::write_master;
using platform::VK_ESCAPE;
using platform::VK_RETURN;

namespace {

// Section 1 medians 980 (16:20), section 2 medians 640 (10:40): five teams each.
const FieldTimes FIELD = {{}, {900, 960, 980, 1000, 1020}, {600, 620, 640, 660, 700}};

TEST(RelativeJudgement, MedianNeedsFiveTeams) {
    EXPECT_EQ(field_median({600, 620, 640, 660}), 0);
    EXPECT_EQ(field_median({600, 620, 640, 660, 700}), 640);
    EXPECT_EQ(field_median({600, 620, 640, 660, 700, 710}), 650);  // (640 + 660) / 2

    FieldTimes four = FIELD;
    four[2].pop_back();
    EXPECT_EQ(judge_section(four, {0, 0, 360}, 2, RelativeBounds{}).kind, RELATIVE_UNJUDGED);
}

TEST(RelativeJudgement, BoundsAgainstTheMedian) {
    // 360 / 640 = 0.5625 < 0.6; 1100 / 640 = 1.71875 > 1.7; 1080 / 640 = 1.6875 inside.
    RelativeJudgement fast = judge_section(FIELD, {0, 0, 360}, 2, RelativeBounds{});
    EXPECT_EQ(fast.kind, RELATIVE_TOO_FAST);
    EXPECT_DOUBLE_EQ(fast.median, 640);
    EXPECT_DOUBLE_EQ(fast.pace, 1);
    EXPECT_DOUBLE_EQ(fast.ratio, 0.5625);
    EXPECT_EQ(judge_section(FIELD, {0, 0, 1100}, 2, RelativeBounds{}).kind, RELATIVE_TOO_SLOW);
    EXPECT_EQ(judge_section(FIELD, {0, 0, 1080}, 2, RelativeBounds{}).kind, RELATIVE_INSIDE);
    // 0 turns a bound off.
    EXPECT_EQ(judge_section(FIELD, {0, 0, 360}, 2, RelativeBounds{0, 1.7}).kind, RELATIVE_INSIDE);
    EXPECT_EQ(judge_section(FIELD, {0, 0, 1100}, 2, RelativeBounds{0.6, 0}).kind, RELATIVE_INSIDE);
}

TEST(RelativeJudgement, TheTeamsOwnPaceScalesTheMedian) {
    // Section 1 in 735 = 0.75 x 980: the team runs at 0.75, so 360 in section 2 is
    // 360 / (640 x 0.75) = 0.75 of what it would run: not suspect.
    RelativeJudgement j = judge_section(FIELD, {0, 735, 360}, 2, RelativeBounds{});
    EXPECT_DOUBLE_EQ(j.pace, 0.75);
    EXPECT_DOUBLE_EQ(j.ratio, 0.75);
    EXPECT_EQ(j.kind, RELATIVE_INSIDE);
    // The same team at 0.75 pace typing 1200 (1200 / 480 = 2.5) is too slow.
    EXPECT_EQ(judge_section(FIELD, {0, 735, 1200}, 2, RelativeBounds{}).kind, RELATIVE_TOO_SLOW);
    // An earlier section whose field is too small gives no pace.
    FieldTimes thin = FIELD;
    thin[1].resize(3);
    EXPECT_DOUBLE_EQ(judge_section(thin, {0, 735, 360}, 2, RelativeBounds{}).pace, 1);
}

class RelativeCheckTest : public korvel_test::RaceEventTest {
protected:
    // Teams 1.. of division 1 that started at 8:00 and ran section 1 in the given
    // minutes and seconds (none for -1), the runner of section 1 of team n "選手n".
    void field(const std::vector<std::pair<int, int>>& section1) {
        std::vector<TeamRecord> teams;
        Stream names = fopen_retry(NAMEFILE_NAME, "wb");
        name_write_header(names);
        for (std::size_t i = 0; i < section1.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            TeamRecord r = team(static_cast<int>(i) + 1, 0, ("チーム" + n).c_str());
            pass(r, 0, hms(8, 0, 0));
            if (section1[i].first >= 0) pass(r, 1, hms(8, section1[i].first, section1[i].second));
            teams.push_back(r);
            RunnerNameRecord runners;
            clear_name_record(runners);
            runners.team_no = r.team_no;
            runners.set_runner(1, ("選手" + n).c_str());
            name_write(names, static_cast<int>(i), runners);
        }
        fclose_or_abort(names);
        write_master(teams);
        team_index.set();
        korvel::out_kind_no = OUT_FILE;
    }
    void relative_options(const std::string& fast, const std::string& slow) {
        write_file("OPTION.TXT", text_file({"EVENTNAME=テスト駅伝", "EDITOR=true", "RELATIVE_FAST=" + fast,
                                            "RELATIVE_SLOW=" + slow}));
    }
};

TEST_F(RelativeCheckTest, OptionsAndTheirFaults) {
    auto expect_bounds = [](double fast, double slow) {
        const RelativeBounds b = relative_bounds();
        EXPECT_DOUBLE_EQ(b.fast, fast);
        EXPECT_DOUBLE_EQ(b.slow, slow);
    };
    expect_bounds(0.6, 1.7);
    relative_options("0.5", "0");
    expect_bounds(0.5, 0);
    // A typo never turns the check off, nor a bound on the wrong side of 1.
    relative_options("0,5", "1.0");
    expect_bounds(0.6, 1.7);
    relative_options("1.2", "-2");
    expect_bounds(0.6, 1.7);
}

TEST_F(RelativeCheckTest, EntryWarnsAgainstTheFieldWithFiveTeams) {
    // 5 km in 11:00 is 27 km/h, inside the speed limits; the others ran 19:00-22:00.
    field({{19, 0}, {20, 0}, {21, 0}, {22, 0}, {-1, 0}});
    for (const char* typed : {"1", "", "5", "81100"}) {
        con().type(typed);
        con().press(VK_RETURN);
    }
    EXPECT_THROW(time_entry(), platform::ScriptExhausted);  // waiting for Y under the warning
    // Sorted 660 1140 1200 1260 1320: median 1200; 660 / 1200 = 0.55.
    EXPECT_EQ(count_on_screen("区間タイム 11'00 は同じ部門の中央値 20'00 の 0.55 倍です"), 1)
        << screen_utf8();
    EXPECT_EQ(count_on_screen("区間タイム注意 No=5 チーム5 1区 スタート→一中"), 1);
    EXPECT_EQ(count_on_screen("異常スピード"), 0);
}

TEST_F(RelativeCheckTest, NoWarningWithFewerThanFiveTeams) {
    field({{19, 0}, {20, 0}, {21, 0}, {11, 0}});
    EXPECT_EQ(relative_entry_test(korvel_test::read_master()[3], 1), 0);
    EXPECT_EQ(con().bells(), 0);
}

TEST_F(RelativeCheckTest, ListByDivisionAndSectionFastestFirst) {
    field({{19, 0}, {20, 0}, {21, 0}, {22, 0}, {11, 0}, {10, 0}, {45, 0}});
    // Sorted 600 660 1140 1200 1260 1320 2700: median 1200.
    relative_check_list();
    const std::string sp = " ";
    auto blanks = [](int n) { return std::string(static_cast<std::size_t>(n), ' '); };
    // Team name column 24 bytes ("チーム6" is 7), runner column 12, time 10, yardstick 8,
    // pace 6, ratio 5.
    auto row = [&](const char* no, const char* time, const char* ratio) {
        return std::string("      ") + no + ": チーム" + no + blanks(17) + sp + "選手" + no + blanks(7) + sp + "     " + time + sp +
               "   20'00" + sp + "  1.00" + sp + " " + ratio + "\n";
    };
    const std::string expected = std::string("\n*** テスト駅伝 区間タイム相対チェック ***  STAMP\n") +
        "基準：同じ部門の区間タイムの中央値（5 チーム以上）にチームのペースを掛けた値\n"
        "速すぎる：0.60 倍 未満　遅すぎる：1.70 倍 超\n"
        "\n一般の部 1区 スタート→一中  中央値 20'00\n" +
        blanks(9) + "チーム名" + blanks(16) + sp + "選手名" + blanks(6) + sp + "区間タイム" + sp + blanks(4) + "基準" +
        sp + "ペース" + sp + " 倍率\n"
        "  ◆速すぎる\n" + row("6", "10'00", "0.50") + row("5", "11'00", "0.55") +
        "  ◆遅すぎる\n" + row("7", "45'00", "2.25");
    EXPECT_EQ(korvel_test::normalised_report(read_file("OUT.TXT")), expected);
}

TEST_F(RelativeCheckTest, ListSaysNoneWhenEverySectionIsInside) {
    field({{19, 0}, {20, 0}, {21, 0}, {22, 0}, {23, 0}});
    relative_check_list();
    EXPECT_NE(read_file("OUT.TXT").find("\r\n\r\n該当なし\r\n"), std::string::npos);
}

}  // namespace
