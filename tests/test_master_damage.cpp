// A MASTFILE.DAT cut in the middle of a record: said at the first open, and the newest
// whole copy in backup/ put back when the official says so.
#include <filesystem>
#include <optional>
#include <string>

#include "eventdata/backup.h"
#include "eventdata/master_damage.h"
#include "prompts/damage_screen.h"
#include "tests/race_fixture.h"

namespace {

using namespace korvel;
using korvel_test::read_file;
using korvel_test::write_file;

class MasterDamageTest : public korvel_test::RaceTest {
protected:
    void SetUp() override {
        RaceTest::SetUp();
        event({"Start 0", "Goal 5"}, {"一般", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "++"});
        write_master({team(10, 0, "A"), team(102, 0, "B"), team(103, 0, "C")});  // 10 is an LF byte
        write_names({runners(10, {"X"}), runners(102, {"Y"}), runners(103, {"Z"})});
        whole = read_file("MASTFILE.DAT");
        names = read_file("NAMEFILE.DAT");
        // An older copy, whole, and a newer one taken after the damage.
        ASSERT_EQ(write_backup(snapshot_data_files(), BackupKind::entry), "");
        cut = whole.substr(0, whole.size() - definition().master_record_size() + 10);
        write_file("MASTFILE.DAT", cut);
        DataSnapshot later = snapshot_data_files();
        later.taken += 60;
        ASSERT_EQ(write_backup(later, BackupKind::entry), "");
    }
    std::string whole, names, cut;
};

TEST_F(MasterDamageTest, TheCutRecordIsNamedAndTheNewestWholeCopyGoesBack) {
    con().type("yy");
    EXPECT_TRUE(check_master_length());
    const std::string screen = con().screen();
    EXPECT_NE(screen.find("MASTFILE.DAT が壊れています"), std::string::npos);
    EXPECT_NE(screen.find("完全なのは 1〜2 件目（チームＮｏ 10〜102）です"), std::string::npos);
    EXPECT_NE(screen.find("3 件目（チームＮｏ 103）は " + std::to_string(definition().master_record_size()) + " バイト中 10 バイト"),
              std::string::npos);
    EXPECT_NE(screen.find("（3 チーム）"), std::string::npos);
    EXPECT_EQ(read_file("MASTFILE.DAT"), whole);
    EXPECT_EQ(read_file("NAMEFILE.DAT"), names);
    EXPECT_EQ(read_file("MASTFILE.BAD"), cut);
    EXPECT_EQ(read_file("NAMEFILE.BAD"), names);
    EXPECT_TRUE(check_master_length());  // whole now: nothing more is said
}

TEST_F(MasterDamageTest, DeclinedTheFileStaysAndNothingMayUseIt) {
    con().type("ny");
    EXPECT_FALSE(check_master_length());
    EXPECT_EQ(read_file("MASTFILE.DAT"), cut);
    EXPECT_FALSE(std::filesystem::exists("MASTFILE.BAD"));
}

// The question was open while another terminal put a copy back: the put back finds the
// file whole under the lock and changes nothing.
TEST_F(MasterDamageTest, PutBackFindsTheFileWholeAgainAndKeepsNothingAside) {
    ASSERT_TRUE(damaged_master());
    const std::optional<WholeCopy> copy = newest_whole_copy();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->length.whole, 3);
    write_file("MASTFILE.DAT", whole);
    EXPECT_FALSE(damaged_master());
    EXPECT_EQ(put_back_copy(*copy).outcome, PutBack::already_whole);
    EXPECT_FALSE(std::filesystem::exists("MASTFILE.BAD"));
}

}  // namespace
