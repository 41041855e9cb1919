// NAMEFILE.DAT: the version check (an old file is set aside and rebuilt), the widest
// name, and the detail files that read every name record.
#include "reports/detail_files.h"
#include "eventdata/mastfile.h"
#include "eventdata/runner_names.h"
#include "fuzz/support.h"

int fuzz_namefile(const std::uint8_t* data, std::size_t size) {
    korvel_fuzz::build_race();
    korvel_fuzz::fresh_console();
    korvel_fuzz::put_event_files();
    korvel_fuzz::put_file("MASTFILE.DAT", korvel_fuzz::built_master());
    korvel_fuzz::put_file("NAMEFILE.DAT", data, size);
    korvel_fuzz::guarded([] { korvel::namefile_version_check(); });
    korvel_fuzz::put_file("NAMEFILE.DAT", data, size);
    korvel_fuzz::guarded([] {
        korvel::runner_name_width();
        korvel::write_detail_files();
    });
    return 0;
}
