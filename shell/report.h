// One report from its open to its delivery, and the cells its rows are made of.
//
// A report gathers its data first (records, names, its order), then opens its output
// by constructing a Report, writes its rows and calls deliver(). A Report that goes
// out of scope undelivered (a return to the main menu, an exception, the program
// ending) closes its output and removes its temporary file; the list file keeps what
// it held before. Each Report owns its output: two can be open at once.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/whole_file.h"
#include "shell/output.h"

namespace korvel {

// The print-command option key of each report, spelled once.
namespace print_key {
inline constexpr const char STATION_CHECK[] = "PRINTCMD62";
inline constexpr const char ALL_STATIONS_CHECK[] = "PRINTCMD63";
inline constexpr const char NAMES_CHECK[] = "PRINTCMD64";
inline constexpr const char QUESTIONABLE_SPEED[] = "PRINTCMD65";
inline constexpr const char SAME_TIME[] = "PRINTCMD66";
inline constexpr const char STATION_CHECK_NAMES[] = "PRINTCMD67";
inline constexpr const char TIME_ORDER_CHECK[] = "PRINTCMD68";
inline constexpr const char GOAL_BULLETIN[] = "PRINTCMD70";
inline constexpr const char SECTION_AWARDS[] = "PRINTCMD71";
inline constexpr const char TEAM_AWARDS[] = "PRINTCMD72";
inline constexpr const char RESULTS[] = "PRINTCMD73";
inline constexpr const char RANK_TRANSITION[] = "PRINTCMD74";
inline constexpr const char SECTION_RANKING[] = "PRINTCMD75";
inline constexpr const char INTERMEDIATE[] = "PRINTCMD77";
inline constexpr const char SPEED_RANKING[] = "PRINTCMD78";
inline constexpr const char SPEED_TABLE[] = "PRINTCMD94";
inline constexpr const char TEAM_COUNTS[] = "PRINTCMD95";
inline constexpr const char RELATIVE_CHECK[] = "PRINTCMD97";
inline constexpr const char IMPORT_CONFLICTS[] = "PRINTCMD98";
inline constexpr const char JOURNAL[] = "PRINTCMD96";
}  // namespace print_key

// "*** <event title> <name> ***  <date and time>", the title text every report
// shares; a name that starts with a blank gives the two-blank form.
std::string report_title(const char* name);

// What deliver() did with the report.
enum class Delivery {
    delivered,      // handed to the printer, the clipboard or the list file's editor
    failed,         // not written whole (a full disk): the message was shown, that report is lost
    not_delivered,  // nothing to hand on: a report rendered into a string
};

class Report {
public:
    // Opens the output for the current destination: the list file (written whole, in
    // place of the old one or after it, as chosen), or a temporary file for the
    // printer or the clipboard.
    explicit Report(const char* print_key);
    // A report rendered into a string (tests, benchmarks), laid out for destination
    // kind with the given field separator. Nothing is delivered.
    struct ToText {
        int kind = OUT_FILE;
        char separator = 0;
    };
    explicit Report(ToText text);
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    FILE* out() const { return out_; }
    // The destination the report was opened for; it keeps it to the end.
    int kind() const { return kind_; }
    bool printer() const { return kind_ == OUT_PRINTER; }

    // "\n" + report_title(name) + "\n".
    void title(const char* name);
    void puts(const char* text);
    void puts(const std::string& text) { puts(text.c_str()); }
    void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // A form feed on the printer; nothing elsewhere.
    void new_page();
    // The quote and separator marks of delimited cells (file and clipboard only).
    void begin_field();
    void next_field();

    // The text written so far, for a report rendered into a string.
    std::string text() const;

    // Closes the output and hands it on with the print key.
    Delivery deliver();
    // Closes the output undelivered and removes its temporary file (the end of the
    // program); the list file keeps what it held.
    void abandon();

private:
    const char* print_key_ = nullptr;
    int kind_;
    char separator_;
    std::unique_ptr<platform::WholeFile> file_;  // the list file or the printer's temporary
    FILE* out_ = nullptr;
    char* text_ = nullptr;  // the string of a report rendered into one
    std::size_t text_size_ = 0;
};

// A cell of a report row: its text and how a text renderer lays it out. width 0 writes
// the text as it is; otherwise it is padded with blanks to width bytes (never cut).
struct Cell {
    enum Align { LEFT, RIGHT };
    std::string text;
    int width = 0;
    Align align = LEFT;
};
using Row = std::vector<Cell>;

inline Cell left(std::string text, int width) { return Cell{std::move(text), width, Cell::LEFT}; }
inline Cell right(std::string text, int width) { return Cell{std::move(text), width, Cell::RIGHT}; }
inline Cell plain(std::string text) { return Cell{std::move(text), 0, Cell::LEFT}; }

// The cell's text padded to its width.
std::string padded(const Cell& cell);

// The padded cells side by side, for reports that have no delimited form.
std::string text_line(const Row& row);

// Plain text with optional separators: begin_field at the start of the row, the
// padded cells with next_field between them, begin_field and the line end. Without a
// separator the marks write nothing and the row is the cells side by side.
void write_text_row(Report& report, const Row& row);

}  // namespace korvel
