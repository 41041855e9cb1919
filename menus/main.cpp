#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "html/publisher.h"
#include "menus/menus.h"

int main(int argc, char** argv) {
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
