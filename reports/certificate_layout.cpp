#include "reports/certificate_layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/cp932.h"
#include "shell/sjis.h"

namespace korvel {

namespace {

// A body longer than this many columns is set smaller instead.
constexpr int MAX_WRAPPED_COLUMNS = 4;
// The space between the columns of one wrapping field, in ems.
constexpr double WRAPPED_COLUMN_GAP = 0.25;
constexpr int MAX_TATE_CHU_YOKO = 3;
constexpr unsigned FULL_WIDTH_ZERO = 0x824F;  // ０ .. ９ follow it
constexpr unsigned FULL_WIDTH_POINT = 0x8144;  // ．

unsigned code_at(std::string_view s, std::size_t i, std::size_t& length) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    if (platform::is_cp932_lead(b) && i + 1 < s.size()) {
        length = 2;
        return b * 256u + static_cast<unsigned char>(s[i + 1]);
    }
    length = 1;
    return b;
}

int digit_of(unsigned code) {
    if (code >= '0' && code <= '9') return static_cast<int>(code - '0');
    if (code >= FULL_WIDTH_ZERO && code <= FULL_WIDTH_ZERO + 9) return static_cast<int>(code - FULL_WIDTH_ZERO);
    return -1;
}
bool is_point(unsigned code) { return code == '.' || code == FULL_WIDTH_POINT; }

void append_code(std::string& out, unsigned code) {
    if (code > 0xFF) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

void add_upright(std::vector<TextRun>& runs, const std::string& text) {
    if (runs.empty() || runs.back().setting != RunSetting::upright) runs.push_back({"", RunSetting::upright, 0});
    runs.back().text += text;
    ++runs.back().cells;
}

// The cells of a text, one run each.
std::vector<TextRun> cells_of(const std::string& cp932) {
    std::vector<TextRun> cells;
    for (const TextRun& run : split_runs(cp932)) {
        if (run.setting == RunSetting::tate_chu_yoko) {
            cells.push_back(run);
            continue;
        }
        for (std::size_t i = 0, n = 0; i < run.text.size(); i += n) {
            code_at(run.text, i, n);
            cells.push_back({run.text.substr(i, n), RunSetting::upright, 1});
        }
    }
    return cells;
}

// Characters that never begin a column: a break before one moves back a cell.
bool never_starts_column(const TextRun& cell) {
    static const char* const closing[] = {"、", "。", "，", "．", "）", "」", "』", "ー", "っ", "ゃ", "ゅ", "ょ"};
    if (cell.setting != RunSetting::upright) return false;
    for (const char* c : closing)
        if (cell.text == c) return true;
    return false;
}

// Columns of even cells each, the last taking what is left once it fits in full.
std::vector<std::vector<TextRun>> break_into_columns(const std::vector<TextRun>& cells, int even, int full) {
    std::vector<std::vector<TextRun>> columns;
    const std::size_t n = cells.size();
    std::size_t from = 0;
    while (from < n) {
        std::size_t end = n - from <= static_cast<std::size_t>(full) ? n : std::min(n, from + static_cast<std::size_t>(even));
        if (end < n && end - from > 1 && never_starts_column(cells[end])) --end;
        columns.emplace_back(cells.begin() + static_cast<std::ptrdiff_t>(from), cells.begin() + static_cast<std::ptrdiff_t>(end));
        from = end;
    }
    if (columns.empty()) columns.emplace_back();
    return columns;
}

int cells_per_column(double size, double tracking, double length) {
    return static_cast<int>(std::floor((length + tracking * size) / (size * (1 + tracking)) + 1e-9));
}

// A column before the last shrink and the placing of its cells; a stacked column has
// a second text below the first, each in a tier of the given length.
struct Draft {
    const FieldStyle* style;
    double size;
    std::vector<TextRun> cells;
    bool first_of_field;
    std::vector<TextRun> lower = {};
    double tier = 0;
};

std::vector<Draft> draft_columns(const Certificate& certificate, double length) {
    std::vector<Draft> drafts;
    for (const CertificateField& field : certificate) {
        const FieldStyle& st = field.style;
        const std::vector<TextRun> cells = cells_of(field.text);
        const double room = std::max(length / 4, length - st.indent * st.size);
        if (!st.wraps) {
            drafts.push_back({&st, fitted_size(static_cast<int>(cells.size()), st.tracking, st.size, room), cells, true});
            continue;
        }
        double size = st.size;
        while (static_cast<double>(cells.size()) > MAX_WRAPPED_COLUMNS * cells_per_column(size, st.tracking, room))
            size *= 0.95;
        // Columns of even length: a body never ends in a column of one or two characters.
        const int full = std::max(1, cells_per_column(size, st.tracking, room));
        const int count = (static_cast<int>(cells.size()) + full - 1) / full;
        const int even = count > 0 ? (static_cast<int>(cells.size()) + count - 1) / count : full;
        bool first = true;
        for (auto& column : break_into_columns(cells, even, full)) {
            drafts.push_back({&st, size, std::move(column), first});
            first = false;
        }
    }
    return drafts;
}

// Each column one em wide, with its space before it (none before the first).
double width_of(const std::vector<Draft>& drafts) {
    double width = 0;
    for (std::size_t i = 0; i < drafts.size(); ++i) {
        const Draft& d = drafts[i];
        width += d.size;
        if (i > 0) width += (d.first_of_field ? d.style->space_before : WRAPPED_COLUMN_GAP) * d.size;
    }
    return width;
}

// The first series of stacking fields, set two to a column: the first half above,
// the second half below, so that a team of many sections keeps its size.
void stack_in_tiers(std::vector<Draft>& drafts, double length) {
    auto from = std::find_if(drafts.begin(), drafts.end(), [](const Draft& d) { return d.style->stacks; });
    auto to = std::find_if(from, drafts.end(), [](const Draft& d) { return !d.style->stacks; });
    const std::ptrdiff_t n = to - from, upper = (n + 1) / 2;
    if (n < 2) return;
    for (std::ptrdiff_t i = 0; i < upper; ++i) {
        Draft& d = from[i];
        const FieldStyle& st = *d.style;
        d.tier = (std::max(length / 4, length - st.indent * st.size) - st.size) / 2;
        d.size = fitted_size(static_cast<int>(d.cells.size()), st.tracking, st.size, d.tier);
        if (i + upper < n) {
            d.lower = from[i + upper].cells;
            d.size = std::min(d.size, fitted_size(static_cast<int>(d.lower.size()), st.tracking, st.size, d.tier));
        }
    }
    drafts.erase(from + upper, to);
}

void place_cells(Column& column, const std::vector<TextRun>& cells, double y) {
    for (const TextRun& cell : cells) {
        column.runs.push_back({cell, y});
        y += column.pitch;
    }
}

}  // namespace

std::vector<TextRun> split_runs(std::string_view text) {
    // Half-width letters and kana would lie narrow in a vertical line: full width.
    std::string s(2 * text.size() + 1, '\0');
    to_full_width(std::string(text).c_str(), s.data(), s.size());
    s.resize(std::strlen(s.c_str()));
    std::vector<TextRun> runs;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t n;
        const unsigned code = code_at(s, i, n);
        if (digit_of(code) < 0) {
            add_upright(runs, s.substr(i, n));
            i += n;
            continue;
        }
        // A number: its digits, and one point with a digit after it.
        std::string number;
        bool had_point = false;
        while (i < s.size()) {
            const unsigned c = code_at(s, i, n);
            if (digit_of(c) >= 0) {
                number += static_cast<char>('0' + digit_of(c));
            } else if (is_point(c) && !had_point && i + n < s.size()) {
                std::size_t m;
                if (digit_of(code_at(s, i + n, m)) < 0) break;
                number += '.';
                had_point = true;
            } else {
                break;
            }
            i += n;
        }
        if (static_cast<int>(number.size()) <= MAX_TATE_CHU_YOKO) {
            runs.push_back({number, RunSetting::tate_chu_yoko, 1});
        } else {
            for (char c : number) {
                std::string wide;
                append_code(wide, c == '.' ? FULL_WIDTH_POINT : FULL_WIDTH_ZERO + static_cast<unsigned>(c - '0'));
                add_upright(runs, wide);
            }
        }
    }
    return runs;
}

int cell_count(const std::vector<TextRun>& runs) {
    int cells = 0;
    for (const TextRun& r : runs) cells += r.cells;
    return cells;
}

double fitted_size(int cells, double tracking, double nominal, double length) {
    if (cells <= 0) return nominal;
    const double ems = cells + tracking * (cells - 1);
    return std::min(nominal, length / ems);
}

PageLayout lay_out_certificate(const Certificate& certificate, const PageGeometry& page) {
    const double top = page.margin, bottom = page.height - page.margin;
    const double length = bottom - top, area = page.width - 2 * page.margin;
    std::vector<Draft> drafts = draft_columns(certificate, length);
    if (width_of(drafts) > area) stack_in_tiers(drafts, length);
    const double width = width_of(drafts);
    const double shrink = width > area ? area / width : 1.0;
    // Room left over goes between the fields; a body's columns stay close together.
    int gaps = 0;
    for (std::size_t i = 1; i < drafts.size(); ++i) gaps += drafts[i].first_of_field ? 1 : 0;
    const double spare = width > area || gaps == 0 ? 0 : (area - width) / gaps;

    PageLayout layout{page, {}};
    double right = page.width - page.margin;
    for (std::size_t i = 0; i < drafts.size(); ++i) {
        const Draft& d = drafts[i];
        const FieldStyle& st = *d.style;
        const double size = d.size * shrink;
        if (i > 0) right -= d.first_of_field ? st.space_before * size + spare : WRAPPED_COLUMN_GAP * size;
        Column column{right - size / 2, size, size * (1 + st.tracking), {}};
        const double ems = d.cells.empty() ? 0 : size + column.pitch * static_cast<double>(d.cells.size() - 1);
        const double start = st.bottom ? bottom - ems : top + st.indent * st.size * shrink;
        place_cells(column, d.cells, start);
        // The lower tier begins an em below the upper one's room.
        place_cells(column, d.lower, start + (d.tier + st.size) * shrink);
        layout.columns.push_back(std::move(column));
        right -= size;
    }
    return layout;
}

}  // namespace korvel
