// The window layout of e2e_target.exe, shared by the target and the tests
// that pick, hide and read its windows.
#pragma once

namespace target_layout {

constexpr const wchar_t* kWindowClass = L"VennetE2ETarget";
constexpr const wchar_t* kPanelClass = L"VennetE2EPanel";
constexpr const wchar_t* kTitle = L"VennetE2ETarget";

// Outer place and size of the top-level window; clear of MainWindow, which
// sits centred on the 1024 x 768 desktop from row 245 down.
constexpr int kLeft = 40, kTop = 20, kWidth = 420, kHeight = 200;

struct Child {
    int id;
    const wchar_t* cls;
    const wchar_t* text;
    int x, y, width, height;  // client-relative
};

// In stacking order, topmost first. "above" and "below" both lie inside
// "big": one over it, one hidden under it.
constexpr Child kChildren[] = {
    {1, kPanelClass, L"above", 30, 30, 80, 40},
    {2, kPanelClass, L"big", 10, 10, 280, 120},
    {3, kPanelClass, L"below", 180, 30, 80, 40},
    {4, L"Button", L"target button", 300, 10, 100, 30},
    {5, L"Edit", L"target edit", 300, 50, 100, 24},
};
constexpr int kChildCount = sizeof kChildren / sizeof kChildren[0];

// Command line: "--empty-title" gives the window an empty caption,
// "--title=TEXT" another one.
constexpr const wchar_t* kEmptyTitleOption = L"--empty-title";
constexpr const wchar_t* kTitleOption = L"--title=";

}  // namespace target_layout
