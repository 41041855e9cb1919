#include "platform/screen_view.h"

#include <algorithm>

#include "platform/console.h"

namespace platform {

void ScreenView::resize(int height, const ScreenBuffer& buffer) {
    height_ = std::max(height, 1);
    paging_ = false;
    top_ = 0;
    follow(buffer);
}

void ScreenView::follow(const ScreenBuffer& buffer) {
    if (paging_) return;
    if (buffer.clear_count() != clears_seen_) {
        clears_seen_ = buffer.clear_count();
        top_ = 0;
    }
    top_ = view_top_for(buffer.cursor_row(), top_, height_, buffer.rows());
}

bool ScreenView::page(int key, const ScreenBuffer& buffer) {
    if (key != VK_PRIOR && key != VK_NEXT && key != VK_HOME && key != VK_END) return false;
    if (!paging_) {
        follow(buffer);
        top_before_paging_ = top_;
        paging_ = true;
    }
    int last = std::max(buffer.cursor_row(), buffer.last_used_row());
    int bottom = std::max(0, last - height_ + 1);
    if (key == VK_PRIOR) top_ = std::max(0, top_ - height_);
    else if (key == VK_NEXT) top_ = std::min(bottom, top_ + height_);
    else if (key == VK_HOME) top_ = 0;
    else top_ = bottom;
    return true;
}

void ScreenView::end_paging() {
    if (!paging_) return;
    paging_ = false;
    top_ = top_before_paging_;
}

int view_top_for(int cursor_row, int old_top, int rows, int buffer_rows) {
    int top = old_top;
    if (cursor_row < top) top = cursor_row;
    else if (cursor_row >= top + rows) top = cursor_row - rows + 1;
    return std::clamp(top, 0, std::max(0, buffer_rows - rows));
}

}  // namespace platform
