#include "target/window_search.h"

#include <cstdint>

namespace {

// (bottom - top) * (right - left) in signed 32-bit arithmetic. Computed wide
// and wrapped back, so that huge rectangles compare as the 32-bit product
// would instead of being undefined.
std::int32_t area(const sys::Rect& r) {
    const std::int64_t height = static_cast<std::int64_t>(r.bottom) - r.top;
    const std::int64_t width = static_cast<std::int64_t>(r.right) - r.left;
    const auto wrap = [](std::int64_t v) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    };
    // Each difference wraps to 32 bits before the product, as it would on
    // the target; the product wraps again.
    const std::int64_t product = static_cast<std::int64_t>(wrap(height)) * wrap(width);
    return wrap(product);
}

}  // namespace

sys::Handle windowUnderCursor() {
    sys::Point p{0, 0};
    sys::GetCursorPos(&p);
    const sys::Handle h = sys::WindowFromPoint(p);
    if (h == 0) return 0;

    sys::Handle best = h;
    sys::Rect bestRect{0, 0, 0, 0};
    sys::GetWindowRect(h, &bestRect);
    const sys::Handle parent = sys::GetParent(h);
    if (parent == 0) return h;

    // Only windows after H in the Z order are looked at, and all of them.
    for (sys::Handle c = sys::GetWindow(h, sys::kGwHwndNext); c != 0;
         c = sys::GetWindow(c, sys::kGwHwndNext)) {
        sys::Rect rect{0, 0, 0, 0};
        sys::GetWindowRect(c, &rect);
        if (!sys::PtInRect(&rect, p)) continue;
        if (sys::GetParent(c) != parent) continue;
        if (!sys::IsWindowVisible(c)) continue;
        // Strictly smaller: on a tie the window met first stays.
        if (area(rect) < area(bestRect)) {
            best = c;
            sys::GetWindowRect(c, &bestRect);
        }
    }
    return best;
}
