#include "platform/edited_text.h"

#include <algorithm>
#include <cstdint>

#include "platform/cp932.h"

namespace platform {

namespace {

struct Line {
    std::string_view bytes;  // as stored, line end included
    std::string_view text;   // without its line end
    bool ended;              // "\n" followed
};

std::vector<Line> split_lines(std::string_view all) {
    std::vector<Line> lines;
    std::size_t at = 0;
    while (at < all.size()) {
        std::size_t lf = all.find('\n', at);
        std::size_t end = lf == std::string_view::npos ? all.size() : lf + 1;
        std::string_view text = all.substr(at, (lf == std::string_view::npos ? all.size() : lf) - at);
        // The copy was made with CR LF turned into LF; an editor may turn it back.
        while (lf != std::string_view::npos && !text.empty() && text.back() == '\r') text.remove_suffix(1);
        lines.push_back({all.substr(at, end - at), text, lf != std::string_view::npos});
        at = end;
    }
    return lines;
}

// Pairs of equal lines in order: match[i] is the original line of edited line i, or
// -1. The common beginning and end are paired first; the rest by the longest common
// subsequence when its table stays small (else left unpaired: converted).
std::vector<int> pair_lines(const std::vector<std::string>& a, const std::vector<std::string_view>& b) {
    constexpr std::size_t TABLE_LIMIT = 4'000'000;
    std::vector<int> match(b.size(), -1);
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head]) {
        match[head] = static_cast<int>(head);
        ++head;
    }
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) {
        match[b.size() - 1 - tail] = static_cast<int>(a.size() - 1 - tail);
        ++tail;
    }
    const std::size_t n = a.size() - head - tail, m = b.size() - head - tail;
    if (n == 0 || m == 0 || (n + 1) * (m + 1) > TABLE_LIMIT) return match;
    // len[i][j]: longest common run of a[head + i ..] and b[head + j ..].
    std::vector<std::uint32_t> len((n + 1) * (m + 1), 0);
    auto at = [&](std::size_t i, std::size_t j) -> std::uint32_t& { return len[i * (m + 1) + j]; };
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            at(i, j) = a[head + i] == b[head + j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
    for (std::size_t i = 0, j = 0; i < n && j < m;) {
        if (a[head + i] == b[head + j]) {
            match[head + j] = static_cast<int>(head + i);
            ++i, ++j;
        } else if (at(i + 1, j) >= at(i, j + 1)) {
            ++i;
        } else {
            ++j;
        }
    }
    return match;
}

bool has_replacement_character(std::string_view utf8) { return utf8.find("\xEF\xBF\xBD") != std::string_view::npos; }

}  // namespace

EditedText merge_edited_text(std::string_view original, std::string_view edited) {
    const std::vector<Line> old_lines = split_lines(original);
    const std::vector<Line> new_lines = split_lines(edited);
    std::vector<std::string> old_text;
    old_text.reserve(old_lines.size());
    for (const Line& l : old_lines) old_text.push_back(cp932_to_utf8(l.text));
    std::vector<std::string_view> new_text;
    new_text.reserve(new_lines.size());
    for (const Line& l : new_lines) new_text.push_back(l.text);
    const std::vector<int> match = pair_lines(old_text, new_text);

    EditedText out;
    out.cp932.reserve(original.size() + edited.size() / 4);
    for (std::size_t i = 0; i < new_lines.size(); ++i) {
        // A last line without its line end gets one when lines now follow it.
        if (!out.cp932.empty() && out.cp932.back() != '\n') out.cp932 += "\r\n";
        if (match[i] >= 0) {
            out.cp932 += old_lines[static_cast<std::size_t>(match[i])].bytes;
            continue;
        }
        bool complete = true;
        std::string text = utf8_to_cp932(new_lines[i].text, &complete);
        if (!complete || has_replacement_character(new_lines[i].text)) out.lossy_lines.push_back(static_cast<int>(i) + 1);
        out.cp932 += text;
        if (new_lines[i].ended) out.cp932 += "\r\n";
    }
    return out;
}

}  // namespace platform
