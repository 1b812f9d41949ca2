#include "target/window_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/sim/sim.h"

namespace {

// One window of a Z-order chain: what GetParent reports for it, its screen
// rectangle and whether it is visible.
struct Win {
    sys::Handle handle;
    sys::Handle parent;
    sys::Rect rect;
    bool visible;
};

// A chain of windows in Z order (GW_HWNDNEXT walks it front to back) and
// the window WindowFromPoint reports. The hit is given, not computed: the
// system may report a window that a sibling in front of it covers.
class ChainModel {
public:
    ChainModel(sys::Point cursor, sys::Handle hit, std::vector<Win> chain)
        : cursor_(cursor), hit_(hit), chain_(std::move(chain)) {}

    void install() {
        sim::sys.GetCursorPos = [this](sys::Point* p) {
            *p = cursor_;
            return 1;
        };
        sim::sys.WindowFromPoint = [this](sys::Point p) {
            EXPECT_EQ(p.x, cursor_.x);
            EXPECT_EQ(p.y, cursor_.y);
            return hit_;
        };
        sim::sys.GetWindowRect = [this](sys::Handle w, sys::Rect* r) -> sys::Bool {
            const Win* win = find(w);
            if (win == nullptr) return 0;
            *r = win->rect;
            return 1;
        };
        sim::sys.GetParent = [this](sys::Handle w) {
            const Win* win = find(w);
            return win ? win->parent : 0;
        };
        sim::sys.IsWindowVisible = [this](sys::Handle w) -> sys::Bool {
            const Win* win = find(w);
            return win && win->visible;
        };
        sim::sys.GetWindow = [this](sys::Handle w, std::uint32_t command) -> sys::Handle {
            ++getWindowCalls;
            EXPECT_EQ(command, sys::kGwHwndNext);
            for (std::size_t i = 0; i + 1 < chain_.size(); ++i)
                if (chain_[i].handle == w) return chain_[i + 1].handle;
            return 0;
        };
    }

    int getWindowCalls = 0;

private:
    const Win* find(sys::Handle w) const {
        for (const auto& win : chain_)
            if (win.handle == w) return &win;
        return nullptr;
    }

    sys::Point cursor_;
    sys::Handle hit_;
    std::vector<Win> chain_;
};

struct Layout {
    const char* name;
    sys::Point cursor;
    sys::Handle hit;
    std::vector<Win> chain;
    sys::Handle expected;
};

constexpr sys::Handle P = 0x900;  // the common parent
constexpr sys::Rect Big{0, 0, 400, 300};
constexpr sys::Rect Medium{50, 50, 250, 200};      // 200 x 150
constexpr sys::Rect MediumTall{50, 40, 200, 240};  // 150 x 200, same area
constexpr sys::Rect Small{90, 90, 130, 120};
constexpr sys::Rect Tiny{99, 99, 102, 102};
constexpr sys::Rect Elsewhere{500, 500, 510, 510};

class WindowUnderCursorTest : public ::testing::Test {
protected:
    void SetUp() override { sim::reset(); }
    void TearDown() override { sim::reset(); }
};

TEST_F(WindowUnderCursorTest, Layouts) {
    const sys::Point at{100, 100};
    const Layout layouts[] = {
        {"top-level window is returned without a walk",
         at,
         0x10,
         {{0x10, 0, Big, true}, {0x11, 0, Small, true}},
         0x10},
        {"child alone", at, 0x20, {{0x20, P, Small, true}}, 0x20},
        {"smaller later sibling wins",
         at,
         0x20,
         {{0x20, P, Big, true}, {0x21, P, Small, true}},
         0x21},
        {"smaller earlier sibling is not looked at",
         at,
         0x20,
         {{0x21, P, Small, true}, {0x20, P, Big, true}},
         0x20},
        {"equal area keeps the window met first",
         at,
         0x20,
         {{0x20, P, Big, true}, {0x21, P, Medium, true}, {0x22, P, MediumTall, true}},
         0x21},
        {"equal area with H keeps H",
         at,
         0x20,
         {{0x20, P, Medium, true}, {0x21, P, MediumTall, true}},
         0x20},
        {"invisible sibling skipped",
         at,
         0x20,
         {{0x20, P, Big, true}, {0x21, P, Small, false}},
         0x20},
        {"sibling of another parent skipped",
         at,
         0x20,
         {{0x20, P, Big, true}, {0x21, P + 1, Small, true}},
         0x20},
        {"sibling away from the pointer skipped",
         at,
         0x20,
         {{0x20, P, Big, true}, {0x21, P, Elsewhere, true}},
         0x20},
        {"H invisible is still returned",
         at,
         0x20,
         {{0x20, P, Small, false}, {0x21, P, Big, true}},
         0x20},
        {"walk runs on past the first candidate",
         at,
         0x20,
         {{0x20, P, Big, true}, {0x21, P, Medium, true}, {0x22, P, Small, true}},
         0x22},
        {"walk runs on past skipped windows to the end",
         at,
         0x20,
         {{0x20, P, Big, true},
          {0x21, P, Medium, true},
          {0x22, P, Tiny, false},
          {0x23, P + 1, Tiny, true},
          {0x24, P, Elsewhere, true},
          {0x25, P, Small, true}},
         0x25},
        {"later window is compared with the best so far, not with H",
         at,
         0x20,
         {{0x20, P, Big, true}, {0x21, P, Small, true}, {0x22, P, Medium, true}},
         0x21},
        {"left and top edges are inside",
         {90, 90},
         0x20,
         {{0x20, P, Big, true}, {0x21, P, Small, true}},
         0x21},
        {"right and bottom edges are outside",
         {130, 120},
         0x20,
         {{0x20, P, Big, true}, {0x21, P, Small, true}},
         0x20},
        // 70000 x 70000 wraps to 605,032,704, which 30000 x 30000 exceeds.
        {"areas wrap as 32-bit products: positive wrap",
         at,
         0x20,
         {{0x20, P, {0, 0, 70000, 70000}, true}, {0x21, P, {0, 0, 30000, 30000}, true}},
         0x20},
        // 50000 x 50000 wraps negative and so counts as the smallest.
        {"areas wrap as 32-bit products: negative wrap",
         at,
         0x20,
         {{0x20, P, Small, true}, {0x21, P, {0, 0, 50000, 50000}, true}},
         0x21},
    };
    for (const auto& layout : layouts) {
        sim::reset();
        ChainModel model(layout.cursor, layout.hit, layout.chain);
        model.install();
        EXPECT_EQ(windowUnderCursor(), layout.expected) << layout.name;
    }
}

TEST_F(WindowUnderCursorTest, NoWindowAtThePointGivesNull) {
    ChainModel model({5, 5}, 0, {{0x20, P, Big, true}});
    model.install();
    EXPECT_EQ(windowUnderCursor(), 0u);
    EXPECT_EQ(model.getWindowCalls, 0);
}

TEST_F(WindowUnderCursorTest, TopLevelHitDoesNotWalk) {
    ChainModel model({100, 100}, 0x10, {{0x10, 0, Big, true}, {0x11, 0, Small, true}});
    model.install();
    EXPECT_EQ(windowUnderCursor(), 0x10u);
    EXPECT_EQ(model.getWindowCalls, 0);
}

TEST_F(WindowUnderCursorTest, WalkAsksForEveryNextWindowUntilNull) {
    ChainModel model({100, 100}, 0x20,
                     {{0x20, P, Big, true}, {0x21, P, Small, true}, {0x22, P, Elsewhere, true}});
    model.install();
    EXPECT_EQ(windowUnderCursor(), 0x21u);
    EXPECT_EQ(model.getWindowCalls, 3);  // 0x21, 0x22, then the null that ends it
}

}  // namespace
