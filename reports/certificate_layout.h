// The page of a certificate (賞状) in vertical writing, decided without drawing it:
// which column each text goes to, at what size, and how each run of characters is
// set. The texts come as data (one CertificateField per column or block of columns);
// certificate_pdf draws what this module decides. Every length is in PDF points.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// How a run of characters stands in its column.
enum class RunSetting {
    upright,        // each character upright in a cell of its own (digits of long numbers too)
    tate_chu_yoko,  // a number of up to three characters side by side in one cell (縦中横)
};

// A run of CP932 text. An upright run holds double-byte characters, one cell each
// (half-width letters, kana and the digits of long numbers made full width); a 縦中横
// run holds the half-width digits (and point) of one number.
struct TextRun {
    std::string text;
    RunSetting setting;
    int cells;  // cells it takes in the column
};

// The runs of one text: numbers of up to three characters (digits, a decimal point
// inside) become 縦中横, longer numbers full-width digits; everything else upright.
// Full-width digits in the text count as digits.
std::vector<TextRun> split_runs(std::string_view cp932);
int cell_count(const std::vector<TextRun>& runs);

// The look of one field: nominal size, where its column starts below the top of the
// text area (in ems of its own size) or that it ends at the bottom, the extra space
// between its cells (ems), the space before its column (ems), whether it runs on over
// several columns (the body) instead of shrinking, and whether it may share a column
// with another field of a series, one above the other (the runners of a team), when
// the page is too narrow for them side by side.
struct FieldStyle {
    double size;
    double indent = 0;
    bool bottom = false;
    double tracking = 0;
    double space_before = 0.6;
    bool wraps = false;
    bool stacks = false;
};

struct CertificateField {
    std::string text;  // CP932
    FieldStyle style;
};
// The fields of one certificate, from the right of the page to the left.
using Certificate = std::vector<CertificateField>;

// One cell-aligned piece of a column: the run and the top of its first cell.
struct PlacedRun {
    TextRun run;
    double y;
};
struct Column {
    double x;     // centre line
    double size;  // em: a cell is size high and size wide
    double pitch; // distance from one cell's top to the next's
    std::vector<PlacedRun> runs;
};

struct PageGeometry {
    double width = 595.276;   // A4 portrait
    double height = 841.89;
    double frame = 30;        // the frame's outer line from the paper's edge
    double margin = 72;       // the text area from the paper's edge
};

struct PageLayout {
    PageGeometry page;
    std::vector<Column> columns;  // right to left
};

// The size at which cells (with tracking ems between them) fill no more than length.
double fitted_size(int cells, double tracking, double nominal, double length);

// The columns of a certificate: every field at its size, shrunk until its text fits
// the length of its column, a wrapping field broken into columns of that length; when
// the columns are wider together than the text area, stacking fields go two to a
// column, and what is still too wide shrinks alike; room left over is shared out
// between the fields. Nothing leaves the text area.
PageLayout lay_out_certificate(const Certificate& certificate, const PageGeometry& page = {});

}  // namespace korvel
