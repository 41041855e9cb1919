// Section and cumulative times, ranks under the three rules, the tie-break by input
// order and the listing order, checked field by field in the records written back.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/race_fixture.h"
#include "timing/ranking.h"

using namespace korvel;
using korvel_test::hms;
using korvel_test::read_file;

namespace {

std::string text(RaceTime t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", t.h, t.m, t.s);
    return buf;
}

class RankingTest : public korvel_test::RaceTest {
protected:
    void SetUp() override {
        RaceTest::SetUp();
        // Stations 10 km apart. Division 1 uses all five (4 sections); division 2 has no
        // teams in most tests; division 3 uses A, C, E (2 sections of 20 km).
        event({"A 0", "B 10", "C 20", "D 30", "E 40"},
              {"One", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "+++++",
               "Two", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "++///",
               "Three", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "+/+/+"});
    }

    TeamRecord runner_team(int no, int division = 0, bool open = false) {
        TeamRecord r = team(no, division, ("T" + std::to_string(no)).c_str(), open);
        start(r, hms(9, 0, 0));
        return r;
    }

    // Teams 1..n of division 1, started at 9:00.
    std::vector<TeamRecord> runner_teams(int n) {
        std::vector<TeamRecord> t;
        for (int no = 1; no <= n; ++no) t.push_back(runner_team(no));
        return t;
    }

    // t written as MASTFILE.DAT, computed without the destination question, read back.
    std::vector<TeamRecord> computed(const std::vector<TeamRecord>& t) {
        write_master(t);
        EXPECT_TRUE(recompute_results(false, false));
        return master();
    }

    // Section time, cumulative time and both ranks of block k.
    static void expect_block(const TeamRecord& r, int k, const std::string& section, const std::string& cumul,
                             int section_rank, int cumul_rank) {
        SCOPED_TRACE("team " + std::to_string(r.team_no) + " block " + std::to_string(k));
        EXPECT_EQ(text(r.blocks[k].section_time), section);
        EXPECT_EQ(text(r.blocks[k].cumul_time), cumul);
        EXPECT_EQ(r.blocks[k].section_rank, section_rank);
        EXPECT_EQ(r.blocks[k].cumul_rank, cumul_rank);
    }

    // The team numbers of division in the listing order at station.
    std::vector<int> listing(int division, int station = AT_GOAL) {
        std::vector<int> teams;
        auto records = master();
        for (int rec : listing_order_of(records, station).of_division(division)) teams.push_back(records[rec].team_no);
        return teams;
    }
};

TEST_F(RankingTest, EqualTimesShareARankAndTheNextIsSkipped) {
    std::vector<TeamRecord> t = runner_teams(4);
    // No sequence numbers (imported times): equal times stay tied.
    arrive(t[0], 1, hms(10, 0, 0));
    arrive(t[1], 1, hms(10, 0, 0));
    arrive(t[2], 1, hms(9, 59, 0));
    arrive(t[3], 1, hms(10, 1, 0));
    arrive(t[0], 2, hms(11, 0, 0));
    arrive(t[1], 2, hms(10, 58, 0));
    arrive(t[2], 2, hms(11, 1, 0));
    arrive(t[3], 2, hms(10, 59, 0), 8);
    t[1].blocks[2].input_seq = 9;
    auto r = computed(t);
    expect_block(r[0], 1, "1:00:00", "1:00:00", 2, 2);
    expect_block(r[1], 1, "1:00:00", "1:00:00", 2, 2);
    expect_block(r[2], 1, "0:59:00", "0:59:00", 1, 1);
    expect_block(r[3], 1, "1:01:00", "1:01:00", 4, 4);
    // Equal section times after station 1 are never separated by input order.
    expect_block(r[0], 2, "1:00:00", "2:00:00", 3, 3);
    expect_block(r[1], 2, "0:58:00", "1:58:00", 1, 1);
    expect_block(r[2], 2, "1:02:00", "2:01:00", 4, 4);
    expect_block(r[3], 2, "0:58:00", "1:59:00", 1, 2);
    for (const TeamRecord& x : r) {
        expect_block(x, 0, "0:00:00", "0:00:00", -1, -1);
        expect_block(x, 3, "0:00:00", "0:00:00", 0, 0);
        expect_block(x, 4, "0:00:00", "0:00:00", 0, 0);
    }
}

// Team 1 never arrived at station 2: its next runner left on a carried start.
class MissingArrivalTest : public RankingTest, public ::testing::WithParamInterface<int> {
protected:
    std::vector<TeamRecord> race() {
        std::vector<TeamRecord> t = runner_teams(3);
        arrive(t[0], 1, hms(10, 0, 0), 1);
        carried(t[0], 2, hms(11, 10, 0));
        arrive(t[0], 3, hms(12, 5, 0), 7);
        arrive(t[0], 4, hms(13, 0, 0), 10);
        arrive(t[1], 1, hms(10, 2, 0), 3);
        arrive(t[1], 2, hms(11, 0, 0), 4);
        arrive(t[1], 3, hms(12, 0, 0), 6);
        arrive(t[1], 4, hms(13, 1, 0), 11);
        arrive(t[2], 1, hms(10, 1, 0), 2);
        arrive(t[2], 2, hms(11, 2, 0), 5);
        arrive(t[2], 3, hms(12, 3, 0), 8);
        arrive(t[2], 4, hms(13, 4, 0), 12);
        return t;
    }
};

TEST_P(MissingArrivalTest, RanksFollowTheRule) {
    const int rule = GetParam();
    if (rule != 0) options({"RULE_KUKAN_KIKEN=" + std::to_string(rule)});
    auto r = computed(race());

    // Times do not depend on the rule.
    const char* t1_sections[] = {"", "1:00:00", "0:00:00", "0:55:00", "0:55:00"};
    const char* t1_cumuls[] = {"", "1:00:00", "0:00:00", "0:00:00", "0:00:00"};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(text(r[0].blocks[k].section_time), t1_sections[k]) << k;
        EXPECT_EQ(text(r[0].blocks[k].cumul_time), t1_cumuls[k]) << k;
    }

    if (rule != 2 && rule != 3) {
        expect_block(r[0], 1, "1:00:00", "1:00:00", 1, 1);
        expect_block(r[0], 3, "0:55:00", "0:00:00", 1, 0);
        expect_block(r[0], 4, "0:55:00", "0:00:00", 1, 0);
        expect_block(r[1], 1, "1:02:00", "1:02:00", 3, 3);
        expect_block(r[2], 1, "1:01:00", "1:01:00", 2, 2);
        expect_block(r[1], 3, "1:00:00", "3:00:00", 2, 1);
        expect_block(r[2], 3, "1:01:00", "3:03:00", 3, 2);
        expect_block(r[1], 4, "1:01:00", "4:01:00", 2, 1);
        expect_block(r[2], 4, "1:01:00", "4:04:00", 2, 2);
    } else if (rule == 2) {
        expect_block(r[0], 1, "1:00:00", "1:00:00", 1, 1);
        expect_block(r[0], 3, "0:55:00", "0:00:00", 0, 0);
        expect_block(r[0], 4, "0:55:00", "0:00:00", 0, 0);
        expect_block(r[1], 1, "1:02:00", "1:02:00", 3, 3);
        expect_block(r[1], 3, "1:00:00", "3:00:00", 1, 1);
        expect_block(r[2], 3, "1:01:00", "3:03:00", 2, 2);
        expect_block(r[1], 4, "1:01:00", "4:01:00", 1, 1);
        expect_block(r[2], 4, "1:01:00", "4:04:00", 1, 2);
    } else {
        expect_block(r[0], 1, "1:00:00", "1:00:00", 0, 0);
        expect_block(r[0], 3, "0:55:00", "0:00:00", 0, 0);
        expect_block(r[0], 4, "0:55:00", "0:00:00", 0, 0);
        expect_block(r[1], 1, "1:02:00", "1:02:00", 2, 2);
        expect_block(r[2], 1, "1:01:00", "1:01:00", 1, 1);
        expect_block(r[1], 3, "1:00:00", "3:00:00", 1, 1);
        expect_block(r[2], 3, "1:01:00", "3:03:00", 2, 2);
        expect_block(r[1], 4, "1:01:00", "4:01:00", 1, 1);
        expect_block(r[2], 4, "1:01:00", "4:04:00", 1, 2);
    }
    expect_block(r[0], 2, "0:00:00", "0:00:00", 0, 0);
    expect_block(r[1], 2, "0:58:00", "2:00:00", 1, 1);
    expect_block(r[2], 2, "1:01:00", "2:02:00", 2, 2);
}

// 0: the key absent; 7: an unknown value, read as rule 1.
INSTANTIATE_TEST_SUITE_P(Rules, MissingArrivalTest, ::testing::Values(0, 1, 2, 3, 7));

TEST_F(RankingTest, OpenTeamTypedFirstInATieDoesNotPushRankedTeamsDown) {
    std::vector<TeamRecord> t = {runner_team(1), runner_team(2, 0, true), runner_team(3), runner_team(4),
                                 runner_team(5)};
    arrive(t[3], 1, hms(9, 58, 0), 1);
    arrive(t[1], 1, hms(10, 0, 0), 2);  // open, typed first of the three
    arrive(t[0], 1, hms(10, 0, 0), 5);
    arrive(t[2], 1, hms(10, 0, 0), 7);
    arrive(t[4], 1, hms(10, 1, 0), 8);
    auto r = computed(t);
    expect_block(r[3], 1, "0:58:00", "0:58:00", 1, 1);
    expect_block(r[1], 1, "1:00:00", "1:00:00", 0, 0);
    // At station 1 the input order separates the section ranks too.
    expect_block(r[0], 1, "1:00:00", "1:00:00", 2, 2);
    expect_block(r[2], 1, "1:00:00", "1:00:00", 3, 3);
    // The open team is not counted: 3 ranked teams are faster.
    expect_block(r[4], 1, "1:01:00", "1:01:00", 4, 4);
    // Listed at the place of its time, after the ranked teams on the same time.
    EXPECT_EQ(listing(0), (std::vector<int>{4, 1, 3, 2, 5}));
}

TEST_F(RankingTest, UnfinishedTeamInATieUnderRuleThree) {
    options({"RULE_KUKAN_KIKEN=3"});
    std::vector<TeamRecord> t = runner_teams(3);
    // All three reach station 1 together; team 2, typed first, never finishes.
    const int seq[] = {4, 1, 6};
    for (int i = 0; i < 3; ++i) arrive(t[i], 1, hms(10, 0, 0), seq[i]);
    for (int k = 2; k <= 4; ++k) {
        arrive(t[0], k, hms(9 + k, 0, 0), 10 + k);
        arrive(t[2], k, hms(9 + k, 0, 0), 20 + k);
    }
    auto r = computed(t);
    expect_block(r[1], 1, "1:00:00", "1:00:00", 0, 0);
    expect_block(r[0], 1, "1:00:00", "1:00:00", 1, 1);
    expect_block(r[2], 1, "1:00:00", "1:00:00", 2, 2);
    // At the goal team 1 was typed first.
    expect_block(r[0], 4, "1:00:00", "4:00:00", 1, 1);
    expect_block(r[2], 4, "1:00:00", "4:00:00", 1, 2);
}

// Teams 1 and 2 reach station 3 on the same cumulative time 3:00:00; team 2 was typed
// first. Team 3 leads.
class TieAtStationThreeTest : public RankingTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TieAtStationThreeTest, InputOrderUnlessACarriedStartCameBefore) {
    const bool carried_start = GetParam();
    std::vector<TeamRecord> t = runner_teams(3);
    arrive(t[0], 1, hms(10, 0, 0), 2);
    if (carried_start) {
        arrive(t[0], 2, hms(11, 10, 0), 6);
        carried(t[0], 2, hms(11, 5, 0));
        arrive(t[0], 3, hms(11, 55, 0), 12);
    } else {
        arrive(t[0], 2, hms(11, 0, 0), 6);
        arrive(t[0], 3, hms(12, 0, 0), 12);
    }
    arrive(t[1], 1, hms(10, 1, 0), 3);
    arrive(t[1], 2, hms(10, 59, 0), 5);
    arrive(t[1], 3, hms(12, 0, 0), 9);
    arrive(t[2], 1, hms(9, 58, 0), 1);
    arrive(t[2], 2, hms(10, 56, 0), 4);
    arrive(t[2], 3, hms(11, 55, 0), 8);
    auto r = computed(t);

    expect_block(r[2], 1, "0:58:00", "0:58:00", 1, 1);
    expect_block(r[0], 1, "1:00:00", "1:00:00", 2, 2);
    expect_block(r[1], 1, "1:01:00", "1:01:00", 3, 3);
    // Team 3's own section 3 is 0:59 either way; only team 1's short section after its
    // carried start (0:50) puts it second in that section.
    expect_block(r[2], 3, "0:59:00", "2:55:00", carried_start ? 2 : 1, 1);
    if (carried_start) {
        expect_block(r[0], 2, "1:10:00", "2:10:00", 3, 3);
        expect_block(r[0], 3, "0:50:00", "3:00:00", 1, 2);
        expect_block(r[1], 3, "1:01:00", "3:00:00", 3, 2);
    } else {
        expect_block(r[0], 2, "1:00:00", "2:00:00", 3, 3);
        expect_block(r[0], 3, "1:00:00", "3:00:00", 2, 3);
        expect_block(r[1], 3, "1:01:00", "3:00:00", 3, 2);
    }
    expect_block(r[1], 2, "0:58:00", "1:59:00", 1, 2);
}

INSTANTIATE_TEST_SUITE_P(CarriedStart, TieAtStationThreeTest, ::testing::Bool());

TEST_F(RankingTest, ArrivalBeforeTheDepartureInvalidatesTheSection) {
    std::vector<TeamRecord> t = runner_teams(2);
    arrive(t[0], 1, hms(10, 0, 0), 1);
    arrive(t[0], 2, hms(11, 0, 0), 3);
    arrive(t[0], 3, hms(10, 59, 0), 5);  // typing error
    arrive(t[0], 4, hms(13, 0, 0), 7);
    arrive(t[1], 1, hms(10, 1, 0), 2);
    arrive(t[1], 2, hms(11, 2, 0), 4);
    arrive(t[1], 3, hms(12, 3, 0), 6);
    arrive(t[1], 4, hms(13, 3, 0), 8);
    write_master(t);
    con().type("y");  // the order check shows the typing error first
    ASSERT_TRUE(recompute_results(false, false));
    EXPECT_NE(con().screen().find("第3中継所("), std::string::npos);
    EXPECT_NE(con().screen().find("到着時刻=10:59'00"), std::string::npos);
    auto r = master();
    expect_block(r[0], 2, "1:00:00", "2:00:00", 1, 1);
    expect_block(r[0], 3, "0:00:00", "0:00:00", 0, 0);
    expect_block(r[0], 4, "2:01:00", "0:00:00", 2, 0);
    expect_block(r[1], 3, "1:01:00", "3:03:00", 1, 1);
    expect_block(r[1], 4, "1:00:00", "4:03:00", 1, 1);
}

TEST_F(RankingTest, MissingClockTimeNeverGivesASectionTime) {
    // A departure past 28:00 (a night race) minus from 127:59'59 would look like a
    // time of under 100 hours.
    std::vector<TeamRecord> t = {team(1, 0, "Night")};
    start(t[0], hms(30, 0, 0));
    write_master(t);
    con().type("y");  // in case the speed check sees a section there
    ASSERT_TRUE(recompute_results(false, false));
    expect_block(master()[0], 1, "0:00:00", "0:00:00", 0, 0);
}

TEST_F(RankingTest, GoalOrderPutsPartlyTimedBeforeUntimedTeams) {
    // File order is not team order: the team number decides among equal keys.
    std::vector<TeamRecord> t = {runner_team(101), runner_team(102), runner_team(105), runner_team(104),
                                 runner_team(103), runner_team(301, 2), runner_team(302, 2)};
    for (int k = 1; k <= 4; ++k) {
        arrive(t[0], k, hms(9 + k, 2 * k + 1, 0), k);
        arrive(t[1], k, hms(9 + k, 0, 0), 10 + k);
    }
    // 105: no arrival at 2, carried start there; 103: stopped after station 3.
    arrive(t[2], 1, hms(10, 0, 0), 21);
    carried(t[2], 2, hms(11, 10, 0));
    arrive(t[2], 3, hms(12, 0, 0), 23);
    for (int k = 1; k <= 3; ++k) arrive(t[4], k, hms(9 + k, 1, 0), 30 + k);
    // Division 3: 302 only reached its first station.
    arrive(t[5], 1, hms(11, 0, 0), 41);
    arrive(t[5], 2, hms(13, 0, 0), 42);
    arrive(t[6], 1, hms(10, 50, 0), 43);
    computed(t);

    EXPECT_EQ(listing(0), (std::vector<int>{102, 101, 103, 105, 104}));
    EXPECT_EQ(listing(1), (std::vector<int>{}));
    EXPECT_EQ(listing(2), (std::vector<int>{301, 302}));
    const ListingOrder order = listing_order_of(master(), AT_GOAL);
    EXPECT_EQ(order.division_start[0], 0);
    EXPECT_EQ(order.division_start[1], 5);
    EXPECT_EQ(order.division_start[2], 5);
    EXPECT_EQ(order.division_start[3], 7);
    for (int d = 4; d < BUMON_START_SIZE; ++d) EXPECT_EQ(order.division_start[d], -1) << d;
    EXPECT_EQ(order.records[7], -1);

    // At station B (physical 1), which division 3 does not use: its teams in number
    // order; 302 is ahead at its own first station C but that is not B. 102 and 105
    // tie at B and 102 was typed first.
    EXPECT_EQ(listing(0, 1), (std::vector<int>{102, 105, 103, 101, 104}));
    EXPECT_EQ(listing(2, 1), (std::vector<int>{301, 302}));
    EXPECT_EQ(listing(2, 2), (std::vector<int>{302, 301}));
}

class OpenPositionTest : public RankingTest {
protected:
    std::vector<int> order(const std::string& option) {
        options(option.empty() ? std::vector<std::string>{} : std::vector<std::string>{option});
        std::vector<TeamRecord> t;
        const int finish_minutes[] = {0, 5, 7, 10};
        for (int i = 0; i < 4; ++i) {
            t.push_back(runner_team(101 + i, 0, i == 2));
            for (int k = 1; k <= 4; ++k) arrive(t[i], k, hms(9 + k, k == 4 ? finish_minutes[i] : 0, 0), 10 * k + i);
        }
        t.push_back(runner_team(105));  // some section times only
        arrive(t[4], 1, hms(10, 3, 0), 50);
        t.push_back(runner_team(106, 0, true));  // open, no time
        t.push_back(runner_team(107));           // no time
        computed(t);
        return listing(0);
    }
};

TEST_F(OpenPositionTest, OpenTeamsAmongRankedTeamsByDefault) {
    EXPECT_EQ(order(""), (std::vector<int>{101, 102, 103, 104, 105, 106, 107}));
    EXPECT_EQ(order("OPEN_TEAM_OUTPUT_POSITION=1"), (std::vector<int>{101, 102, 103, 104, 105, 106, 107}));
    EXPECT_EQ(order("OPEN_TEAM_OUTPUT_POSITION=9"), (std::vector<int>{101, 102, 103, 104, 105, 106, 107}));
    auto r = master();
    EXPECT_EQ(r[2].blocks[4].cumul_rank, 0);
    EXPECT_EQ(r[3].blocks[4].cumul_rank, 3);
}

TEST_F(OpenPositionTest, RankedTeamsFirstThenTheRestByTime) {
    EXPECT_EQ(order("OPEN_TEAM_OUTPUT_POSITION=2"), (std::vector<int>{101, 102, 104, 103, 105, 107, 106}));
}

TEST_F(OpenPositionTest, OpenTeamsLast) {
    EXPECT_EQ(order("OPEN_TEAM_OUTPUT_POSITION=3"), (std::vector<int>{101, 102, 104, 105, 107, 103, 106}));
}

TEST_F(RankingTest, TeamsOfOtherDivisionsAreRankedApart) {
    // Team 1 and team 301 reach station C (physical 2) on the same cumulative time.
    std::vector<TeamRecord> t = {runner_team(1), runner_team(2), runner_team(301, 2)};
    arrive(t[0], 1, hms(10, 0, 0), 1);
    arrive(t[0], 2, hms(11, 0, 0), 4);
    arrive(t[1], 1, hms(10, 1, 0), 2);
    arrive(t[1], 2, hms(11, 1, 0), 5);
    arrive(t[2], 1, hms(11, 0, 0), 3);
    auto r = computed(t);
    expect_block(r[0], 2, "1:00:00", "2:00:00", 1, 1);
    expect_block(r[1], 2, "1:00:00", "2:01:00", 1, 2);
    expect_block(r[2], 1, "2:00:00", "2:00:00", 1, 1);
    // Division 3 has two sections: nothing beyond its goal is ranked.
    expect_block(r[2], 3, "0:00:00", "0:00:00", 0, 0);
}

TEST_F(RankingTest, CancelledDestinationQuestionComputesNothing) {
    std::vector<TeamRecord> t = {runner_team(1)};
    arrive(t[0], 1, hms(10, 0, 0), 1);
    write_master(t);
    const std::string before = read_file("MASTFILE.DAT");
    con().press(platform::VK_ESCAPE);
    EXPECT_FALSE(recompute_results(true, true));
    EXPECT_EQ(read_file("MASTFILE.DAT"), before);
}

TEST_F(RankingTest, WarningsAreShownBeforeTheComputation) {
    std::vector<TeamRecord> t = {runner_team(1)};
    arrive(t[0], 1, hms(10, 0, 0), 1);
    carried(t[0], 1, hms(10, 5, 0));  // a departure after the arrival
    write_master(t);
    con().type("y");
    ASSERT_TRUE(recompute_results(false, false));
    EXPECT_NE(con().screen().find("到着時刻が出発時刻より早い"), std::string::npos);
    expect_block(master()[0], 1, "1:00:00", "1:00:00", 1, 1);
}

TEST_F(RankingTest, EmptyMasterFile) {
    const ListingOrder order = listing_order_of(computed({}), AT_GOAL);
    EXPECT_EQ(order.division_start[0], 0);
    EXPECT_EQ(order.division_start[1], -1);
    EXPECT_EQ(order.end(0), 0);
    EXPECT_EQ(order.end(5), 0);
}

TEST_F(RankingTest, DivisionIndexBeyondTheLimitStopsTheListingOrder) {
    const std::vector<TeamRecord> records = computed({runner_team(1), runner_team(2, 21)});
    EXPECT_PROGRAM_EXIT(listing_order_of(records, AT_GOAL), 1);
    EXPECT_NE(con().screen().find("部門No=21不正 in .\\KRVKESN3 make_print_jun()"), std::string::npos);
}

}  // namespace
