// MASTFILE.DAT: the length and header checks (with the conversion of the old format),
// the index build, the records read in order, the debug dump, the station boards, and
// the same bytes as the source of a time import into the fixed master file.
#include "eventdata/import_times.h"
#include "eventdata/master_damage.h"
#include "eventdata/mastfile.h"
#include "eventdata/team_index.h"
#include "fuzz/support.h"
#include "prompts/damage_screen.h"
#include "timing/board_screen.h"

int fuzz_mastfile(const std::uint8_t* data, std::size_t size) {
    korvel_fuzz::build_race();
    korvel_fuzz::fresh_console();
    korvel_fuzz::put_event_files();
    korvel_fuzz::remove("MASTFILE.TMP");
    korvel_fuzz::remove("MASTFILE.OLD");
    korvel_fuzz::put_file("MASTFILE.DAT", data, size);
    korvel_fuzz::guarded([] {
        korvel::kihon_data();
        korvel::check_master_length();
        korvel::check_master_header();
        korvel::team_index.set();
        {
            korvel::Stream f = korvel::mast_open("rb");
            korvel::TeamRecord r;
            while (korvel::mast_read_next(f, r)) {
            }
        }
        korvel::master_debug_dump();
        // The station boards over whatever the records hold.
        const korvel::BoardData data = korvel::read_board_data();
        for (int s : korvel::board_stations()) korvel::board_lines(korvel::station_board(s, data, 36000), 80);
    });
    korvel_fuzz::fresh_console();
    korvel_fuzz::put_file("OTHER.DAT", data, size);
    korvel_fuzz::put_file("MASTFILE.DAT", korvel_fuzz::built_master());
    korvel_fuzz::guarded([] { korvel::import_times("MASTFILE.DAT", "OTHER.DAT"); });
    return 0;
}
