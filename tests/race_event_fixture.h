// A small event for the tests of the entry, import and warning screens: five stations
// 5 km apart, division 1 over all of them (4 sections), division 2 over stations 0, 2
// and 4 (2 sections), and master files written through the record routines.
#pragma once

#include <string>
#include <vector>

#include "eventdata/kihondat.h"
#include "eventdata/mastfile.h"
#include "shell/console_ui.h"
#include "tests/records.h"
#include "tests/support.h"

namespace korvel_test {

class RaceEventTest : public WorkFolderTest {
protected:
    void SetUp() override {
        WorkFolderTest::SetUp();
        write_file("TEAM.TXT", text_file({"1 Ａ高校 1"}));
        write_file("OPTION.TXT", text_file({"EVENTNAME=テスト駅伝", "EDITOR=true"}));
        load_event();
    }

    // The event above, loaded again (after a test has switched to another one).
    void load_event() {
        write_file("EKI.TXT", text_file({"スタート 0", "一中 5", "二中 10", "三中 15", "ゴール 20"}));
        write_file("BUMON.TXT", text_file({"一般の部", "MaxSpeed=25 MinSpeed=8 StartTime=80000", "+++++",
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
