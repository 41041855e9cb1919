#include "html/html_text.h"

#include <cstdarg>
#include <cstdio>

#include "shell/options.h"
#include "shell/sjis.h"

namespace korvel {

namespace {
// The colour buffers of the pages hold 100 bytes.
constexpr std::size_t COLOR_MAX = 98;
}  // namespace

std::string html_escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        // A trail byte of a double-byte character is never one of the four marks, but
        // the pair moves together all the same.
        const std::size_t len = i + 1 < text.size() && is_sjis_lead(static_cast<unsigned char>(text[i])) ? 2 : 1;
        switch (text[i]) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out.append(text.substr(i, len)); break;
        }
        i += len;
    }
    return out;
}

std::string html_text(const Cell& cell) { return html_escape(cell.text); }

std::string without_leading_blanks(std::string_view text) {
    const std::size_t start = text.find_first_not_of(' ');
    return start == std::string_view::npos ? std::string() : std::string(text.substr(start));
}

const char* HtmlColors::of(int r) const { return r >= 1 && r <= 3 ? rank[r - 1].c_str() : nullptr; }

HtmlColors load_html_colors() {
    static const char* const keys[] = {"HTMLCOLOR1", "HTMLCOLOR2", "HTMLCOLOR3"};
    static const char* const defaults[] = {"FFD700", "C0C0C0", "CD853F"};
    HtmlColors colors;
    for (int i = 0; i < 3; ++i) {
        std::string value;
        if (!get_option(keys[i], value) || value.empty()) value = defaults[i];
        if (value.size() > COLOR_MAX) value.resize(COLOR_MAX);
        colors.rank[i] = "#" + value;
    }
    return colors;
}

std::string cell_opening(const HtmlColors& colors, int rank, bool nowrap, const char* attributes) {
    std::string out = "<td";
    if (nowrap) out += " nowrap";
    if (const char* colour = colors.of(rank)) {
        out += " bgcolor=\"";
        out += colour;
        out += "\"";
    }
    out += attributes;
    out += ">";
    return out;
}

std::string html_cell_text(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    if (end == std::string_view::npos) return "&nbsp;";
    std::string out = without_leading_blanks(text.substr(0, end + 1));
    for (std::size_t i = end + 1; i < text.size(); ++i) out += "&nbsp;";
    return out;
}

}  // namespace korvel
