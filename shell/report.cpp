#include "shell/report.h"

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <new>

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

namespace {

// Reports opened and not yet delivered: any end of the program (std::exit skips the
// destructors) closes their files and removes their temporaries.
std::vector<Report*>& open_reports() {
    static auto* reports = new std::vector<Report*>;
    return *reports;
}

void forget(Report* report) {
    auto& v = open_reports();
    v.erase(std::remove(v.begin(), v.end(), report), v.end());
}

void abandon_open_reports() {
    for (Report* report : std::vector<Report*>(open_reports())) report->abandon();
}

const bool abandoned_at_stop = (at_fatal_stop(abandon_open_reports), true);
const bool abandoned_at_exit = (std::atexit(abandon_open_reports), true);

}  // namespace

Report::Report(const char* print_key)
    : print_key_(print_key), kind_(destination()), separator_(field_separator), file_(open_report_file(kind_)) {
    out_ = file_->out();
    open_reports().push_back(this);
}

Report::Report(ToText text) : kind_(text.kind), separator_(text.separator) {
    out_ = ::open_memstream(&text_, &text_size_);
    if (!out_) throw std::bad_alloc();
}

Report::~Report() {
    // An undelivered file goes with file_; the list file keeps what it held.
    forget(this);
    if (text_) {
        std::fclose(out_);
        std::free(text_);
    }
}

void Report::title(const char* name) {
    std::fputs("\n", out_);
    std::fputs(report_title(name).c_str(), out_);
    std::fputs("\n", out_);
}

void Report::puts(const char* text) { std::fputs(text, out_); }

void Report::printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(out_, format, args);
    va_end(args);
}

void Report::new_page() {
    if (kind_ == OUT_PRINTER) std::fputc('\f', out_);
}

void Report::begin_field() {
    if ((kind_ == OUT_FILE || kind_ == OUT_CLIPBOARD) && separator_ == ',') std::fputc('"', out_);
}

void Report::next_field() {
    if (!(kind_ == OUT_FILE || kind_ == OUT_CLIPBOARD) || separator_ == 0) return;
    if (separator_ != '\t') std::fputc('"', out_);
    std::fputc(separator_, out_);
    if (separator_ != '\t') std::fputc('"', out_);
}

std::string Report::text() const {
    if (!text_ && !out_) return {};
    std::fflush(out_);
    return std::string(text_ ? text_ : "", text_size_);
}

void Report::abandon() {
    forget(this);
    file_.reset();
    if (!text_) out_ = nullptr;
}

Delivery Report::deliver() {
    if (!file_ || !out_) return Delivery::not_delivered;
    forget(this);
    out_ = nullptr;
    const bool list = kind_ == OUT_FILE;
    // A write that failed (a full disk) loses this report and nothing else.
    const int err = list ? file_->commit() : file_->finish();
    const std::string file = list ? file_->name() : file_->temporary();
    if (err != 0) {
        file_.reset();
        show_report_write_failure(file, err);
        return Delivery::failed;
    }
    hand_on_report(print_key_, kind_, file);
    file_.reset();  // the printer's or the clipboard's temporary file goes
    return Delivery::delivered;
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
