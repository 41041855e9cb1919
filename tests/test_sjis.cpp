#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/sjis.h"

using namespace korvel;

namespace {

// "表" is 0x95 0x5C and "ソ" 0x83 0x5C: their trail byte is a backslash.
const std::string hyo = "\x95\x5C";
const std::string so = "\x83\x5C";

std::string field(const std::string& text, std::size_t size, const char* set, std::string* rest = nullptr) {
    char out[64];
    std::memset(out, '#', sizeof out);
    const char* p = text.c_str();
    take_field(out, &p, size, set);
    if (rest) *rest = p;
    return out;
}

}  // namespace

TEST(Sjis, LeadByteTable) {
    EXPECT_FALSE(is_sjis_lead(0x80));
    EXPECT_TRUE(is_sjis_lead(0x81));
    EXPECT_TRUE(is_sjis_lead(0x9F));
    EXPECT_FALSE(is_sjis_lead(0xA0));
    EXPECT_FALSE(is_sjis_lead(0xDF));  // half-width katakana
    EXPECT_TRUE(is_sjis_lead(0xE0));
    EXPECT_TRUE(is_sjis_lead(0xFC));
    EXPECT_FALSE(is_sjis_lead(0xFD));
    EXPECT_FALSE(is_sjis_lead('\\'));
}

TEST(Sjis, ChompAndTrims) {
    char a[] = "abc\n\n";
    chomp(a);
    EXPECT_STREQ(a, "abc\n");
    char empty[] = "";
    chomp(empty);
    EXPECT_STREQ(empty, "");

    char b[] = "ソ \t\r\n";
    trim_right_space(b);
    EXPECT_EQ(std::string(b), so);

    char c[] = "表　 \t";
    EXPECT_EQ(trim_right_blanks(c), 4);
    EXPECT_EQ(std::string(c), hyo);

    // "＝" is 0x81 0x81: with the "@" after it the bytes 0x81 0x40 look like a
    // full-width space but are not one.
    char d[] = "＝@";
    EXPECT_EQ(trim_right_blanks(d), 0);
    EXPECT_STREQ(d, "＝@");

    char e[] = "　 ";
    EXPECT_EQ(trim_right_blanks(e), 3);
    EXPECT_STREQ(e, "");
}

TEST(Sjis, SkipBlanksDigitsAndToDelimiter) {
    const char* p = "　 \t12ab";
    skip_blanks(&p);
    EXPECT_STREQ(p, "12ab");
    skip_digits(&p);
    EXPECT_STREQ(p, "ab");

    // The trail bytes of 表 and ソ are not the delimiter.
    std::string text = hyo + so + "\\x";
    const char* q = text.c_str();
    skip_to_any(&q, "\\");
    EXPECT_EQ(q - text.c_str(), 4);

    char r[] = "表ソ";
    char* rp = r;
    skip_to_any(&rp, "\\,");
    EXPECT_EQ(*rp, '\0');
}

TEST(Sjis, TakeFieldKeepsDoubleByteCharactersWhole) {
    std::string rest;
    EXPECT_EQ(field(hyo + so + "\\next", 20, "\\", &rest), hyo + so);
    EXPECT_EQ(rest, "\\next");

    EXPECT_EQ(field("表ソ,x", 20, ",", &rest), hyo + so);
    EXPECT_EQ(rest, ",x");

    // Three bytes of room: ソ does not fit whole and is left out; the rest of the
    // field is skipped up to the delimiter.
    EXPECT_EQ(field("表ソa,x", 4, ",", &rest), hyo);
    EXPECT_EQ(rest, ",x");
    EXPECT_EQ(field("ab表,x", 4, ",", &rest), "ab");
    EXPECT_EQ(rest, ",x");

    // TAB becomes a blank unless it separates.
    EXPECT_EQ(field("a\tb,c", 20, ","), "a b");
    EXPECT_EQ(field("a\tb,c", 20, ",\t", &rest), "a");
    EXPECT_EQ(rest, "\tb,c");
}

TEST(Sjis, LoneLeadByteAtTheEndStaysInside) {
    // Exactly sized: reading past the terminator would be caught by the sanitizer.
    char text[] = {'a', '\x81', '\0'};
    const char* p = text;
    char out[8];
    take_field(out, &p, sizeof out, ",");
    EXPECT_EQ(p, text + 2);
    EXPECT_STREQ(out, "a\x81");

    char t2[] = {'\x95', '\0'};
    EXPECT_EQ(trim_right_blanks(t2), 0);
    const char* q = t2;
    skip_to_any(&q, ",");
    EXPECT_EQ(q, t2 + 1);
    char out2[8];
    to_full_width(t2, out2);
    EXPECT_STREQ(out2, "\x95");
}

TEST(Sjis, RemoveChars) {
    char out[64];
    remove_chars("12:34'56,7.8ﾟ", out, "ﾟ',\".:");
    EXPECT_STREQ(out, "12345678");

    // A double-byte character in the set removes only that character.
    remove_chars("ラーメン", out, "ー");
    EXPECT_STREQ(out, "ラメン");

    // 表 survives a backslash in the set; the real backslash goes.
    std::string text = hyo + "\\" + so;
    remove_chars(text.c_str(), out, "\\");
    EXPECT_EQ(std::string(out), hyo + so);

    // In place.
    char s[] = "a:b:c";
    remove_chars(s, s, ":");
    EXPECT_STREQ(s, "abc");
}

TEST(Sjis, StripBracketed) {
    char out[64];
    EXPECT_EQ(strip_bracketed("7 1:02:03 (comment (nested)) 1:01:30", out, '(', ')'), 0);
    EXPECT_STREQ(out, "7 1:02:03  1:01:30");

    EXPECT_EQ(strip_bracketed("a(b(c", out, '(', ')'), 2);
    EXPECT_STREQ(out, "a");

    // A close without an open: the depth goes below zero and text still survives.
    EXPECT_EQ(strip_bracketed("a)b(c)d", out, '(', ')'), -1);
    EXPECT_STREQ(out, "abcd");

    // Open 0: everything up to the first close is dropped.
    EXPECT_EQ(strip_bracketed("12:30)rest", out, 0, ')'), 0);
    EXPECT_STREQ(out, "rest");

    // Full-width brackets given as double-byte codes; characters inside vanish whole.
    EXPECT_EQ(strip_bracketed("Ａ（表ソ）Ｂ", out, 0x8169, 0x816A), 0);
    EXPECT_STREQ(out, "ＡＢ");
}

TEST(Sjis, ToFullWidth) {
    char out[64];
    to_full_width("1A z", out);
    EXPECT_STREQ(out, "\x82\x50\x82\x60\x81\x40\x82\x9A");
    to_full_width("ｿｰｽ!", out);
    EXPECT_STREQ(out, "ソース！");
    to_full_width("表\\~", out);
    EXPECT_EQ(std::string(out), hyo + "\x81\x8F\x81\x50");  // ￥ and ￣
    to_full_width("12", out);
    EXPECT_STREQ(out, "１２");

    // Bounded: room for two full-width characters and the terminator only.
    std::memset(out, '#', sizeof out);
    to_full_width("123", out, 5);
    EXPECT_STREQ(out, "１２");
    EXPECT_EQ(out[5], '#');
    to_full_width("1表", out, 4);
    EXPECT_STREQ(out, "１");
}

// A text longer than the bound ends before the double-byte character that would be
// cut; one that fits is printf's text exactly.
TEST(Sjis, FormattedNeverCutsADoubleByteCharacter) {
    EXPECT_EQ(formatted("%3d:%-4s|", 7, "表"), "  7:表  |");
    const std::string ascii(FORMATTED_LIMIT - 1, 'a');
    EXPECT_EQ(formatted("%s表", ascii.c_str()), ascii);
    EXPECT_EQ(formatted("%s表", ascii.substr(1).c_str()), ascii.substr(1) + "表");
}
