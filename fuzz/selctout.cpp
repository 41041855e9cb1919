// SELCTOUT.DAT: the saved output destination.
#include "fuzz/support.h"
#include "shell/output.h"

int fuzz_selctout(const std::uint8_t* data, std::size_t size) {
    korvel_fuzz::init();
    korvel_fuzz::fresh_console();
    korvel_fuzz::put_file("SELCTOUT.DAT", data, size);
    korvel_fuzz::guarded([] {
        korvel::load_destination();
        korvel::destination_name(korvel::destination());
        korvel::save_destination();
    });
    return 0;
}
