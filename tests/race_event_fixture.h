// A small event for the tests of the entry, import and warning screens: five stations
// 5 km apart, division 1 over all of them (4 sections), division 2 over stations 0, 2
// and 4 (2 sections), and master files written through the record routines.
#pragma once

#include <string>
#include <vector>

#include "eventdata/kihondat.h"
#include "eventdata/mastfile.h"
#include "shell/console_ui.h"
#include "tests/support.h"

namespace korvel_test {

inline std::string text_lines(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\r\n";
    return s;
}

inline korvel::RaceTime hms(int h, int m, int s) { return korvel::RaceTime{static_cast<unsigned char>(h),
        static_cast<unsigned char>(m), static_cast<unsigned char>(s)}; }

inline korvel::RaceTime no_time() {
    korvel::RaceTime t;
    korvel::time_set_none(t);
    return t;
}

// A team with every block at its initial value.
inline korvel::TeamRecord team(int no, int division, const char* name, bool open = false) {
    korvel::TeamRecord r;
    korvel::clear_team_record(r);
    r.team_no = static_cast<std::int16_t>(no);
    r.division = static_cast<std::uint8_t>(division);
    r.open_flag = open ? '1' : '0';
    r.set_name(name);
    return r;
}

// Block k: the runner arrived at `arrival` and the next one left at `departure`.
inline void at(korvel::TeamRecord& r, int k, korvel::RaceTime departure, korvel::RaceTime arrival,
               int seq = 0) {
    r.blocks[k].departure = departure;
    r.blocks[k].arrival = arrival;
    r.blocks[k].input_seq = static_cast<std::int16_t>(seq);
}
// A handover at k: arrival and departure the same clock time.
inline void pass(korvel::TeamRecord& r, int k, korvel::RaceTime t, int seq = 0) { at(r, k, t, t, seq); }

inline void write_master(const std::vector<korvel::TeamRecord>& teams, const char* name = korvel::MASTFILE_NAME) {
    korvel::Stream f = korvel::fopen_retry(name, "wb");
    korvel::mast_write_header(f);
    for (std::size_t n = 0; n < teams.size(); ++n) korvel::mast_write(f, static_cast<int>(n), teams[n]);
}

inline std::vector<korvel::TeamRecord> read_master(const char* name = korvel::MASTFILE_NAME) {
    std::vector<korvel::TeamRecord> teams;
    unsigned char header[korvel::MAST_HEADER_SIZE];
    korvel::Stream f = korvel::mast_open(name, "rb", header);
    korvel::TeamRecord r;
    while (korvel::mast_read_next(f, r)) teams.push_back(r);
    return teams;
}

class RaceEventTest : public WorkFolderTest {
protected:
    void SetUp() override {
        WorkFolderTest::SetUp();
        write_file("TEAM.TXT", text_lines({"1 Ａ高校 1"}));
        write_file("OPTION.TXT", text_lines({"EVENTNAME=テスト駅伝", "EDITOR=true"}));
        load_event();
    }

    // The event above, loaded again (after a test has switched to another one).
    void load_event() {
        write_file("EKI.TXT", text_lines({"スタート 0", "一中 5", "二中 10", "三中 15", "ゴール 20"}));
        write_file("BUMON.TXT", text_lines({"一般の部", "MaxSpeed=25 MinSpeed=8 StartTime=80000", "+++++",
                                            "女子の部", "MaxSpeed=22 MinSpeed=7 StartTime=90000", "+/+/+", "*"}));
        try {
            korvel::kihon_data();
        } catch (...) {
            FAIL() << "the event definition was refused:\n" << to_utf8(con().screen());
        }
    }

    // The screen as UTF-8, for readable expectations.
    std::string screen_utf8() { return to_utf8(con().screen()); }

    // Occurrences of text (CP932) on the screen.
    int count_on_screen(const std::string& text) {
        std::string s = con().screen();
        int n = 0;
        for (std::size_t p = s.find(text); p != std::string::npos; p = s.find(text, p + 1)) ++n;
        return n;
    }
};

}  // namespace korvel_test
