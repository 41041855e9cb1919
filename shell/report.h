// One report from its open to its delivery, and the cells its rows are made of.
//
// A report gathers its data first (records, names, its order), then opens its output
// by constructing a Report, writes its rows and calls deliver(). A Report that goes
// out of scope undelivered (a return to the main menu, an exception, the program
// ending) closes its output and removes its temporary file; the list file keeps what
// was written before.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

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
}  // namespace print_key

// "*** <event title> <name> ***  <date and time>", the title text every report
// shares; a name that starts with a blank gives the two-blank form.
std::string report_title(const char* name);

class Report {
public:
    // Opens the output for the current destination (the report stream fpout).
    explicit Report(const char* print_key);
    // Writes into the report stream its caller already opened (open_fpout,
    // attach_fpout) and will deliver or close: nothing is opened or closed here.
    struct OpenOutput {};
    explicit Report(OpenOutput);
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    FILE* out() const;
    // The destination the report was opened for; it keeps it to the end.
    int kind() const { return kind_; }
    bool printer() const;

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

    // Closes the output and hands it on with the print key. false when the text could
    // not be written whole (a full disk): the message was shown, that report is lost,
    // nothing else is.
    bool deliver();

private:
    const char* print_key_;
    int kind_;
    bool open_ = false;  // owned and not yet delivered
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
