// The time import file: its station line, then every line imported into a fresh copy
// of the master file at that station (or station 2), and the speed check after it.
#include <cstdint>

#include "eventdata/team_index.h"
#include "fuzz/support.h"
#include "timing/consistency.h"
#include "timing/text_import.h"

int fuzz_text_import(const std::uint8_t* data, std::size_t size) {
    korvel_fuzz::build_race();
    korvel_fuzz::fresh_console();
    korvel_fuzz::put_file("MASTFILE.DAT", korvel_fuzz::built_master());
    korvel_fuzz::put_file("IMPORT.TXT", data, size);
    korvel_fuzz::guarded([] {
        korvel::team_index.set();
        int station = korvel::import_file_station("IMPORT.TXT");
        std::uint16_t seq = 0;
        korvel::import_time_lines("IMPORT.TXT", station >= 0 ? station : 2, korvel::RaceTime{0, 30, 0}, seq);
        korvel::speed_check();
    });
    return 0;
}
