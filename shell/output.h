// Output destinations: printer, list file or clipboard; the files reports write to
// and their delivery.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/whole_file.h"
#include "shell/runtime.h"

namespace korvel {

constexpr int OUT_PRINTER = 0;
constexpr int OUT_FILE = 1;
constexpr int OUT_CLIPBOARD = 2;

extern int out_kind_no;
extern char append_mode;
extern char field_separator;

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
// The destination's questions before a report: the field separator (when asked
// for) and, for a list file that exists, whether to overwrite or append. False after
// Esc (nothing changed is to be written).
bool confirm_output_destination(bool ask_separator);
// The file a report opened for destination kind writes to: the list file written
// whole (after its old text when appending), or a temporary file for the printer and
// the clipboard. One that cannot be made is reported as fopen_retry reports it.
std::unique_ptr<platform::WholeFile> open_report_file(int kind);
// A report file that could not be written whole: that report is lost.
void show_report_write_failure(const std::string& file, int err);
// Hands a complete report file on: the list file to the editor, a temporary file to
// the clipboard or to the print program of print_key.
void hand_on_report(const char* print_key, int kind, const std::string& file);

// The argument list of the print command of print_key for file; false (after the
// message) when the print program is missing.
bool build_print_command(const char* print_key, const std::string& file, std::vector<std::string>& argv);

}  // namespace korvel
