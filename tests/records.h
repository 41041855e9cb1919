// Team records built by hand for the tests, and master files written and read back
// through the record routines.
#pragma once

#include <string>
#include <vector>

#include "eventdata/mastfile.h"
#include "eventdata/race_time.h"
#include "shell/runtime.h"

namespace korvel_test {

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

}  // namespace korvel_test
