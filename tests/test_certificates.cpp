// The PDF certificates: how a text is set in a vertical column and when it shrinks
// (no drawing), and the PDFs of a small race worked out by hand, read back with the
// poppler tools:
//
//   Start 0 - 中継所 5.5 km - Goal 12 km, both divisions from 9:00; 小学生の部 runs the
//   first section only. BESTNO=3.
//
//   rec team             中継所   Goal     sect 1      sect 2      total
//   0   11 山田クラブ     9:20:00  9:45:30  20'00 <1>   25'30 <2>   45'30 [1]
//   1   12 川口ＡＣ       9:20:00  9:50:00  20'00 <1>   30'00 <4>   50'00 [3]
//   2   13 海辺走友会     9:22:00  9:47:00  22'00 <3>   25'00 <1>   47'00 [2]
//   3   14 Hills          9:24:00  9:50:00  24'00 <4>   26'00 <3>   50'00 [3]
//   4   21 ちびっこ       9:09:05           9'05 <1>                (小学生の部)
//   5   22 わんぱく       9:10:00           10'00 <2>               (小学生の部)
//
//   Section awards, in the merge file's order: 山田一郎 and 川口太郎 (tied), 海野桃子,
//   and ちびっこ's runner, whose name nobody entered (the team gets 殿): 4 pages. Team awards: 山田クラブ, 海辺走友会, 川口ＡＣ and Hills (tied
//   third), ちびっこ, わんぱく: 6 pages.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "menus/submenu_entries.h"
#include "platform/files.h"
#include "reports/certificate_layout.h"
#include "reports/certificates.h"
#include "tests/race_fixture.h"

extern char** environ;

using namespace korvel;
using korvel_test::hms;
using korvel_test::to_utf8;

namespace {

// ---- Setting a text in a column ----

std::string runs_text(const std::vector<TextRun>& runs) {
    std::string s;
    for (const TextRun& r : runs) s += (r.setting == RunSetting::tate_chu_yoko ? "[" + r.text + "]" : r.text) + "|";
    return s;
}

TEST(CertificateLayout, ShortNumbersStandAcrossLongOnesInFullWidthDigits) {
    EXPECT_EQ(runs_text(split_runs("記録　1時間02分33秒")), "記録　|[1]|時間|[02]|分|[33]|秒|");
    EXPECT_EQ(runs_text(split_runs("第12区")), "第|[12]|区|");
    // Full-width digits count as digits; a point inside a number belongs to it.
    EXPECT_EQ(runs_text(split_runs("令和８年１２月９日")), "令和|[8]|年|[12]|月|[9]|日|");
    EXPECT_EQ(runs_text(split_runs("5.5㎞")), "[5.5]|㎞|");
    EXPECT_EQ(runs_text(split_runs("12.5㎞ 1234")), "１２．５㎞　１２３４|");
    EXPECT_EQ(runs_text(split_runs("No.1")), "Ｎｏ．|[1]|");
    // Letters and half-width kana stand upright at full width.
    EXPECT_EQ(runs_text(split_runs("Hill ｶﾅ")), "Ｈｉｌｌ　カナ|");
    EXPECT_EQ(cell_count(split_runs("第123区")), 3);
}

// The fields of a certificate as certificates.cpp gives them, with name as the runner.
Certificate sample(const std::string& name, const std::string& body = "あなたは頭書の成績をおさめられましたのでこれを賞します") {
    return {{"区間賞", {.size = 60, .tracking = 0.6, .space_before = 0}},
            {"チーム", {.size = 28, .indent = 1.5}},
            {name, {.size = 38, .indent = 1.5}},
            {body, {.size = 26, .indent = 1, .wraps = true}},
            {"主催者", {.size = 26, .bottom = true}}};
}

// The lowest cell bottom and the outermost column edges of a page.
void expect_inside_text_area(const PageLayout& page) {
    const double left = page.page.margin, right = page.page.width - page.page.margin;
    double previous_left = right + 1e-6;
    for (const Column& c : page.columns) {
        EXPECT_LE(c.x + c.size / 2, previous_left + 1e-6) << "columns overlap";
        previous_left = c.x - c.size / 2;
        for (const PlacedRun& r : c.runs) {
            EXPECT_GE(r.y, page.page.margin - 1e-6);
            EXPECT_LE(r.y + c.size, page.page.height - page.page.margin + 1e-6);
        }
    }
    EXPECT_GE(previous_left, left - 1e-6);
}

TEST(CertificateLayout, LongTextsShrinkToTheirColumnAndWrapWithoutBreakingRules) {
    const PageLayout plain = lay_out_certificate(sample("山田一郎　殿"));
    EXPECT_DOUBLE_EQ(plain.columns[2].size, 38);
    expect_inside_text_area(plain);

    // 30 cells at 38 points with 1.5 ems above would need 1197 points of 698.
    const std::string long_name = "寿限無寿限無五劫の擦り切れ海砂利水魚の水行末雲来末風来末食う寝る処に住む処";
    const PageLayout shrunk = lay_out_certificate(sample(long_name));
    const Column& name = shrunk.columns[2];
    ASSERT_EQ(name.runs.size(), 37u);
    EXPECT_NEAR(name.size, fitted_size(37, 0, 38, 841.89 - 144 - 1.5 * 38), 1e-9);
    EXPECT_LT(name.size, 38);
    expect_inside_text_area(shrunk);

    // 31 cells, at most 25 a column (672 points at 26): two columns of 16 and 15, but
    // the 17th cell (。) may not begin the second, so the 16th goes with it.
    const std::string body = "あいうえおかきくけこさしすせそた。ちつてとなにぬねのはひふへほま";
    const PageLayout wrapped = lay_out_certificate(sample("名", body));
    ASSERT_EQ(wrapped.columns.size(), 6u);
    EXPECT_EQ(wrapped.columns[3].runs.size(), 15u);
    EXPECT_EQ(wrapped.columns[4].runs.front().run.text, "た");
    expect_inside_text_area(wrapped);
}

TEST(CertificateLayout, ATeamOfManySectionsGoesTwoToAColumnThenShrinks) {
    auto team = [](int sections) {
        Certificate c = sample("チーム名　殿");
        for (int k = sections; k >= 1; --k)
            c.insert(c.begin() + 3, {"第" + std::to_string(k) + "区　選手名", {.size = 20, .indent = 3, .stacks = true}});
        return c;
    };
    // Four runners fit side by side (5 fields, the body in 2 columns).
    EXPECT_EQ(lay_out_certificate(team(4)).columns.size(), 10u);
    // Twenty do not: runner k above runner k + 10, in a tier of (698 - 60 - 20) / 2.
    const PageLayout page = lay_out_certificate(team(20));
    ASSERT_EQ(page.columns.size(), 16u);
    const Column& first = page.columns[3];
    ASSERT_EQ(first.runs.size(), 14u);
    EXPECT_EQ(first.runs[1].run.text, "1");
    EXPECT_EQ(first.runs[8].run.text, "11");
    EXPECT_GT(first.runs[7].y, first.runs[6].y + (309 - 7 * 20) * first.size / 20);
    EXPECT_LT(page.columns[0].size, 60);
    expect_inside_text_area(page);
}

TEST(CertificateLayout, TheDateInTheJapaneseEra) {
    EXPECT_EQ(japanese_era_date(2026, 12, 9), "令和８年１２月９日");
    EXPECT_EQ(japanese_era_date(2019, 5, 1), "令和元年５月１日");
    EXPECT_EQ(japanese_era_date(2019, 4, 30), "平成３１年４月３０日");
}

// ---- The PDFs of the race above ----

// What a program wrote to its standard output; "" when it could not be run.
std::string output_of(const std::vector<std::string>& argv) {
    int fds[2];
    if (pipe(fds) != 0) return "";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    if (spawned == 0) waitpid(pid, &status, 0);
    return spawned == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "";
}

// UTF-8 text without blanks (full-width ones too) and line and page ends.
std::string without_blanks(std::string s) {
    for (std::size_t at; (at = s.find("\xE3\x80\x80")) != std::string::npos;) s.erase(at, 3);
    std::erase_if(s, [](char c) { return c == ' ' || c == '\n' || c == '\f' || c == '\r'; });
    return s;
}

class CertificatePdfTest : public korvel_test::RaceTest {
protected:
    void SetUp() override {
        RaceTest::SetUp();
        if (output_of({"sh", "-c", "command -v pdfinfo"}).empty())
            GTEST_SKIP() << "poppler-utils is not installed";
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        options({"EVENTNAME=テスト駅伝", "BESTNO=3", "FAST_SPEED_LIMIT=40"});
        event({"スタート 0", "中継所 5.5", "ゴール 12"},
              {"一般の部", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "+++",
               "小学生の部", "MaxSpeed=40 MinSpeed=5 StartTime=90000", "++/"});
        std::vector<TeamRecord> t = {team(11, 0, "山田クラブ"), team(12, 0, "川口ＡＣ"), team(13, 0, "海辺走友会"),
                                     team(14, 0, "Hills"),      team(21, 1, "ちびっこ"), team(22, 1, "わんぱく")};
        for (TeamRecord& r : t) start(r, hms(9, 0, 0));
        const int mid[][3] = {{9, 20, 0}, {9, 20, 0}, {9, 22, 0}, {9, 24, 0}, {9, 9, 5}, {9, 10, 0}};
        const int goal[][3] = {{9, 45, 30}, {9, 50, 0}, {9, 47, 0}, {9, 50, 0}};
        for (std::size_t i = 0; i < t.size(); ++i) arrive(t[i], 1, hms(mid[i][0], mid[i][1], mid[i][2]));
        for (std::size_t i = 0; i < 4; ++i) arrive(t[i], 2, hms(goal[i][0], goal[i][1], goal[i][2]));
        write_master(t);
        write_names({runners(11, {"山田一郎", "山田二郎"}), runners(12, {"川口太郎", "川口次郎"}),
                     runners(13, {"海野花子", "海野桃子"}), runners(14, {"Hill Jr.", "丘野丘"}),
                     runners(21, {""}), runners(22, {"和田わん"})});
    }

    // Certificate entry 4 or 9; without a desktop the PDF is named on the screen.
    std::string make(int entry, const char* name) {
        con().type("y");
        try {
            run_certificate_entry(entry);
        } catch (...) {
            ADD_FAILURE() << to_utf8(con().screen());
            throw;
        }
        const std::string screen = con().screen();
        EXPECT_NE(screen.find("次を開いてください: "), std::string::npos) << to_utf8(screen);
        EXPECT_NE(screen.find(std::string(name) + "\n"), std::string::npos) << to_utf8(screen);
        for (const auto& entry : std::filesystem::directory_iterator("."))
            EXPECT_NE(entry.path().extension(), ".TMP") << entry.path();
        return platform::disk_name(name);
    }

    // A copy of the PDF in certificate_output/ beside the test binary; that folder.
    static std::string keep_for_a_look(const std::string& pdf) {
        const std::string out = platform::program_folder() + "certificate_output";
        std::filesystem::create_directories(out);
        std::filesystem::copy_file(pdf, out + "/" + pdf, std::filesystem::copy_options::overwrite_existing);
        return out;
    }

    static int pages(const std::string& pdf) {
        const std::string info = output_of({"pdfinfo", pdf});
        const std::size_t at = info.find("Pages:");
        return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
    }
    static std::string page_text(const std::string& pdf, int page) {
        const std::string n = std::to_string(page);
        return without_blanks(output_of({"pdftotext", "-raw", "-f", n, "-l", n, pdf, "-"}));
    }
    // Each name (CP932) in the text of its own page, and on no other.
    static void expect_one_per_page(const std::string& pdf, const std::vector<std::vector<std::string>>& names) {
        ASSERT_EQ(pages(pdf), static_cast<int>(names.size()));
        for (std::size_t p = 0; p < names.size(); ++p) {
            const std::string text = page_text(pdf, static_cast<int>(p) + 1);
            for (const std::string& name : names[p])
                EXPECT_NE(text.find(without_blanks(to_utf8(name))), std::string::npos) << "page " << p + 1 << ": " << text;
        }
    }
};

TEST_F(CertificatePdfTest, OnePagePerSectionAwardWithItsRunnerTeamAndRecord) {
    const std::string pdf = make(4, SECTION_CERTIFICATE_PDF);
    expect_one_per_page(pdf, {{"区間賞", "山田一郎殿", "山田クラブ", "一般の部第1区", "記録20分00秒", "令和"},
                              {"川口太郎殿", "川口ＡＣ", "記録20分00秒"},
                              {"海野桃子殿", "海辺走友会", "一般の部第2区", "中継所～ゴール6.5㎞", "記録25分00秒"},
                              {"ちびっこ殿", "小学生の部第1区", "記録9分05秒", "テスト駅伝実行委員会"}});
    // Every font in the file embedded as a subset (name, type, encoding, emb, sub, ...),
    // so that it prints anywhere.
    const std::string fonts = output_of({"pdffonts", pdf});
    EXPECT_NE(fonts.find("+IPAexMincho"), std::string::npos) << fonts;
    std::size_t at = fonts.find('\n', fonts.find("-----"));
    ASSERT_NE(at, std::string::npos) << fonts;
    for (std::size_t end; (end = fonts.find('\n', at + 1)) != std::string::npos; at = end)
        EXPECT_NE(fonts.substr(at, end - at).find(" yes yes "), std::string::npos) << fonts;

    // Page 1 as a picture beside the test binary, for a person to look at.
    const std::string out = keep_for_a_look(pdf);
    output_of({"pdftoppm", "-r", "60", "-png", "-f", "1", "-l", "1", "-singlefile", pdf, out + "/section_certificate_page1"});
    EXPECT_TRUE(std::filesystem::exists(out + "/section_certificate_page1.png"));
}

TEST_F(CertificatePdfTest, TeamAwardsDownToBestNoWithEveryRunnerAndTheOptions) {
    options({"EVENTNAME=テスト駅伝", "BESTNO=3", "FAST_SPEED_LIMIT=40", "CERT_BODY_TEAM=頑張りました", "CERT_DATE=令和８年１２月９日",
             "CERT_ORGANIZER=市陸上競技協会"});
    const std::string pdf = make(9, TEAM_CERTIFICATE_PDF);
    keep_for_a_look(pdf);
    const std::vector<std::string> options_texts = {"頑張りました", "令和8年12月9日", "市陸上競技協会"};
    auto with_options = [&](std::vector<std::string> names) {
        names.insert(names.end(), options_texts.begin(), options_texts.end());
        return names;
    };
    expect_one_per_page(pdf, {with_options({"優勝", "山田クラブ殿", "第1区山田一郎", "第2区山田二郎", "記録45分30秒"}),
                              with_options({"準優勝", "海辺走友会殿", "海野花子", "海野桃子"}),
                              with_options({"第3位", "川口ＡＣ殿", "川口太郎", "川口次郎", "記録50分00秒"}),
                              with_options({"第3位", "Ｈｉｌｌｓ殿", "Ｈｉｌｌ　Ｊｒ．", "丘野丘"}),
                              with_options({"優勝", "ちびっこ殿", "スタート～中継所5.5㎞", "記録9分05秒"}),
                              with_options({"準優勝", "わんぱく殿", "和田わん", "記録10分00秒"})});
}

TEST_F(CertificatePdfTest, WithoutWinnersNoPdfIsWrittenAndTheScreenSaysSo) {
    write_master({team(11, 0, "山田クラブ")});
    write_names({runners(11, {"山田一郎", "山田二郎"})});
    con().type("y");
    run_certificate_entry(4);
    EXPECT_NE(con().screen().find("賞状にする受賞者がいません。区間賞賞状.pdf は作りませんでした"), std::string::npos);
    EXPECT_FALSE(platform::file_exists(SECTION_CERTIFICATE_PDF));
}

// A PDF that cannot be written whole leaves the one before it as it was.
FILE* full_disk_for_temporaries(const char* name, const char* mode) {
    const std::string n = name;
    if (n.size() > 4 && n.substr(n.size() - 4) == ".TMP") return std::fopen("/dev/full", "w");
    return platform::open_file(name, mode);
}

TEST_F(CertificatePdfTest, AFailedWriteKeepsThePreviousPdf) {
    korvel_test::write_file(platform::disk_name(SECTION_CERTIFICATE_PDF), "previous");
    set_open_function(full_disk_for_temporaries);
    con().type("y");
    run_certificate_entry(4);
    set_open_function(nullptr);
    EXPECT_EQ(korvel_test::read_file(platform::disk_name(SECTION_CERTIFICATE_PDF)), "previous");
    EXPECT_NE(con().screen().find("区間賞賞状.pdf への書き込みに失敗しました"), std::string::npos);
}

}  // namespace
