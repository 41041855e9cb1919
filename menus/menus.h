// The main menu and the operations its entries run.
#pragma once

namespace korvel {

// Start-up and the main loop; ends only through exit_program (main catches its end).
int run_program(int argc, char** argv);
// `korvel32 --board STATION` (menus/board_command.cpp); returns only through exit.
int run_board_command(int argc, char** argv);
void draw_main_menu();
// Start-up steps: the team index (a master file that cannot be opened leaves it
// empty); the readme opens once, when the program folder holds the marker.
void build_team_index_at_start();
void first_run_readme();
// An argument starting with "-" that holds "d" or "D" turns on the definition listing.
bool has_debug_option(int argc, char** argv);
bool check_stale_files();

// Submenus (entries 1, 6, 7, 8, 9).
void text_file_submenu();
void check_submenu();
void results_submenu();
void certificate_submenu();
void other_submenu();

}  // namespace korvel
