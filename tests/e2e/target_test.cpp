// The test target itself: the layout that the picking and hiding tests
// rely on, as the window system reports it.
#include "tests/e2e/driver.h"
#include "tests/e2e/target_layout.h"

namespace {

using namespace e2e;
namespace L = target_layout;

HWND waitForTarget(const Process& target) {
    HWND window = nullptr;
    EXPECT_TRUE(waitShown(target, L::kWindowClass, &window, 10000, "the target window"));
    return window;
}

TEST(TargetProgram, ChildrenAreLaidOutAndStackedAsDeclared) {
    Process target(targetExe());
    ASSERT_TRUE(target.started()) << "VENNET_TARGET_EXE: " << toUtf8(targetExe()) << ", error "
                                  << target.startError();
    HWND window = waitForTarget(target);
    ASSERT_NE(nullptr, window);
    const RECT rc = windowRect(window);
    EXPECT_EQ(L::kLeft, rc.left);
    EXPECT_EQ(L::kTop, rc.top);
    EXPECT_EQ(L::kWidth, rc.right - rc.left);
    EXPECT_EQ(L::kHeight, rc.bottom - rc.top);
    EXPECT_EQ(toCp936(L::kTitle), caption(window));

    const auto stack = children(window);
    ASSERT_EQ(static_cast<std::size_t>(L::kChildCount), stack.size());
    for (int i = 0; i < L::kChildCount; ++i) {
        const auto& want = L::kChildren[i];
        SCOPED_TRACE(toUtf8(want.text));
        HWND child = stack[i];
        EXPECT_EQ(want.id, GetDlgCtrlID(child)) << describe(child);
        EXPECT_TRUE(classIs(child, want.cls)) << describe(child);
        EXPECT_EQ(toCp936(want.text), windowText(child));
        const RECT place = placeInParent(child);
        EXPECT_EQ(want.x, place.left);
        EXPECT_EQ(want.y, place.top);
        EXPECT_EQ(want.width, place.right - place.left);
        EXPECT_EQ(want.height, place.bottom - place.top);
    }
    // On the screen: "above" covers "big", "big" covers "below".
    auto centreOf = [&](int index) {
        const auto& c = L::kChildren[index];
        return clientToScreen(window, c.x + c.width / 2, c.y + c.height / 2);
    };
    EXPECT_EQ(stack[0], WindowFromPoint(centreOf(0)));
    EXPECT_EQ(stack[1], WindowFromPoint(centreOf(2)));

    std::string error;
    EXPECT_FALSE(saveScreenshot("e2e_target", rc, &error).empty()) << error;
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(target.waitExit(10000, &code));
    EXPECT_EQ(0u, code);
}

TEST(TargetProgram, CaptionCanBeEmptyOrChosen) {
    struct Row {
        const wchar_t* arguments;
        const wchar_t* caption;
    };
    const Row rows[] = {
        {L::kEmptyTitleOption, L""},
        {L"--title=\"Target \x6D4B\x8BD5\"", L"Target \x6D4B\x8BD5"},  // a Chinese word in it
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(toUtf8(row.arguments));
        Process target(targetExe(), row.arguments);
        ASSERT_TRUE(target.started());
        HWND window = waitForTarget(target);
        ASSERT_NE(nullptr, window);
        EXPECT_TEXT_EQ(toCp936(row.caption), caption(window));
    }
}

}  // namespace
