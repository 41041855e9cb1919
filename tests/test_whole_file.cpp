// The one whole-file writer: the old file stays whole until the new one is in place,
// and no temporary file survives a success, a failure or a write left unfinished.
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/whole_file.h"
#include "tests/support.h"

using korvel_test::read_file;
using korvel_test::WorkFolderTest;
using korvel_test::write_file;

namespace {

int files_in_folder() {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(".")) n += entry.is_regular_file();
    return n;
}

using WholeFileTest = WorkFolderTest;

TEST_F(WholeFileTest, ReplacesTheOldFileOnlyWhenCommitted) {
    write_file("OUT.TXT", "old");
    {
        platform::WholeFile file("OUT.TXT", "wt");
        ASSERT_TRUE(file);
        std::fputs("new\n", file.out());
        EXPECT_EQ(read_file("OUT.TXT"), "old");
    }
    EXPECT_EQ(read_file("OUT.TXT"), "old");
    EXPECT_EQ(files_in_folder(), 1);

    platform::WholeFile file("OUT.TXT", "wt");
    std::fputs("new\n", file.out());
    EXPECT_EQ(file.commit(), 0);
    EXPECT_EQ(read_file("OUT.TXT"), "new\r\n");
    EXPECT_EQ(files_in_folder(), 1);
}

TEST_F(WholeFileTest, FailedRenameIsReportedAndLeavesNoTemporary) {
    ::mkdir("OUT.TXT", 0755);
    EXPECT_NE(platform::write_whole_file("OUT.TXT", "text"), 0);
    EXPECT_EQ(files_in_folder(), 0);
}

}  // namespace
