#include <cstring>

#include "menus/menus.h"

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--board") == 0) return korvel::run_board_command(argc, argv);
    return korvel::run_program(argc, argv);
}
