#include "platform/screen_buffer.h"

#include <algorithm>

#include "platform/cp932.h"

namespace platform {

ScreenBuffer::ScreenBuffer(int columns, int rows)
    : columns_(std::max(columns, 1)),
      rows_(std::max(rows, 1)),
      cells_(static_cast<std::size_t>(columns_) * rows_, ' '),
      attrs_(static_cast<std::size_t>(columns_) * rows_, 7),
      dirty_(rows_, true) {}

void ScreenBuffer::set_cursor(int row, int col) {
    trail_next_ = false;
    row_ = std::clamp(row, 0, rows_ - 1);
    col_ = std::clamp(col, 0, columns_ - 1);
}

int ScreenBuffer::write(std::string_view text) {
    int bells = 0;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (trail_next_) {
            trail_next_ = false;
            put(byte);
            continue;
        }
        switch (byte) {
        case '\n': new_line(); break;
        case '\r': col_ = 0; break;
        case '\b': if (col_ > 0) --col_; break;
        case '\a': ++bells; break;
        case '\t': {
            // Counted first: a tab that reaches the last column wraps the cursor,
            // which must not restart the count on the next row.
            int blanks = std::min((col_ / 8 + 1) * 8, columns_) - col_;
            while (blanks-- > 0) put(' ');
            break;
        }
        default:
            if (is_cp932_lead(byte)) {
                trail_next_ = true;
                // A double-byte character never splits over two rows: one that does
                // not fit in the last column leaves it blank and starts the next row.
                if (col_ == columns_ - 1) put(' ');
            }
            put(byte);
            break;
        }
    }
    return bells;
}

void ScreenBuffer::put(unsigned char byte) {
    if (col_ >= columns_) new_line();
    cells_[index(row_, col_)] = byte;
    attrs_[index(row_, col_)] = static_cast<unsigned char>(attribute_);
    dirty_[row_] = true;
    if (++col_ >= columns_) new_line();
}

void ScreenBuffer::new_line() {
    col_ = 0;
    if (row_ + 1 >= rows_) scroll_up();
    else ++row_;
}

void ScreenBuffer::scroll_up() {
    std::size_t row_bytes = columns_;
    std::copy(cells_.begin() + row_bytes, cells_.end(), cells_.begin());
    std::copy(attrs_.begin() + row_bytes, attrs_.end(), attrs_.begin());
    std::fill(cells_.end() - row_bytes, cells_.end(), ' ');
    std::fill(attrs_.end() - row_bytes, attrs_.end(), static_cast<unsigned char>(attribute_));
    ++scrolls_;
    mark_all_dirty();
}

void ScreenBuffer::fill(int row, int col, int count, char ch, int attribute) {
    if (row < 0 || row >= rows_ || col < 0 || col >= columns_) return;
    std::size_t start = index(row, col);
    std::size_t end = std::min(cells_.size(), start + static_cast<std::size_t>(std::max(count, 0)));
    if (start == 0 && end == cells_.size()) ++clears_;
    for (std::size_t i = start; i < end; ++i) {
        cells_[i] = static_cast<unsigned char>(ch);
        attrs_[i] = static_cast<unsigned char>(attribute);
    }
    if (end > start) {
        for (std::size_t r = start / columns_; r <= (end - 1) / columns_; ++r) dirty_[r] = true;
    }
}

std::string ScreenBuffer::row_text(int row) const {
    if (row < 0 || row >= rows_) return {};
    auto begin = cells_.begin() + static_cast<std::ptrdiff_t>(index(row, 0));
    return std::string(begin, begin + columns_);
}

int ScreenBuffer::last_used_row() const {
    for (int r = rows_ - 1; r > 0; --r) {
        for (int c = 0; c < columns_; ++c) {
            if (cells_[index(r, c)] != ' ' || attrs_[index(r, c)] != 7) return r;
        }
    }
    return 0;
}

void ScreenBuffer::mark_all_dirty() { std::fill(dirty_.begin(), dirty_.end(), true); }

}  // namespace platform
