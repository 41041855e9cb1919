// The Linux platform layer: text-mode files, file identity and stamps, CP932 on the
// terminal, the screen buffer's write rules, and starting other programs.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/key_sequence.h"
#include "platform/process.h"
#include "platform/screen_buffer.h"
#include "platform/terminal_console.h"
#include "tests/support.h"

using korvel_test::read_file;
using korvel_test::write_file;

namespace {

// UTF-8 text as written in this source (plain literals here are CP932).
std::string u8s(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }

std::string read_text(const char* name, std::size_t chunk = 4096) {
    FILE* f = platform::open_file(name, "rt");
    if (!f) return "<open failed>";
    std::string out;
    std::string buf(chunk, '\0');
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, chunk, f)) > 0) out.append(buf.data(), n);
    std::fclose(f);
    return out;
}

void set_mtime(const char* path, int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    timespec times[2] = {{std::mktime(&tm), 0}, {std::mktime(&tm), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path, times, 0), 0);
}

// Sets or removes an environment variable for one test.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~EnvVar() {
        if (had_) setenv(name_.c_str(), old_.c_str(), 1);
        else unsetenv(name_.c_str());
    }

private:
    std::string name_, old_;
    bool had_;
};

void write_script(const std::string& name, const std::string& body) {
    write_file(name, "#!/bin/sh\n" + body);
    chmod(name.c_str(), 0755);
}

}  // namespace

// ---- Text-mode streams ----

class TextModeTest : public korvel_test::WorkFolderTest {};

TEST_F(TextModeTest, WritesCrLfAndReadsItBack) {
    FILE* f = platform::open_file("out.txt", "wt");
    ASSERT_NE(f, nullptr);
    std::fputs("一行目\n", f);
    std::fprintf(f, "%d\n\n", 42);
    std::fputs("end", f);
    ASSERT_EQ(std::fclose(f), 0);
    EXPECT_EQ(read_file("out.txt"), "一行目\r\n42\r\n\r\nend");
    EXPECT_EQ(read_text("out.txt"), "一行目\n42\n\nend");

    // Binary mode sees the bytes as they are.
    f = platform::open_file("out.txt", "rb");
    char buf[8] = {};
    ASSERT_EQ(std::fread(buf, 1, 8, f), 8u);
    std::fclose(f);
    EXPECT_EQ(std::string(buf, 8), std::string("一行目\r\n"));
}

TEST_F(TextModeTest, DropsOnlyTheCrBeforeLf) {
    write_file("in.txt", "a\r\nb\rc\r\r\nd\r");
    EXPECT_EQ(read_text("in.txt"), "a\nb\rc\r\nd\r");
    write_file("in.txt", "\r");
    EXPECT_EQ(read_text("in.txt"), "\r");
}

TEST_F(TextModeTest, CrLfSplitAcrossBufferBoundaries) {
    for (std::size_t at : {4095u, 4096u, 8191u}) {
        std::string text(at, 'x');
        text += "\r\nyz\r\n";
        write_file("big.txt", text);
        std::string expected(at, 'x');
        expected += "\nyz\n";
        for (std::size_t chunk : {1u, 4096u, 4095u, 10000u}) {
            EXPECT_EQ(read_text("big.txt", chunk), expected) << "CR at " << at << ", chunk " << chunk;
        }
    }
    // Line reading over the same boundary.
    std::string text(4095, 'x');
    text += "\r\nlast\r\n";
    write_file("big.txt", text);
    FILE* f = platform::open_file("big.txt", "r");
    std::string line(5000, '\0');
    ASSERT_NE(std::fgets(line.data(), 5000, f), nullptr);
    EXPECT_EQ(std::string(line.c_str()), std::string(4095, 'x') + "\n");
    ASSERT_NE(std::fgets(line.data(), 5000, f), nullptr);
    EXPECT_STREQ(line.c_str(), "last\n");
    EXPECT_EQ(std::fgets(line.data(), 5000, f), nullptr);
    std::fclose(f);
}

TEST_F(TextModeTest, TellAndSeekAreFileOffsets) {
    write_file("in.txt", "ab\r\ncd\r\nef\r\n");
    FILE* f = platform::open_file("in.txt", "rt");
    char line[16];
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "ab\n");
    EXPECT_EQ(std::ftell(f), 4);
    long second = std::ftell(f);
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    EXPECT_EQ(std::ftell(f), 8);
    ASSERT_EQ(std::fseek(f, second, SEEK_SET), 0);
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "cd\n");
    std::rewind(f);
    EXPECT_EQ(std::fgetc(f), 'a');
    std::fclose(f);
}

TEST_F(TextModeTest, AppendAndUpdateModes) {
    write_file("list.txt", "a\r\n");
    FILE* f = platform::open_file("list.txt", "a+t");
    ASSERT_NE(f, nullptr);
    std::fputs("b\n", f);
    std::rewind(f);
    char line[16];
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "a\n");
    ASSERT_EQ(std::fseek(f, 0, SEEK_END), 0);
    std::fputs("c\n", f);
    std::fclose(f);
    EXPECT_EQ(read_file("list.txt"), "a\r\nb\r\nc\r\n");

    // Read then overwrite in place after a seek.
    f = platform::open_file("list.txt", "r+");
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    ASSERT_EQ(std::fseek(f, 0, SEEK_CUR), 0);
    std::fputs("B\n", f);
    std::fclose(f);
    EXPECT_EQ(read_file("list.txt"), "a\r\nB\r\nc\r\n");
}

TEST_F(TextModeTest, FailuresAndSync) {
    errno = 0;
    EXPECT_EQ(platform::open_file("missing.txt", "rt"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(platform::open_file("nofolder/x.txt", "wt"), nullptr);
    EXPECT_EQ(platform::classify_errno(errno), platform::OpenError::not_found);

    FILE* f = platform::open_file("s.txt", "wt");
    std::fputs("x\n", f);
    EXPECT_GE(platform::file_descriptor(f), 0);
    EXPECT_TRUE(platform::sync_file(f));
    EXPECT_EQ(read_file("s.txt"), "x\r\n");  // on disk before the close
    std::fclose(f);
    EXPECT_TRUE(platform::sync_folder_of("s.txt"));
    EXPECT_TRUE(platform::sync_folder_of((folder() + "/s.txt").c_str()));
}

TEST(ClassifyErrno, GroupsTheSystemErrors) {
    using platform::OpenError;
    for (int e : {ENOENT, ENOTDIR}) EXPECT_EQ(platform::classify_errno(e), OpenError::not_found) << e;
    for (int e : {EACCES, EPERM, EBUSY, ETXTBSY, EROFS}) EXPECT_EQ(platform::classify_errno(e), OpenError::access_denied) << e;
    for (int e : {EIO, EMFILE, ENOSPC, 0}) EXPECT_EQ(platform::classify_errno(e), OpenError::other) << e;
}

// ---- Identity, stamps, folders ----

class FileInfoTest : public korvel_test::WorkFolderTest {};

TEST_F(FileInfoTest, SameFile) {
    write_file("x", "1");
    write_file("y", "1");
    ASSERT_EQ(link("x", "hard"), 0);
    mkdir("sub", 0755);
    using platform::Sameness;
    EXPECT_EQ(platform::same_file("x", "x"), Sameness::same);
    EXPECT_EQ(platform::same_file("x", "./x"), Sameness::same);
    EXPECT_EQ(platform::same_file("x", "sub/../x"), Sameness::same);
    EXPECT_EQ(platform::same_file("x", "hard"), Sameness::same);
    EXPECT_EQ(platform::same_file("x", (folder() + "/x").c_str()), Sameness::same);
    EXPECT_EQ(platform::same_file("x", "y"), Sameness::different);
    EXPECT_EQ(platform::same_file("missing", "x"), Sameness::first_not_opened);
    EXPECT_EQ(platform::same_file("x", "missing"), Sameness::second_not_opened);
    EXPECT_EQ(platform::same_file("missing", "missing"), Sameness::first_not_opened);
}

TEST(PackDosTime, FieldLayout) {
    EXPECT_EQ(platform::pack_dos_time(1980, 1, 1, 0, 0, 0), 0x00210000u);
    // 2024-03-05 14:37:42: date 44<<9 | 3<<5 | 5, time 14<<11 | 37<<5 | 21.
    EXPECT_EQ(platform::pack_dos_time(2024, 3, 5, 14, 37, 42), 0x586574B5u);
    EXPECT_EQ(platform::pack_dos_time(2024, 3, 5, 14, 37, 43), 0x586574B5u);
    EXPECT_EQ(platform::pack_dos_time(2107, 12, 31, 23, 59, 58), 0xFF9FBF7Du);
    // Years from 2044 set the top bit: still ordered as unsigned numbers.
    EXPECT_LT(platform::pack_dos_time(2043, 12, 31, 23, 59, 59), platform::pack_dos_time(2044, 1, 1, 0, 0, 0));
    EXPECT_LT(platform::pack_dos_time(2024, 3, 5, 23, 59, 59), platform::pack_dos_time(2024, 3, 6, 0, 0, 0));
}

TEST_F(FileInfoTest, FileMtimeInLocalTime) {
    write_file("a.txt", "a");
    set_mtime("a.txt", 2024, 3, 5, 14, 37, 43);
    EXPECT_EQ(platform::file_mtime("a.txt"), 0x586574B5u);
    write_file("b.txt", "b");
    set_mtime("b.txt", 2044, 1, 1, 0, 0, 0);
    EXPECT_GT(platform::file_mtime("b.txt"), platform::file_mtime("a.txt"));
    set_mtime("b.txt", 2024, 3, 5, 14, 37, 40);
    EXPECT_LT(platform::file_mtime("b.txt"), platform::file_mtime("a.txt"));
    EXPECT_EQ(platform::file_mtime("missing.txt"), 0u);
}

TEST_F(FileInfoTest, ExistenceFoldersAndProgram) {
    write_file("f", "");
    mkdir("d", 0755);
    EXPECT_TRUE(platform::file_exists("f"));
    EXPECT_TRUE(platform::file_exists("d"));
    EXPECT_FALSE(platform::file_exists("nothing"));
    EXPECT_TRUE(platform::folder_exists("d"));
    EXPECT_FALSE(platform::folder_exists("f"));
    EXPECT_EQ(platform::current_folder(), std::filesystem::canonical(folder()).string());
    std::string exe = platform::program_path();
    EXPECT_TRUE(platform::file_exists(exe.c_str()));
    std::string dir = platform::program_folder();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_EQ(exe.substr(0, dir.size()), dir);
}

// ---- CP932 ----

// What follows an Esc: a whole sequence is one key (dropped, or a key a terminal
// spells its own way); a character that starts none is the next key (Alt-1 is Esc, 1).
TEST(KeySequence, WholeSequencesAreOneKeyOtherCharactersStayKeys) {
    struct Case {
        std::string after;  // the characters after the Esc
        int key, given_back;
        std::string left;  // not read
    };
    const Case cases[] = {
        {"", platform::VK_ESCAPE, -1, ""},           {"1", platform::VK_ESCAPE, '1', ""},
        {"[", platform::VK_ESCAPE, '[', ""},         {"[<0;10;10M0", platform::VK_OTHER, -1, "0"},
        {"[M !!9", platform::VK_OTHER, -1, "9"},     {"]0;x\a5", platform::VK_OTHER, -1, "5"},
        {"P1$rx\x1b\\5", platform::VK_OTHER, -1, "5"}, {"[1;5\r", platform::VK_OTHER, '\r', ""},
        {"]2;t\x1b" "5", platform::VK_OTHER, '5', ""}, {"[A", platform::VK_UP, -1, ""},
        {"OH", platform::VK_HOME, -1, ""},          {"[4~", platform::VK_END, -1, ""},
    };
    for (const Case& c : cases) {
        std::size_t at = 0;
        auto next = [&]() { return at < c.after.size() ? static_cast<unsigned char>(c.after[at++]) : -1; };
        const int first = next();
        platform::AfterEscape a = platform::read_after_escape(first, next);
        EXPECT_EQ(a.key, c.key) << c.after;
        EXPECT_EQ(a.given_back, c.given_back) << c.after;
        EXPECT_EQ(c.after.substr(at), c.left) << c.after;
    }
}

TEST(Cp932, RowKeepsTheByteGrid) {
    // Arrows, diamonds and circles are one cell wide on a terminal: a blank pads them.
    EXPECT_EQ(platform::row_to_utf8("→A"), u8s(u8"→ A"));
    EXPECT_EQ(platform::row_to_utf8("◆○"), u8s(u8"◆ ○ "));
    EXPECT_EQ(platform::row_to_utf8("αБ"), u8s(u8"α Б "));
    // Kanji and full-width forms already take two cells.
    EXPECT_EQ(platform::row_to_utf8("駅伝１"), u8s(u8"駅伝１"));
    // Half-width katakana: one byte, one cell.
    EXPECT_EQ(platform::row_to_utf8("ｶﾅ!"), u8s(u8"ｶﾅ!"));
    // A trail byte 0x5C is part of its character.
    EXPECT_EQ(platform::row_to_utf8("表示"), u8s(u8"表示"));

    auto glyphs = platform::row_glyphs("a→漢ｱ");
    ASSERT_EQ(glyphs.size(), 4u);
    EXPECT_EQ(glyphs[1].column, 1);
    EXPECT_EQ(glyphs[1].bytes, 2);
    EXPECT_EQ(glyphs[1].cells, 1);
    EXPECT_EQ(glyphs[2].column, 3);
    EXPECT_EQ(glyphs[2].cells, 2);
    EXPECT_EQ(glyphs[3].column, 5);
    EXPECT_EQ(glyphs[3].bytes, 1);
}

TEST(Cp932, RowFaults) {
    // A lead byte with a trail that cannot follow it: the lead alone is the fault.
    EXPECT_EQ(platform::row_to_utf8("\x81 x"), "? x");
    // Bytes that are never characters.
    EXPECT_EQ(platform::row_to_utf8("\x80\xA0\xFD\xFE\xFF"), "?????");
    // An unassigned double-byte code: one mark per byte.
    EXPECT_EQ(platform::row_to_utf8("\x85\x40"), "??");
    // A lead byte in the last column whose trail went to the next row.
    EXPECT_EQ(platform::row_to_utf8("ab\x82"), "ab ");
    // Control bytes must never reach the terminal; cells never written are blank.
    EXPECT_EQ(platform::row_to_utf8(std::string("\x1B[2J\0\x07", 6)), "?[2J ?");
    // User-defined characters have no dependable look.
    EXPECT_EQ(platform::row_to_utf8("\xF0\x40"), "??");
    // Whatever the bytes, the row takes as many cells as it has bytes.
    std::string junk;
    for (int i = 0; i < 256; ++i) junk += static_cast<char>(255 - i);
    int cells = 0;
    for (const auto& g : platform::row_glyphs(junk)) {
        EXPECT_GE(g.cells, 1);
        EXPECT_LE(g.cells, g.bytes);
        cells += g.bytes;
    }
    EXPECT_EQ(cells, 256);
}

TEST(Cp932, TextConversion) {
    const std::string text = "大会名：第１回\tｶﾅ①Ⅰ∵～\\表";
    const std::string utf8 = u8s(u8"大会名：第１回\tｶﾅ①Ⅰ∵～\\表");
    EXPECT_EQ(platform::cp932_to_utf8(text), utf8);
    bool complete = false;
    EXPECT_EQ(platform::utf8_to_cp932(utf8, &complete), text);
    EXPECT_TRUE(complete);

    // Broken bytes become U+FFFD, which goes back as "?" without loss being reported.
    EXPECT_EQ(platform::cp932_to_utf8("a\x81"), u8s(u8"a\uFFFD"));
    EXPECT_EQ(platform::utf8_to_cp932(u8s(u8"a\uFFFD"), &complete), "a?");
    EXPECT_TRUE(complete);
    // User-defined characters survive a round trip.
    EXPECT_EQ(platform::utf8_to_cp932(platform::cp932_to_utf8("\xF0\x40")), "\xF0\x40");
}

TEST(Cp932, CharactersFromLinuxInputMethods) {
    bool complete = false;
    EXPECT_EQ(platform::utf8_to_cp932(u8s(u8"〜−‖—"), &complete), "～－∥―");
    EXPECT_TRUE(complete);
    // Characters with several codes take the one Windows writes.
    EXPECT_EQ(platform::utf8_to_cp932(u8s(u8"ⅰ")), "\xFA\x40");
    EXPECT_EQ(platform::utf8_to_cp932(u8s(u8"Ⅰ")), "\x87\x54");
    EXPECT_EQ(platform::utf8_to_cp932(u8s(u8"∵")), "\x81\xE6");
    EXPECT_EQ(platform::utf8_to_cp932(u8s(u8"髙")), "\xFB\xFC");

    EXPECT_EQ(platform::utf8_to_cp932(u8s(u8"走") + "\xF0\x9F\x98\x80", &complete), "走?");
    EXPECT_FALSE(complete);
    EXPECT_EQ(platform::utf8_to_cp932("\xE8\xB5", &complete), "?");  // cut short
    EXPECT_FALSE(complete);
    EXPECT_EQ(platform::utf8_to_cp932("\xC0\xAF", &complete), "??");  // overlong "/"
    EXPECT_FALSE(complete);
}

// ---- Screen buffer ----

TEST(ScreenBuffer, WrapsAtTheLastColumnAndScrollsAtTheLastRow) {
    platform::ScreenBuffer b(10, 3);
    b.write("0123456789AB");
    EXPECT_EQ(b.row_text(0), "0123456789");
    EXPECT_EQ(b.row_text(1), "AB        ");
    EXPECT_EQ(b.cursor_row(), 1);
    EXPECT_EQ(b.cursor_col(), 2);

    // Filling a row exactly leaves the cursor at the start of the next one.
    b.set_cursor(1, 0);
    b.write("abcdefghij");
    EXPECT_EQ(b.cursor_row(), 2);
    EXPECT_EQ(b.cursor_col(), 0);

    b.set_color(0x1E);
    b.write("xyz\n");
    EXPECT_EQ(b.scroll_count(), 1);
    EXPECT_EQ(b.row_text(0), "abcdefghij");
    EXPECT_EQ(b.row_text(1), "xyz       ");
    EXPECT_EQ(b.row_text(2), "          ");
    EXPECT_EQ(b.attribute_at(1, 0), 0x1E);
    EXPECT_EQ(b.cursor_row(), 2);
    EXPECT_EQ(b.cursor_col(), 0);

    // The last cell of the screen scrolls too.
    b.set_cursor(2, 9);
    b.write("Z");
    EXPECT_EQ(b.scroll_count(), 2);
    EXPECT_EQ(b.row_text(1), "         Z");
    EXPECT_EQ(b.cursor_row(), 2);
}

TEST(ScreenBuffer, ControlCharacters) {
    platform::ScreenBuffer b(20, 4);
    b.write("ab\tX");
    EXPECT_EQ(b.row_text(0).substr(0, 10), "ab      X ");
    b.write("\rY\bZ");
    EXPECT_EQ(b.row_text(0).substr(0, 2), "Zb");
    b.set_cursor(1, 0);
    b.write("\b");
    EXPECT_EQ(b.cursor_col(), 0);
    EXPECT_EQ(b.write("\a!\a"), 2);
    EXPECT_EQ(b.row_text(1).substr(0, 1), "!");

    // A tab that reaches the end of the row wraps once and stops.
    b.set_cursor(2, 17);
    b.write("\tQ");
    EXPECT_EQ(b.row_text(2), std::string(20, ' '));
    EXPECT_EQ(b.row_text(3).substr(0, 2), "Q ");
    platform::ScreenBuffer narrow(10, 3);
    narrow.set_cursor(0, 9);
    narrow.write("\tQ");
    EXPECT_EQ(narrow.cursor_row(), 1);
    EXPECT_EQ(narrow.row_text(1).substr(0, 2), "Q ");
}

TEST(ScreenBuffer, FillAcrossRows) {
    platform::ScreenBuffer b(10, 3);
    b.set_cursor(1, 1);
    for (auto&& d : b.dirty_rows()) d = false;
    b.fill(0, 8, 5, '#', 0x2F);
    EXPECT_EQ(b.row_text(0), "        ##");
    EXPECT_EQ(b.row_text(1), "###       ");
    EXPECT_EQ(b.attribute_at(1, 2), 0x2F);
    EXPECT_EQ(b.attribute_at(1, 3), 7);
    EXPECT_TRUE(b.dirty_rows()[0]);
    EXPECT_TRUE(b.dirty_rows()[1]);
    EXPECT_FALSE(b.dirty_rows()[2]);
    EXPECT_EQ(b.cursor_row(), 1);
    EXPECT_EQ(b.cursor_col(), 1);

    // Past the end it stops at the last cell; outside the screen nothing happens.
    b.fill(2, 5, 100, '*', 7);
    EXPECT_EQ(b.row_text(2), "     *****");
    b.fill(3, 0, 5, '!', 7);
    b.fill(0, -1, 5, '!', 7);
    b.fill(0, 0, -4, '!', 7);
    EXPECT_EQ(b.row_text(0), "        ##");
}

// ---- Terminal view and colours ----

TEST(TerminalView, FollowsTheCursorOnlyWhenItLeaves) {
    using platform::view_top_for;
    EXPECT_EQ(view_top_for(29, 0, 30, 100), 0);
    // A 55-row station list on a 30-row terminal: the prompt row stays in view.
    EXPECT_EQ(view_top_for(55, 0, 30, 100), 26);
    EXPECT_EQ(view_top_for(40, 26, 30, 100), 26);
    EXPECT_EQ(view_top_for(26, 26, 30, 100), 26);
    EXPECT_EQ(view_top_for(25, 26, 30, 100), 25);
    EXPECT_EQ(view_top_for(0, 26, 30, 100), 0);
    EXPECT_EQ(view_top_for(99, 0, 30, 100), 70);
    // A terminal taller than the buffer shows it from the top.
    EXPECT_EQ(view_top_for(99, 50, 120, 100), 0);
}

TEST(TerminalView, ColoursInWindowsBitOrder) {
    struct Case {
        int attribute;
        short fg16, bg16, fg8, bg8;
        bool bold8;
    };
    // Curses numbers: 1 red, 2 green, 4 blue; +8 bright.
    const Case cases[] = {
        {7, 7, 0, 7, 0, false},       // light grey on black
        {15, 15, 0, 7, 0, true},      // bright white
        {9, 12, 0, 4, 0, true},       // bright blue
        {10, 10, 0, 2, 0, true},      // bright green
        {11, 14, 0, 6, 0, true},      // bright cyan
        {12, 9, 0, 1, 0, true},       // bright red
        {13, 13, 0, 5, 0, true},      // bright magenta
        {14, 11, 0, 3, 0, true},      // bright yellow
        {159, 15, 12, 7, 4, true},    // on bright blue
        {207, 15, 9, 7, 1, true},     // on bright red
        {47, 15, 2, 7, 2, true},      // on green
        {95, 15, 5, 7, 5, true},      // on magenta
        {248, 8, 15, 0, 7, true},     // dark grey on bright white
    };
    for (const Case& c : cases) {
        auto sixteen = platform::terminal_colors(c.attribute, true);
        EXPECT_EQ(sixteen.foreground, c.fg16) << c.attribute;
        EXPECT_EQ(sixteen.background, c.bg16) << c.attribute;
        EXPECT_FALSE(sixteen.bold) << c.attribute;
        auto eight = platform::terminal_colors(c.attribute, false);
        EXPECT_EQ(eight.foreground, c.fg8) << c.attribute;
        EXPECT_EQ(eight.background, c.bg8) << c.attribute;
        EXPECT_EQ(eight.bold, c.bold8) << c.attribute;
    }
}

// ---- Processes ----

class ProcessTest : public korvel_test::WorkFolderTest {};

TEST_F(ProcessTest, RunAndWait) {
    EXPECT_EQ(platform::run_and_wait({"sh", "-c", "exit 3"}, false), 3);
    EXPECT_EQ(platform::run_and_wait({"true"}, false), 0);
    EXPECT_EQ(con().suspends(), 0);

    errno = 0;
    EXPECT_EQ(platform::run_and_wait({"korvel-no-such-program"}, false), -1);
    EXPECT_EQ(errno, ENOENT);
    write_file("plain", "not a program");
    errno = 0;
    EXPECT_EQ(platform::run_and_wait({"./plain"}, false), -1);
    EXPECT_EQ(errno, EACCES);

    // Without the terminal the child's streams go nowhere; with it the screen is
    // handed over once.
    EXPECT_EQ(platform::run_and_wait({"sh", "-c",
                                      "[ \"$(readlink /proc/$$/fd/0)\" = /dev/null ] && "
                                      "[ \"$(readlink /proc/$$/fd/1)\" = /dev/null ]"},
                                     false),
              0);
    EXPECT_EQ(platform::run_and_wait({"sh", "-c", "exit 0"}, true), 0);
    EXPECT_EQ(con().suspends(), 1);
    EXPECT_EQ(platform::run_shell("echo 'a b' > out.txt; exit 5"), 5);
    EXPECT_EQ(read_file("out.txt"), "a b\n");
    EXPECT_EQ(con().suspends(), 2);
    EXPECT_EQ(platform::run_and_wait({}, false), -1);
}

class EditorTest : public korvel_test::WorkFolderTest {};

TEST_F(EditorTest, EditsAUtf8CopyAndSavesCp932) {
    write_file("TEAM.TXT", "1,一般,チーム\r\n");
    chmod("TEAM.TXT", 0640);
    // The "editor" keeps what it was given and appends a line.
    write_script("ed.sh", "cp \"$1\" given.txt\nprintf '" + u8s(u8"2,女子,〜走る会") + "\\n' >> \"$1\"\n");
    ASSERT_TRUE(platform::edit_text_file("./ed.sh", "TEAM.TXT"));
    EXPECT_EQ(read_file("given.txt"), u8s(u8"1,一般,チーム\n"));
    EXPECT_EQ(read_file("TEAM.TXT"), "1,一般,チーム\r\n2,女子,～走る会\r\n");
    struct stat st;
    ASSERT_EQ(stat("TEAM.TXT", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(con().suspends(), 1);
}

TEST_F(EditorTest, UnchangedCopyLeavesTheFileAlone) {
    write_file("A.TXT", "x\ny\r\n\x81");  // mixed line ends and a broken byte stay as they are
    set_mtime("A.TXT", 2020, 1, 2, 3, 4, 6);
    std::uint32_t before = platform::file_mtime("A.TXT");
    write_script("ed.sh", "exit 0\n");
    ASSERT_TRUE(platform::edit_text_file("./ed.sh", "A.TXT"));
    EXPECT_EQ(read_file("A.TXT"), "x\ny\r\n\x81");
    EXPECT_EQ(platform::file_mtime("A.TXT"), before);
}

// Only the lines the official changed are converted back: broken bytes, a lone lead
// byte, the second code of a character (ED40 for FA5C) and a last line without its
// line end stay as they were in the lines around them.
TEST_F(EditorTest, UntouchedLinesComeBackByteForByte) {
    const std::string original = "a\x81\r\nb\xFF\r\n\xED\x40\r\nold\r\nx\n\xFA\x5C";
    write_file("E.TXT", original);
    write_script("ed.sh", "sed -i 's/^old$/" + u8s(u8"新") + "/; 1i" + u8s(u8"先頭") + "' \"$1\"\n");
    ASSERT_TRUE(platform::edit_text_file("./ed.sh", "E.TXT"));
    EXPECT_EQ(read_file("E.TXT"), "先頭\r\na\x81\r\nb\xFF\r\n\xED\x40\r\n新\r\nx\n\xFA\x5C");
    EXPECT_EQ(con().screen().find("CP932"), std::string::npos);  // nothing to ask
}

// A changed line that cannot be written in CP932 is named; Y writes it with "?", N
// opens the file itself, unconverted, in the editor, and writes nothing.
TEST_F(EditorTest, UnwritableChangedLineIsNamedAndTheOfficialChooses) {
    write_file("B.TXT", "keep \xFF\r\nold\r\n");
    write_script("ed.sh", "echo \"$1\" >> calls.txt\ncase \"$1\" in */B.TXT) sed -i 's/^old$/new \xF0\x9F\x98\x80/' \"$1\";; esac\n");
    con().type("xn");
    ASSERT_TRUE(platform::edit_text_file("./ed.sh", "B.TXT"));
    EXPECT_EQ(read_file("B.TXT"), "keep \xFF\r\nold\r\n");
    EXPECT_NE(con().screen().find("\"B.TXT\" の 2 行目に"), std::string::npos);
    EXPECT_EQ(con().bells(), 2);  // the question, and the x it does not take
    const std::string calls = read_file("calls.txt");
    const std::string copy = calls.substr(0, calls.find('\n'));
    EXPECT_EQ(calls.substr(copy.size() + 1), platform::disk_name("B.TXT") + "\n");
    EXPECT_EQ(read_file(copy), "keep \xEF\xBF\xBD\nnew \xF0\x9F\x98\x80\n");
    EXPECT_NE(con().screen().find(copy), std::string::npos);
    std::filesystem::remove_all(copy.substr(0, copy.find_last_of('/')));

    con().type("y");
    ASSERT_TRUE(platform::edit_text_file("./ed.sh", "B.TXT"));
    EXPECT_EQ(read_file("B.TXT"), "keep \xFF\r\nnew ?\r\n");
}

TEST_F(EditorTest, MissingFileIsCreatedOnlyWhenSomethingWasWritten) {
    write_script("nothing.sh", "exit 0\n");
    ASSERT_TRUE(platform::edit_text_file("./nothing.sh", "NEW.TXT"));
    EXPECT_FALSE(platform::file_exists("NEW.TXT"));
    write_script("write.sh", "printf 'abc\\n' > \"$1\"\n");
    ASSERT_TRUE(platform::edit_text_file("./write.sh", "NEW.TXT"));
    EXPECT_EQ(read_file("NEW.TXT"), "abc\r\n");
}

TEST_F(EditorTest, EditorThatCannotStart) {
    write_file("C.TXT", "c\r\n");
    errno = 0;
    EXPECT_FALSE(platform::edit_text_file("korvel-no-such-editor", "C.TXT"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(read_file("C.TXT"), "c\r\n");
}

TEST_F(EditorTest, UsersEditorFromTheEnvironment) {
    write_file("D.TXT", "d\r\n");
    write_script("myed", "printf 'e\\n' >> \"$2\"\n");  // called as "myed -x FILE"
    EnvVar visual("VISUAL", nullptr);
    EnvVar editor("EDITOR", (folder() + "/myed -x").c_str());
    ASSERT_TRUE(platform::edit_text_file("", "D.TXT"));
    EXPECT_EQ(read_file("D.TXT"), "d\r\ne\r\n");
}

class DesktopTest : public korvel_test::WorkFolderTest {};

TEST_F(DesktopTest, TextFilesGoToThePagerWithoutADesktop) {
    EnvVar display("DISPLAY", nullptr);
    EnvVar wayland("WAYLAND_DISPLAY", nullptr);
    write_script("pager.sh", "cat \"$1\" >> shown.txt\n");
    EnvVar pager("PAGER", (folder() + "/pager.sh").c_str());
    write_file("readme.txt", "説明\r\n");
    write_file("page.html", "<p>");
    platform::open_with_association("readme.txt");
    EXPECT_EQ(read_file("shown.txt"), u8s(u8"説明\n"));
    EXPECT_EQ(con().suspends(), 1);
    EXPECT_EQ(platform::open_with_association("nothing.txt"), platform::Opened::not_opened);
    {
        // No terminal browser either: pages and addresses are not opened.
        mkdir("empty", 0755);
        EnvVar path("PATH", (folder() + "/empty").c_str());
        EXPECT_EQ(platform::open_with_association("page.html"), platform::Opened::not_opened);
        EXPECT_EQ(platform::open_with_association("https://example.com/"), platform::Opened::not_opened);
    }
    EXPECT_EQ(read_file("shown.txt"), u8s(u8"説明\n"));
    EXPECT_EQ(con().suspends(), 1);
}

// Without a desktop a page opens in a terminal browser, told that the page is
// Shift-JIS, and is waited for; lynx when w3m is missing.
TEST_F(DesktopTest, PagesGoToATerminalBrowserWithoutADesktop) {
    EnvVar display("DISPLAY", nullptr);
    EnvVar wayland("WAYLAND_DISPLAY", nullptr);
    mkdir("bin", 0755);
    mkdir("html", 0755);
    write_file("html/index.htm", "<p>");
    write_script("bin/lynx", "echo \"lynx $*\" >> browsed.txt\n");
    EnvVar path("PATH", (folder() + "/bin:/bin:/usr/bin").c_str());
    EXPECT_EQ(platform::open_with_association("html/index.htm"), platform::Opened::shown);
    write_script("bin/w3m", "echo \"w3m $*\" >> browsed.txt\n");
    EXPECT_EQ(platform::open_with_association("html/index.htm"), platform::Opened::shown);
    EXPECT_EQ(platform::open_with_association("https://example.com/"), platform::Opened::shown);
    EXPECT_EQ(read_file("browsed.txt"),
              "lynx -assume_charset=shift_jis html/index.htm\nw3m -I SJIS html/index.htm\nw3m https://example.com/\n");
    EXPECT_EQ(con().suspends(), 3);
}

TEST_F(DesktopTest, Clipboard) {
    EnvVar wayland("WAYLAND_DISPLAY", nullptr);
    {
        EnvVar display("DISPLAY", nullptr);
        EXPECT_FALSE(platform::graphical_session());
        EXPECT_FALSE(platform::copy_to_clipboard("x"));
    }
    mkdir("bin", 0755);
    write_script("bin/xclip", "[ \"$1 $2\" = '-selection clipboard' ] || exit 9\n/bin/cat > clip.txt\n");
    EnvVar path("PATH", (folder() + "/bin").c_str());
    EnvVar display("DISPLAY", ":0");
    EXPECT_TRUE(platform::graphical_session());
    EXPECT_TRUE(platform::copy_to_clipboard("順位\r\n1\r\n"));
    EXPECT_EQ(read_file("clip.txt"), u8s(u8"順位\n1\n"));
    // A tool that fails, or that stops reading, is a failure, never a crash.
    write_script("bin/xclip", "exit 1\n");
    EXPECT_FALSE(platform::copy_to_clipboard(std::string(1 << 20, 'a')));
    std::remove("bin/xclip");
    EXPECT_FALSE(platform::copy_to_clipboard("x"));
}

TEST(ErrorText, IsCp932Text) {
    EXPECT_FALSE(platform::error_text(ENOENT).empty());
    EXPECT_FALSE(platform::error_text(123456).empty());
}

TEST(DiskNameTest, JapaneseNamesAreUtf8OnDiskAndSystemPathsStayAsGiven) {
    const std::string cp932 = "区間賞TAB.txt";  // CP932 bytes, as the program names it
    EXPECT_EQ(platform::disk_name(cp932), korvel_test::to_utf8(cp932));
    EXPECT_EQ(platform::disk_name("OUT.TXT"), "OUT.TXT");
    const std::string utf8 = korvel_test::to_utf8("/tmp/大会/" + cp932);
    EXPECT_EQ(platform::disk_name(utf8), utf8);
    char templ[] = "/tmp/korvel_disk_XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    const std::string folder = templ;
    FILE* f = platform::open_file((folder + "/" + cp932).c_str(), "wt");
    ASSERT_NE(f, nullptr);
    std::fputs("a\n", f);
    std::fclose(f);
    EXPECT_TRUE(std::filesystem::exists(folder + "/" + korvel_test::to_utf8(cp932)));
    EXPECT_TRUE(platform::file_exists((folder + "/" + cp932).c_str()));
    EXPECT_TRUE(platform::remove_file((folder + "/" + cp932).c_str()));
    std::filesystem::remove(folder);
}
