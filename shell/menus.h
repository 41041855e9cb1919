// The main menu and the operations its entries run.
#pragma once

namespace korvel {

// Start-up and the main loop; returns only through exit_program.
int run_program(int argc, char** argv);
void draw_main_menu();
bool check_stale_files();

// Submenus (entries 1, 6, 7, 8, 9).
void text_file_submenu();
void check_submenu();
void results_submenu();
void certificate_submenu();
void other_submenu();

}  // namespace korvel
