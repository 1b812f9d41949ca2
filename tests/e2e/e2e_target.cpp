// A window of our own for the end-to-end tests: a top-level window at a
// fixed place with children in a known layout (target_layout.h). It closes
// like any window and then exits with code 0.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "tests/e2e/target_layout.h"

namespace {

namespace L = target_layout;

// Distinct fills, so that a screenshot shows which panel lies on top.
COLORREF panelColour(int id) {
    switch (id) {
        case 1: return RGB(40, 160, 40);
        case 2: return RGB(70, 110, 200);
        default: return RGB(220, 160, 40);
    }
}

LRESULT CALLBACK panelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT rc;
        GetClientRect(window, &rc);
        HBRUSH brush = CreateSolidBrush(panelColour(GetDlgCtrlID(window)));
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        wchar_t text[64] = L"";
        GetWindowTextW(window, text, 64);
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, text, -1, &rc, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        EndPaint(window, &ps);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK mainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::wstring titleFromCommandLine() {
    int argc = 0;
    std::wstring title = L::kTitle;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::size_t prefix = std::wcslen(L::kTitleOption);
    for (int i = 1; argv && i < argc; ++i) {
        if (std::wcscmp(argv[i], L::kEmptyTitleOption) == 0) title.clear();
        if (std::wcsncmp(argv[i], L::kTitleOption, prefix) == 0) title = argv[i] + prefix;
    }
    LocalFree(argv);
    return title;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpfnWndProc = mainProc;
    wc.lpszClassName = L::kWindowClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = panelProc;
    wc.lpszClassName = L::kPanelClass;
    RegisterClassExW(&wc);

    HWND main = CreateWindowExW(0, L::kWindowClass, titleFromCommandLine().c_str(),
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, L::kLeft, L::kTop,
                                L::kWidth, L::kHeight, nullptr, nullptr, instance, nullptr);
    if (!main) return 1;
    for (const auto& c : L::kChildren) {
        HWND child = CreateWindowExW(
            0, c.cls, c.text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, c.x, c.y, c.width,
            c.height, main, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        // Each one under the ones before it, whatever order the system
        // gives new children.
        SetWindowPos(child, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ShowWindow(main, SW_SHOWNORMAL);
    UpdateWindow(main);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
