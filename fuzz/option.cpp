// OPTION.TXT: key lookups of every kind of value (the carried-start limits too), the
// listing screen, the list file name, the speed limits of the event definition and the
// relative-check bounds.
#include <string>

#include "eventdata/kihondat.h"
#include "fuzz/support.h"
#include "shell/options.h"
#include "shell/output.h"
#include "timing/relative_check.h"

int fuzz_option(const std::uint8_t* data, std::size_t size) {
    korvel_fuzz::init();
    korvel_fuzz::fresh_console();
    korvel_fuzz::put_event_files();
    korvel_fuzz::put_file("OPTION.TXT", data, size);
    korvel_fuzz::guarded([] {
        std::string value;
        for (const char* key : {"EVENTNAME", "EDITOR", "INPUTSEQ", "BESTNO", "PRINTCMD73", "HTMLCOLOR1"})
            if (korvel::get_option(key, value)) korvel::option_int(value);
        korvel::relative_bounds();
        int limit = 0;
        for (int station : {0, 1, 5, 13}) korvel::carried_start_limit(station, limit);
        korvel::event_name();
        char mode = 0;
        korvel::list_file_name(&mode);
        korvel::kihon_data();
        korvel::show_option_listing();
    });
    return 0;
}
