// Output destinations: printer, list file or clipboard; the report stream fpout.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "shell/runtime.h"

namespace korvel {

constexpr int OUT_PRINTER = 0;
constexpr int OUT_FILE = 1;
constexpr int OUT_CLIPBOARD = 2;

extern int out_kind_no;
extern char append_mode;
extern char field_separator;
extern Stream fpout;

void load_destination();
void save_destination();
// For the orderly stop: writes SELCTOUT.DAT without any question.
void save_destination_quietly();
// 0..2, any stored value outside that range read as the file destination.
int destination();
const char* destination_name(int kind);
// The LISTFILE option as written (default "OUT.TXT"), and its file name part.
std::string list_file_option();
std::string list_file_name(char* mode_char = nullptr);

void select_output_destination();
int confirm_output_destination(bool ask_separator);
void open_fpout();
// Closes fpout and delivers it; false (after its message) when the text could not be
// written whole, and the report is then lost.
bool closefpout_and_callprt(const char* print_key);
// Closes an undelivered fpout and removes its temporary file.
void abandon_fpout();
// The destination fpout was opened for.
int fpout_destination();
// Makes stream the report stream of a report opened for destination kind (tests).
void attach_fpout(Stream stream, int kind);
void out_new_page();
void begin_field();
void next_field();

// The argument list of the print command of print_key for file; false (after the
// message) when the print program is missing.
bool build_print_command(const char* print_key, const std::string& file, std::vector<std::string>& argv);

}  // namespace korvel
