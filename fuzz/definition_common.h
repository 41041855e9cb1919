// Shared by the EKI.TXT and BUMON.TXT harnesses: everything that reads the loaded
// tables through their checked accessors, and the station pattern lines.
#pragma once

#include <cstdio>

#include "reports/detail_files.h"
#include "eventdata/kihondat.h"
#include "fuzz/support.h"

namespace korvel_fuzz {

inline void use_definition() {
    char buf[korvel::KYORI_TEXT_SIZE];
    for (int d = -1; d <= korvel::MAX_BUMON; ++d) {
        for (int s = -1; s <= korvel::MAX_KUKAN + 1; ++s) {
            korvel::physical_station(d, s);
            korvel::logical_station_name(d, s);
            korvel::print_kyori(nullptr, buf, korvel::section_distance(d, s), 6, "km");
        }
        for (int i = -1; i <= korvel::MAX_EKI; ++i) korvel::logical_station(d, i);
    }
    FILE* null = std::fopen("/dev/null", "w");
    korvel::write_pattern_header(null);
    for (int i = 0; i < korvel::definition().station_count(); ++i) korvel::write_pattern_line(null, i);
    std::fclose(null);
}

// The fixed race with one definition file replaced by the fuzzed bytes, loaded and used.
inline int fuzz_definition_file(const char* name, const std::uint8_t* data, std::size_t size) {
    init();
    fresh_console();
    put_event_files();
    put_file(name, data, size);
    guarded([] {
        korvel::kihon_data();
        use_definition();
    });
    return 0;
}

}  // namespace korvel_fuzz
