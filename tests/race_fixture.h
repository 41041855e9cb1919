// A small race built by hand for the ranking and results-list tests: the definition
// files, MASTFILE.DAT and NAMEFILE.DAT written record by record, and the records read
// back.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "eventdata/kihondat.h"
#include "eventdata/mastfile.h"
#include "shell/output.h"
#include "prompts/selection.h"
#include "tests/records.h"
#include "tests/support.h"

namespace korvel_test {

class RaceTest : public WorkFolderTest {
protected:
    void SetUp() override {
        WorkFolderTest::SetUp();
        korvel::out_kind_no = korvel::OUT_FILE;
        korvel::field_separator = 0;
        korvel::append_mode = '0';
        write_file("TEAM.TXT", text_file({"1 Team 1"}));
        options({});
    }

    // OPTION.TXT; "true" stands in for the editor the list file is opened in.
    void options(std::vector<std::string> lines) {
        lines.push_back("EDITOR=true");
        write_file("OPTION.TXT", text_file(lines));
    }

    void event(const std::vector<std::string>& eki, const std::vector<std::string>& bumon) {
        write_file("EKI.TXT", text_file(eki));
        write_file("BUMON.TXT", text_file(bumon));
        korvel::kihon_data();
    }

    static korvel::TeamRecord team(int no, int division, const char* name, bool open = false) {
        return korvel_test::team(no, division, name, open);
    }
    static void start(korvel::TeamRecord& r, korvel::RaceTime t) { pass(r, 0, t); }
    // An arrival as time entry stores it: arrival and departure, and its sequence number.
    static void arrive(korvel::TeamRecord& r, int k, korvel::RaceTime t, int seq = 0) { pass(r, k, t, seq); }
    static void carried(korvel::TeamRecord& r, int k, korvel::RaceTime t) { r.blocks[k].departure = t; }

    void write_master(const std::vector<korvel::TeamRecord>& records) { korvel_test::write_master(records); }

    void write_names(const std::vector<korvel::RunnerNameRecord>& records) {
        korvel::Stream f = korvel::fopen_retry(korvel::NAMEFILE_NAME, "w+b");
        korvel::name_write_header(f);
        for (std::size_t i = 0; i < records.size(); ++i) korvel::name_write(f, static_cast<int>(i), records[i]);
        korvel::fclose_or_abort(f);
    }

    static korvel::RunnerNameRecord runners(int no, const std::vector<std::string>& names) {
        korvel::RunnerNameRecord r;
        korvel::clear_name_record(r);
        r.team_no = static_cast<std::int16_t>(no);
        for (std::size_t i = 0; i < names.size(); ++i) r.set_runner(static_cast<int>(i) + 1, names[i].c_str());
        return r;
    }

    std::vector<korvel::TeamRecord> master() { return read_master(); }
};

}  // namespace korvel_test
