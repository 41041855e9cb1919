#include "shell/report.h"

#include <cstdarg>

#include "shell/options.h"
#include "shell/output.h"
#include "shell/runtime.h"

namespace korvel {

std::string report_title(const char* name) {
    std::string text = "*** ";
    text += event_name();
    text += ' ';
    text += name;
    text += " ***  ";
    text += date_time_stamp();
    return text;
}

Report::Report(const char* print_key) : print_key_(print_key), kind_(destination()) {
    open_fpout();
    kind_ = fpout_destination();
    open_ = true;
}

Report::Report(OpenOutput) : print_key_(nullptr), kind_(fpout_destination()) {}

Report::~Report() {
    if (open_) abandon_fpout();
}

FILE* Report::out() const { return fpout; }

bool Report::printer() const { return kind_ == OUT_PRINTER; }

void Report::title(const char* name) {
    std::fputs("\n", fpout);
    std::fputs(report_title(name).c_str(), fpout);
    std::fputs("\n", fpout);
}

void Report::puts(const char* text) { std::fputs(text, fpout); }

void Report::printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(fpout, format, args);
    va_end(args);
}

void Report::new_page() { out_new_page(); }
void Report::begin_field() { korvel::begin_field(); }
void Report::next_field() { korvel::next_field(); }

bool Report::deliver() {
    if (!print_key_) return false;  // the caller's output: the caller delivers it
    open_ = false;
    return closefpout_and_callprt(print_key_);
}

std::string padded(const Cell& cell) {
    const int len = static_cast<int>(cell.text.size());
    if (cell.width <= len) return cell.text;
    std::string blanks(static_cast<std::size_t>(cell.width - len), ' ');
    return cell.align == Cell::RIGHT ? blanks + cell.text : cell.text + blanks;
}

std::string text_line(const Row& row) {
    std::string line;
    for (const Cell& cell : row) line += padded(cell);
    return line;
}

void write_text_row(Report& report, const Row& row) {
    report.begin_field();
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0) report.next_field();
        report.puts(padded(row[i]));
    }
    report.begin_field();
    report.puts("\n");
}

}  // namespace korvel
