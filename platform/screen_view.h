// What a terminal window of some height shows of the (taller) screen buffer: the rows
// from top() on. Both console backends keep one, so tests see what the user sees.
#pragma once

#include "platform/screen_buffer.h"

namespace platform {

class ScreenView {
public:
    explicit ScreenView(int height) : height_(height < 1 ? 1 : height) {}

    int top() const { return top_; }
    int height() const { return height_; }
    bool paging() const { return paging_; }
    // A new window height (a resized terminal): the view goes back to the cursor,
    // showing as much of the top as the height allows.
    void resize(int height, const ScreenBuffer& buffer);

    // Before each drawing: a screen cleared since the last call shows its first row
    // again; then the view moves only as far as needed to keep the cursor's row in
    // sight. While the user pages, the view stays where the paging put it.
    void follow(const ScreenBuffer& buffer);

    // PgUp, PgDn, Home and End page through the part of the buffer in use, as a
    // console's scroll bar does; true when key was one of them (and is used up).
    bool page(int key, const ScreenBuffer& buffer);
    // Any other key: the view returns to where it was before the paging.
    void end_paging();

private:
    int height_;
    int top_ = 0;
    int top_before_paging_ = 0;
    bool paging_ = false;
    long clears_seen_ = 0;
};

// The first buffer row shown on a terminal of height rows: it moves only as far as
// needed to keep the cursor's row in view.
int view_top_for(int cursor_row, int old_top, int rows, int buffer_rows);

}  // namespace platform
