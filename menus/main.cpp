#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "html/publisher.h"
#include "menus/menus.h"
#include "shell/runtime.h"

namespace {

int run(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--board") == 0) return korvel::run_board_command(argc, argv);
    // korvel32 --publish [SECONDS]: the publisher instead of the menus.
    if (argc >= 2 && std::strcmp(argv[1], "--publish") == 0) {
        long seconds = korvel::PUBLISH_DEFAULT_SECONDS;
        if (argc >= 3) {
            char* end = nullptr;
            seconds = std::strtol(argv[2], &end, 10);
            if (argc > 3 || *end != '\0' || seconds < 1 || seconds > 86400) {
                std::fprintf(stderr, "usage: korvel32 --publish [SECONDS]   (SECONDS 1-86400, default %d)\n",
                             korvel::PUBLISH_DEFAULT_SECONDS);
                return 2;
            }
        }
        return korvel::run_publisher(static_cast<int>(seconds));
    }
    return korvel::run_program(argc, argv);
}

}  // namespace

// Every end of the program comes back here (korvel::exit_program throws), so that the
// destructors on the way run: no temporary file of a report or a rebuild in progress,
// no lock outlives the program.
int main(int argc, char** argv) {
    try {
        return korvel::finish_program(run(argc, argv));
    } catch (const korvel::ProgramExit& end) {
        return korvel::finish_program(end.status);
    }
}
