#include "menus/menus.h"

int main(int argc, char** argv) { return korvel::run_program(argc, argv); }
