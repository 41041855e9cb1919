// TEAM.TXT: the master-file build from the team list (first build: nothing to carry
// over), with the name file after it.
#include "prompts/rebuild.h"
#include "fuzz/support.h"

int fuzz_team(const std::uint8_t* data, std::size_t size) {
    korvel_fuzz::init();
    korvel_fuzz::fresh_console();
    korvel_fuzz::put_event_files();
    korvel_fuzz::put_file("TEAM.TXT", data, size);
    korvel_fuzz::remove("MASTFILE.DAT");
    korvel_fuzz::remove("NAMEFILE.DAT");
    korvel_fuzz::guarded([] { korvel::build_master_file(korvel::BuildAsked::on_demand); });
    return 0;
}
