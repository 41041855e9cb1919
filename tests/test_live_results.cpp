// The live folder (JSON, CSV, IOF XML) against a race worked out by hand, the sites
// swapped in whole while a reader polls them, and the publisher's hook command line.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "eventdata/runner_names.h"
#include "html/live_results.h"
#include "html/publisher.h"
#include "html/result_sites.h"
#include "html/site_folder.h"
#include "platform/files.h"
#include "platform/process.h"
#include "tests/race_fixture.h"
#include "timing/ranking.h"

using namespace korvel;
using korvel_test::hms;
using korvel_test::read_file;
using korvel_test::to_utf8;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Start - A 5 km - Goal 12 km for 一般; 女子 runs Start - Goal. In 一般, 2 leads at A
// (18'00) before 1 (20'00), then had a carried start at A and has not finished; 1
// finished in 45'00; 3 runs open and fastest (40'00). 女子's one team (a name a
// spreadsheet would take for a formula) has no time.
class LiveTest : public korvel_test::RaceTest {
protected:
    void SetUp() override {
        RaceTest::SetUp();
        options({"EVENTNAME=テスト駅伝"});
        event({"Start 0", "A 5", "Goal 12"},
              {"一般", "MaxSpeed=25 MinSpeed=5 StartTime=90000", "+++", "女子", "MaxSpeed=25 MinSpeed=5 StartTime=90000",
               "+/+"});
        std::vector<TeamRecord> t = {team(1, 0, "Uno"), team(2, 0, "<i>\"Dos\"</i>"), team(3, 0, "Tres", true),
                                     team(9, 1, "=1,\"x\"")};
        for (int i = 0; i < 3; ++i) start(t[i], hms(9, 0, 0));
        arrive(t[0], 1, hms(9, 20, 0));
        arrive(t[0], 2, hms(9, 45, 0));
        arrive(t[1], 1, hms(9, 18, 0));
        carried(t[1], 1, hms(9, 30, 0));
        arrive(t[2], 1, hms(9, 19, 0));
        arrive(t[2], 2, hms(9, 40, 0));
        write_master(t);
        write_names({runners(1, {"山田　太郎", "U2"}), runners(2, {"D1", "D2"}), runners(3, {"T1", "T2"}),
                     runners(9, {"N1"})});
        recompute_without_warnings();
    }

    LiveResults results() {
        const std::vector<TeamRecord> records = read_all_records();
        LiveResults r = gather_live_results(records, read_name_records(records));
        r.generated = "2026-12-09T10:15:30+09:00";
        return r;
    }
};

std::string section(int k, const char* runner, const char* s, const char* r, const char* cs, const char* cr,
                    bool carried = false) {
    return "{\"section\": " + std::to_string(k) + ", \"runner\": \"" + runner + "\", \"seconds\": " + s +
           ", \"rank\": " + r + ", \"cumulative_seconds\": " + cs + ", \"cumulative_rank\": " + cr +
           ", \"carried_start\": " + (carried ? "true" : "false") + "}";
}

TEST_F(LiveTest, JsonOfTheHandWorkedRace) {
    const std::string expected =
        "{\"event\": \"テスト駅伝\", \"generated\": \"2026-12-09T10:15:30+09:00\", \"version\": 1, \"teams\": 4, "
        "\"finished\": 2,\n\"divisions\": [\n"
        "{\"no\": 1, \"name\": \"一般\", \"reached\": 2, \"stations\": [{\"no\": 0, \"name\": \"Start\", \"km\": 0.0}, "
        "{\"no\": 1, \"name\": \"A\", \"km\": 5.0}, {\"no\": 2, \"name\": \"Goal\", \"km\": 12.0}],\n\"teams\": [\n"
        // The listing order at the goal: the open team's 40'00, then 1, then 2 without a time.
        "{\"no\": 3, \"name\": \"Tres\", \"open\": true, \"rank\": null, \"seconds\": 2400, \"finished\": true, "
        "\"sections\": [" + section(1, "T1", "1140", "null", "1140", "null") + ", " +
        section(2, "T2", "1260", "null", "2400", "null") + "]},\n" +
        "{\"no\": 1, \"name\": \"Uno\", \"open\": false, \"rank\": 1, \"seconds\": 2700, \"finished\": true, "
        "\"sections\": [" + section(1, "山田　太郎", "1200", "2", "1200", "2") + ", " +
        section(2, "U2", "1500", "1", "2700", "1") + "]},\n" +
        "{\"no\": 2, \"name\": \"<i>\\\"Dos\\\"</i>\", \"open\": false, \"rank\": null, \"seconds\": null, "
        "\"finished\": false, \"sections\": [" + section(1, "D1", "1080", "1", "1080", "1") + ", " +
        section(2, "D2", "null", "null", "null", "null", true) + "]}]},\n" +
        "{\"no\": 2, \"name\": \"女子\", \"reached\": null, \"stations\": [{\"no\": 0, \"name\": \"Start\", \"km\": 0.0}, "
        "{\"no\": 1, \"name\": \"Goal\", \"km\": 12.0}],\n\"teams\": [\n"
        "{\"no\": 9, \"name\": \"=1,\\\"x\\\"\", \"open\": false, \"rank\": null, \"seconds\": null, \"finished\": false, "
        "\"sections\": [" + section(1, "N1", "null", "null", "null", "null") + "]}]}]}\n";
    EXPECT_EQ(live_json(results()), to_utf8(expected));
}

TEST_F(LiveTest, CsvOfTheHandWorkedRace) {
    const std::string expected =
        "division_no,division,rank,team_no,team,open,finished,section,runner,section_time,section_seconds,"
        "section_rank,cumulative_time,cumulative_seconds,cumulative_rank,carried_start\n"
        "1,一般,,3,Tres,1,1,1,T1,0:19:00,1140,,0:19:00,1140,,0\n"
        "1,一般,,3,Tres,1,1,2,T2,0:21:00,1260,,0:40:00,2400,,0\n"
        "1,一般,1,1,Uno,0,1,1,山田　太郎,0:20:00,1200,2,0:20:00,1200,2,0\n"
        "1,一般,1,1,Uno,0,1,2,U2,0:25:00,1500,1,0:45:00,2700,1,0\n"
        "1,一般,,2,\"<i>\"\"Dos\"\"</i>\",0,0,1,D1,0:18:00,1080,1,0:18:00,1080,1,0\n"
        "1,一般,,2,\"<i>\"\"Dos\"\"</i>\",0,0,2,D2,,,,,,,1\n"
        // A formula is kept as text.
        "2,女子,,9,\"'=1,\"\"x\"\"\",0,0,1,N1,,,,,,,0\n";
    EXPECT_EQ(live_csv(results()), "\xEF\xBB\xBF" + to_utf8(expected));
}

TEST_F(LiveTest, IofXmlValidatesAgainstTheSchema) {
    const std::string xml = live_iof_xml(results());
    korvel_test::write_file("iof.xml", xml);
    // The IOF schema is kept beside the clone.
    const std::string schema = KORVEL_SOURCE_DIR "/../shared/iof/IOF.xsd";
    EXPECT_EQ(platform::run_and_wait({"xmllint", "--noout", "--schema", schema, "iof.xml"}, false), 0)
        << "xmllint from libxml2-utils rejected (or is missing)";
    EXPECT_TRUE(contains(xml, "status=\"Snapshot\""));
    // 山田　太郎 split at the wide blank; Uno's second leg with its positions.
    EXPECT_TRUE(contains(xml, to_utf8("<Family>山田</Family>\n            <Given>太郎</Given>")));
    EXPECT_TRUE(contains(xml, "<Leg>2</Leg>\n          <Time>1500</Time>\n          <Position type=\"Leg\">1</Position>\n"
                              "          <Status>OK</Status>\n          <OverallResult>\n            <Time>2700</Time>\n"
                              "            <Position>1</Position>"));
    EXPECT_TRUE(contains(xml, "<Name>&lt;i&gt;&quot;Dos&quot;&lt;/i&gt;</Name>"));
}

TEST_F(LiveTest, VersionGrowsOnlyWithAChange) {
    LiveResults r = results();
    std::vector<SiteFile> first = live_site_files(r, "");
    EXPECT_EQ(r.version, 1);
    const std::string published = first[1].bytes;
    ASSERT_EQ(first[1].name, "results.json");
    r.generated = "2026-12-09T10:16:00+09:00";
    live_site_files(r, published);
    EXPECT_EQ(r.version, 1);
    r.divisions[0].teams[0].seconds = 2401;
    const std::vector<SiteFile> changed = live_site_files(r, published);
    EXPECT_EQ(r.version, 2);
    EXPECT_EQ(changed[0].bytes, "window.KORVEL_LIVE = " + changed[1].bytes.substr(0, changed[1].bytes.size() - 1) + ";\n");
    EXPECT_EQ(next_live_version("{\"version\": x", published), 1);
}

TEST_F(LiveTest, AllThreeSitesAndTheOldOnesGone) {
    mkdir("html", 0755);
    korvel_test::write_file("html/logo.gif", "GIF");
    const Publication p = write_result_sites();
    ASSERT_TRUE(p.ok()) << p.notes();
    EXPECT_EQ(p.teams, 4);
    EXPECT_EQ(p.finished, 2);
    EXPECT_TRUE(contains(read_file("live/results.json"), "\"version\": 1,"));
    EXPECT_EQ(read_file("live/results.csv").substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_TRUE(contains(read_file("live/index.html"), to_utf8("マイチーム")));
    EXPECT_TRUE(contains(read_file("html_keitai/index.htm"), "1.htm"));
    // The station boards swapped in with the results.
    EXPECT_TRUE(contains(read_file("live/board1.html"), "<!DOCTYPE html>"));
    // A file the site does not write stays; the old sites go.
    EXPECT_EQ(read_file("html/logo.gif"), "GIF");
    EXPECT_EQ(write_result_sites().version, 1);
    remove_old_result_sites();
    for (const char* name : {".html.staging.", ".live.staging.", ".html_keitai.staging."})
        EXPECT_FALSE(platform::folder_exists((name + std::to_string(getpid())).c_str()));
}

// Readers of every site see a whole file at every moment of 20 publications: the old
// one or the new one, never a missing or a partial one.
TEST_F(LiveTest, ReaderPollingDuringPublicationsNeverSeesAPartialFile) {
    ASSERT_TRUE(write_result_sites().ok());
    const std::vector<std::pair<std::string, std::string>> watched = {
        {"html/index.htm", "</html>\r\n"}, {"html/1.htm", "</html>\r\n"}, {"html_keitai/1.htm", "</html>\r\n"},
        {"live/results.json", "]}\r\n"}, {"live/index.html", "</html>\r\n"}, {"live/iof-results.xml", "</ResultList>\r\n"}};
    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::vector<std::string> faults;
    std::thread reader([&] {
        while (!done) {
            for (const auto& [path, ending] : watched) {
                FILE* f = std::fopen(path.c_str(), "rb");
                if (!f) {
                    faults.push_back(path + " missing");
                    continue;
                }
                std::string text;
                char buf[8192];
                for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
                std::fclose(f);
                if (text.size() < ending.size() || text.compare(text.size() - ending.size(), ending.size(), ending) != 0)
                    faults.push_back(path + " partial");
                ++reads;
            }
        }
    });
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(write_result_sites().ok());
    done = true;
    reader.join();
    EXPECT_TRUE(faults.empty()) << faults.front();
    EXPECT_GT(reads.load(), 20);
}

bool refuse_exchange(const char*, const char*) {
    errno = EINVAL;
    return false;
}

TEST_F(LiveTest, SwapFallbackFailureAndAPlainFile) {
    const std::vector<SiteFile> files = {{"a.txt", "new\n"}, {"b.bin", "x\ny", false}};
    mkdir("site", 0755);
    korvel_test::write_file("site/a.txt", "old");
    // A file system without the swap: each file renamed into place, said so.
    set_folder_exchange(refuse_exchange);
    SiteOutcome out = replace_site("site", files);
    set_folder_exchange(nullptr);
    EXPECT_EQ(out.result, SiteResult::renamed_each);
    EXPECT_FALSE(out.message.empty());
    EXPECT_EQ(read_file("site/a.txt"), "new\r\n");
    EXPECT_EQ(read_file("site/b.bin"), "x\ny");
    // A file that cannot be written: the old site stays as it was.
    out = replace_site("site", {{"a.txt", "newer\n"}, {"no/such/folder", "x"}});
    EXPECT_EQ(out.result, SiteResult::failed);
    EXPECT_TRUE(contains(out.message, "no/such/folder"));
    EXPECT_EQ(read_file("site/a.txt"), "new\r\n");
    EXPECT_FALSE(platform::folder_exists((".site.staging." + std::to_string(getpid())).c_str()));
    // A plain file of the folder's name is never swapped away.
    korvel_test::write_file("plain", "keep");
    EXPECT_EQ(replace_site("plain", files).result, SiteResult::not_a_folder);
    EXPECT_EQ(read_file("plain"), "keep");
}

TEST(PublishCommand, SplitOnBlanksWithTheFolder) {
    EXPECT_EQ(publish_command("  rsync -a\t{dir}/live/ {dir}/html/  server:/var/www/race/ ", "/races/a b"),
              (std::vector<std::string>{"rsync", "-a", "/races/a b/live/", "/races/a b/html/", "server:/var/www/race/"}));
    EXPECT_EQ(publish_command("up 駅伝", "/r"), (std::vector<std::string>{"up", to_utf8("駅伝")}));
    EXPECT_TRUE(publish_command("   ", "/r").empty());
}

}  // namespace
