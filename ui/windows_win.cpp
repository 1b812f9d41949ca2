// Building MainWindow and TrayWindow from their forms, and their window
// procedures: the controls, the keyboard rules, drawing, and raising the
// events bound to the handlers.
#include "app/bindings.h"
#include "app/forms.h"
#include "ui/services.h"
#include "ui/win32_ui.h"

namespace win32ui {

std::atomic<bool> ending{false};
bool building = false;
bool mainLoopStarted = false;

namespace {

WindowRecord records[2];
HWND controls[kControlCount];
HWND focusBeforeDeactivation;
HFONT editFont;
HFONT labelFont;
HBRUSH whiteBrush;
WNDPROC editProc;
HICON pictureIcon;
int loadedCount;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

bool eventsAllowed() { return !building && !ending; }

// Integer text input: printable characters other than digits and '-' are
// dropped; control characters and pasted text pass.
LRESULT CALLBACK integerEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR && wParam >= 32 && !(wParam >= L'0' && wParam <= L'9') && wParam != L'-')
        return 0;
    return CallWindowProcW(editProc, window, message, wParam, lParam);
}

bool isTabStop(HWND w) {
    return w && IsWindowVisible(w) && IsWindowEnabled(w) &&
           (GetWindowLongW(w, GWL_STYLE) & WS_TABSTOP);
}

// Among the shown, enabled tab stops, from the end of the list.
HWND lastTabStop() {
    for (int i = kControlCount - 1; i >= 0; --i)
        if (isTabStop(controls[i])) return controls[i];
    return nullptr;
}

void moveFocus(int step) {
    HWND focus = GetFocus();
    int at = -1;
    for (int i = 0; i < kControlCount; ++i)
        if (controls[i] == focus) at = i;
    for (int n = 1; n <= kControlCount; ++n) {
        const int i =
            ((at < 0 ? (step > 0 ? -1 : 0) : at) + step * n + kControlCount * 2) % kControlCount;
        if (isTabStop(controls[i])) {
            SetFocus(controls[i]);
            if (GetWindowLongW(controls[i], GWL_STYLE) & ES_AUTOHSCROLL)
                SendMessageW(controls[i], EM_SETSEL, 0, -1);
            return;
        }
    }
}

int keyMask(WPARAM wParam) {
    return ((wParam & MK_CONTROL) ? 1 : 0) | ((wParam & MK_SHIFT) ? 2 : 0) |
           (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

void windowGone(WindowName name) {
    WindowRecord& r = record(name);
    r.hwnd = nullptr;
    if (name == WindowName::MainWindow) {
        for (auto& c : controls) c = nullptr;
        focusBeforeDeactivation = nullptr;
    }
    if (--loadedCount == 0 && mainLoopStarted && !ending) PostQuitMessage(0);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == names::kTickTimerId && eventsAllowed() && bindings.tick) bindings.tick();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED &&
                reinterpret_cast<HWND>(lParam) == controls[static_cast<int>(ControlName::按钮1)] &&
                eventsAllowed() && bindings.testButtonClicked)
                bindings.testButtonClicked();
            return 0;
        case WM_CTLCOLOREDIT: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kRed);
            SetBkColor(dc, kWhite);
            return reinterpret_cast<LRESULT>(whiteBrush);
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(window, focus)) focusBeforeDeactivation = focus;
            } else {
                HWND target =
                    isTabStop(focusBeforeDeactivation) ? focusBeforeDeactivation : lastTabStop();
                if (target) SetFocus(target);
            }
            return 0;
        case WM_DESTROY:
            KillTimer(window, names::kTickTimerId);
            if (eventsAllowed() && bindings.mainWindowDestroying) bindings.mainWindowDestroying();
            return 0;
        case WM_NCDESTROY:
            windowGone(WindowName::MainWindow);
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK trayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Broadcast when the taskbar (and with it the notification area) starts
    // again, having lost every icon.
    static const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    if (message == taskbarCreated && taskbarCreated != 0) {
        restoreTrayIcon(window);
        return 0;
    }
    switch (message) {
        case names::kTrayCallbackMessage: {
            int code = 0;
            switch (LOWORD(lParam)) {
                case WM_LBUTTONUP:
                    code = 1;
                    break;
                case WM_LBUTTONDBLCLK:
                    code = 2;
                    break;
                case WM_RBUTTONUP:
                case WM_CONTEXTMENU:
                    code = 3;
                    break;
            }
            if (code && eventsAllowed() && bindings.trayEvent) bindings.trayEvent(code);
            return 0;
        }
        case WM_COMMAND: {
            const int item = LOWORD(wParam) - names::menuCommandId(MenuItemName::主界面);
            if (HIWORD(wParam) == 0 && item >= 0 && item < kMenuItemCount && eventsAllowed() &&
                bindings.menuSelected[item])
                bindings.menuSelected[item]();
            return 0;
        }
        case WM_DESTROY:
            deleteTrayIcon(window);
            return 0;
        case WM_NCDESTROY:
            windowGone(WindowName::TrayWindow);
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Both self-drawn controls paint the button face first, then what they show.
template <typename Draw>
void paintOnButtonFace(HWND window, Draw draw) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT rc;
    GetClientRect(window, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    draw(dc, rc);
    EndPaint(window, &ps);
}

void drawLabelText(HWND window, HDC dc, RECT& rc) {
    HGDIOBJ old = SelectObject(dc, labelFont ? labelFont : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, kRed);
    SetBkMode(dc, TRANSPARENT);
    const int n = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    GetWindowTextW(window, &text[0], n + 1);
    DrawTextW(dc, text.c_str(), n, &rc, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, old);
}

LRESULT CALLBACK labelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            paintOnButtonFace(window,
                              [window](HDC dc, RECT& rc) { drawLabelText(window, dc, rc); });
            return 0;
        case WM_SETTEXT: {
            const LRESULT r = DefWindowProcW(window, message, wParam, lParam);
            InvalidateRect(window, nullptr, FALSE);
            return r;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK pictureBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            // At its natural size from the top-left corner; an empty picture
            // leaves the button face.
            paintOnButtonFace(window, [](HDC dc, RECT&) {
                if (pictureIcon) DrawIconEx(dc, 0, 0, pictureIcon, 0, 0, 0, nullptr, DI_NORMAL);
            });
            return 0;
        case WM_LBUTTONDOWN:
            if (eventsAllowed() && bindings.pictureDown)
                bindings.pictureDown(LOWORD(lParam), HIWORD(lParam), keyMask(wParam));
            return 0;
        case WM_LBUTTONUP:
            if (eventsAllowed() && bindings.pictureUp)
                bindings.pictureUp(LOWORD(lParam), HIWORD(lParam), keyMask(wParam));
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HICON programIcon(int size) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"DEFAULT_ICON", IMAGE_ICON,
                                         size, size, LR_DEFAULTCOLOR));
}

void registerClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = programIcon(GetSystemMetrics(SM_CXICON));
    wc.hIconSm = programIcon(GetSystemMetrics(SM_CXSMICON));

    wc.lpfnWndProc = mainWindowProc;
    wc.lpszClassName = names::kMainWindowClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = trayWindowProc;
    wc.lpszClassName = names::kTrayWindowClass;
    RegisterClassExW(&wc);
    wc.hIcon = nullptr;
    wc.hIconSm = nullptr;
    wc.lpfnWndProc = labelProc;
    wc.lpszClassName = names::kLabelClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = pictureBoxProc;
    wc.lpszClassName = names::kPictureBoxClass;
    RegisterClassExW(&wc);

    editFont = CreateFontW(-29, 0, 0, 0, 400, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                           PROOF_QUALITY, 0, nullptr);
    labelFont =
        CreateFontW(-20, 0, 0, 0, 700, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, nullptr);
    whiteBrush = CreateSolidBrush(kWhite);
}

HWND createControl(HWND parent, const ControlForm& f) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::wstring text = f.text ? wide(f.text) : std::wstring();
    const DWORD common = WS_CHILD | WS_CLIPSIBLINGS | (f.tabStop ? WS_TABSTOP : 0);
    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(names::controlId(f.name)));
    HWND w = nullptr;
    switch (f.kind) {
        case ControlKind::Edit: {
            // The password box is multi-line: the platform's multi-line edit
            // does not mask, so it shows its text in clear and takes Enter.
            const DWORD lines = f.name == ControlName::编辑框1
                                    ? ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN
                                    : ES_AUTOHSCROLL;
            w = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", text.c_str(), common | ES_LEFT | lines,
                                f.x, f.y, f.width, f.height, parent, id, instance, nullptr);
            SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(editFont), FALSE);
            SendMessageW(w, EM_SETSEL, 0, 0);
            if (f.name == ControlName::编辑框2)
                editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
                    w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(integerEditProc)));
            break;
        }
        case ControlKind::Label:
            w = CreateWindowExW(0, names::kLabelClass, text.c_str(), common, f.x, f.y, f.width,
                                f.height, parent, id, instance, nullptr);
            break;
        case ControlKind::Button:
            w = CreateWindowExW(0, L"BUTTON", text.c_str(),
                                common | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE, f.x,
                                f.y, f.width, f.height, parent, id, instance, nullptr);
            SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                         FALSE);
            break;
        case ControlKind::PictureBox:
            w = CreateWindowExW(0, names::kPictureBoxClass, L"", common, f.x, f.y, f.width,
                                f.height, parent, id, instance, nullptr);
            break;
        case ControlKind::Timer:         // a period on MainWindow's own timer
        case ControlKind::CommonDialog:  // has no behaviour, so nothing is built
            break;
    }
    return w;
}

HWND buildMainWindow() {
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    const Place p = centredPlace(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                 kMainWindowWidth, kMainWindowHeight);
    HWND w =
        CreateWindowExW(0, names::kMainWindowClass, L"", style, p.left, p.top, kMainWindowWidth,
                        kMainWindowHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!w) return nullptr;
    RECT rc;
    GetWindowRect(w, &rc);
    if (rc.right - rc.left != kMainWindowWidth || rc.bottom - rc.top != kMainWindowHeight)
        SetWindowPos(w, nullptr, 0, 0, kMainWindowWidth, kMainWindowHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    record(WindowName::MainWindow).hwnd = w;
    for (int i = 0; i < kControlCount; ++i) {
        controls[i] = createControl(w, kMainWindowControls[i]);
        // Each one below the ones before it: the first in the list is on top.
        if (controls[i])
            SetWindowPos(controls[i], HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ui::setPicture(ControlName::图片框1, ui::picture(ui::Picture::PickerPicture));
    for (int i = 0; i < kControlCount; ++i)
        if (controls[i] && kMainWindowControls[i].shown) ShowWindow(controls[i], SW_SHOWNA);
    return w;
}

}  // namespace

WindowRecord& record(WindowName window) { return records[static_cast<int>(window)]; }

HWND controlWindow(ControlName control) { return controls[static_cast<int>(control)]; }

HWND buildWindow(WindowName window) {
    registerClasses();
    building = true;
    HWND w;
    if (window == WindowName::MainWindow) {
        w = buildMainWindow();
    } else {
        w = CreateWindowExW(WS_EX_TOOLWINDOW, names::kTrayWindowClass, L"", WS_POPUP, 0, 0, 0, 0,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        record(window).hwnd = w;
    }
    building = false;
    if (w) ++loadedCount;
    return w;
}

bool preTranslate(MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    HWND main = record(WindowName::MainWindow).hwnd;
    if (!main || (msg.hwnd != main && !IsChild(main, msg.hwnd))) return false;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    switch (msg.wParam) {
        case VK_ESCAPE:
            if (ctrl || shift || alt) return false;
            PostMessageW(main, WM_CLOSE, 0, 0);
            return true;
        case VK_TAB:
            if (ctrl || alt) return false;
            moveFocus(shift ? -1 : 1);
            return true;
        case VK_RETURN:
            // Only the password box takes Enter (a line break); elsewhere
            // it does nothing.
            return msg.hwnd != controlWindow(ControlName::编辑框1);
    }
    return false;
}

void setPictureIcon(HICON icon) {
    if (pictureIcon) DestroyIcon(pictureIcon);
    pictureIcon = icon;
    if (HWND box = controlWindow(ControlName::图片框1)) {
        InvalidateRect(box, nullptr, TRUE);
    }
}

}  // namespace win32ui
