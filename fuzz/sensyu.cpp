// SENSYU.TXT: the name file built against a fixed master file, then its widest name.
#include "eventdata/master_build.h"
#include "eventdata/runner_names.h"
#include "fuzz/support.h"

int fuzz_sensyu(const std::uint8_t* data, std::size_t size) {
    korvel_fuzz::build_race();
    korvel_fuzz::fresh_console();
    korvel_fuzz::put_event_files();
    korvel_fuzz::put_file("MASTFILE.DAT", korvel_fuzz::built_master());
    korvel_fuzz::put_file("SENSYU.TXT", data, size);
    korvel_fuzz::guarded([] {
        korvel::build_name_file();
        korvel::runner_name_width();
    });
    return 0;
}
