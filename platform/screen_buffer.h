// The cell grid behind both console backends: bytes and attributes, a cursor, and the
// write rules of a console screen buffer. Column arithmetic counts bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ScreenBuffer {
public:
    ScreenBuffer(int columns, int rows);

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    int cursor_row() const { return row_; }
    int cursor_col() const { return col_; }
    int color() const { return attribute_; }

    void set_cursor(int row, int col);
    void set_color(int attribute) { attribute_ = attribute & 0xFF; }
    // Returns the number of BEL characters met (the caller rings the bell).
    int write(std::string_view text);
    void fill(int row, int col, int count, char ch, int attribute);

    unsigned char byte_at(int row, int col) const { return cells_[index(row, col)]; }
    unsigned char attribute_at(int row, int col) const { return attrs_[index(row, col)]; }
    // The bytes of one row, trailing blanks kept.
    std::string row_text(int row) const;

    // Rows changed since the last call to take_dirty_rows (or all, after mark_all_dirty).
    std::vector<bool>& dirty_rows() { return dirty_; }
    void mark_all_dirty();
    // Counts how often the buffer scrolled, so a view can follow it.
    long scroll_count() const { return scrolls_; }
    // Counts the fills of the whole buffer from its first cell: cleared screens.
    long clear_count() const { return clears_; }
    // The lowest row holding anything but blanks in the cleared colour (0 when none).
    int last_used_row() const;

private:
    std::size_t index(int row, int col) const { return static_cast<std::size_t>(row) * columns_ + col; }
    void put(unsigned char byte);
    void new_line();
    void scroll_up();

    int columns_;
    int rows_;
    int row_ = 0;
    int col_ = 0;
    int attribute_ = 7;
    long scrolls_ = 0;
    long clears_ = 0;
    // The last byte written was the first of a double-byte character.
    bool trail_next_ = false;
    std::vector<unsigned char> cells_;
    std::vector<unsigned char> attrs_;
    std::vector<bool> dirty_;
};

}  // namespace platform
