#include "tests/e2e/driver.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cstdint>

namespace e2e {

namespace {

std::wstring environment(const wchar_t* name) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return std::wstring();
    std::wstring value(n, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, &value[0], n);
    value.resize(got);
    return value;
}

std::string hex(const void* data, std::size_t size) {
    static const char digits[] = "0123456789abcdef";
    const auto* p = static_cast<const unsigned char*>(data);
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        if (i) out += ' ';
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buffer[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    return buffer;
}

INPUT keyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    switch (vk) {
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
        case VK_PRIOR: case VK_NEXT: case VK_INSERT: case VK_DELETE:
            in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
            break;
    }
    return in;
}

void send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

INPUT mouseInput(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    return in;
}

// Unix directory of VENNET_SHOTS as a Windows path: Wine maps Z: to "/".
std::wstring shotsDirectory() {
    std::wstring dir = environment(L"VENNET_SHOTS");
    if (dir.empty()) return dir;
    if (dir[0] == L'/') {
        for (auto& c : dir)
            if (c == L'/') c = L'\\';
        dir = L"Z:" + dir;
    }
    return dir;
}

}  // namespace

// ---- environment --------------------------------------------------------

std::wstring vennetExe() { return environment(L"VENNET_EXE"); }
std::wstring targetExe() { return environment(L"VENNET_TARGET_EXE"); }

double nowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// ---- processes ----------------------------------------------------------

Process::Process(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    // Right after a process of the prefix was terminated, Wine now and then
    // refuses a start with an internal error; a missing file stays missing.
    for (int attempt = 0; attempt < 5; ++attempt) {
        startedAt_ = nowMs();
        if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &si, &info_)) {
            startError_ = 0;
            return;
        }
        startError_ = GetLastError();
        info_ = PROCESS_INFORMATION{};
        if (startError_ == ERROR_FILE_NOT_FOUND || startError_ == ERROR_PATH_NOT_FOUND) return;
        Sleep(300);
    }
}

Process::~Process() {
    terminate();
    if (info_.hThread) CloseHandle(info_.hThread);
    if (info_.hProcess) CloseHandle(info_.hProcess);
}

bool Process::alive() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Process::waitExit(DWORD timeoutMs, DWORD* exitCode) const {
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    if (exitCode) *exitCode = code;
    return true;
}

void Process::terminate() {
    if (!alive()) return;
    TerminateProcess(info_.hProcess, 0xE2E);
    WaitForSingleObject(info_.hProcess, 5000);
}

std::vector<HWND> Process::windows(const wchar_t* cls) const {
    return started() ? topLevelWindows(pid(), cls) : std::vector<HWND>();
}

HWND Process::window(const wchar_t* cls) const {
    const auto found = windows(cls);
    return found.empty() ? nullptr : found.front();
}

// ---- waiting ------------------------------------------------------------

::testing::AssertionResult waitUntil(const std::function<bool()>& done, int timeoutMs,
                                     const std::string& what,
                                     const std::function<std::string()>& seen) {
    const double start = nowMs();
    for (;;) {
        if (done()) return ::testing::AssertionSuccess();
        if (nowMs() - start > timeoutMs) break;
        pause(10);
    }
    auto failure = ::testing::AssertionFailure()
                   << "waited " << timeoutMs << " ms for " << what << " in vain";
    if (seen) failure << "; last seen: " << seen();
    return failure;
}

void pause(int ms) {
    // Our own queue is pumped too, in case the driver ever owns a window.
    const double until = nowMs() + ms;
    while (nowMs() < until) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(1);
    }
}

// ---- windows ------------------------------------------------------------

namespace {
struct Search {
    DWORD pid;
    const wchar_t* cls;
    std::vector<HWND> found;
};

BOOL CALLBACK collectTopLevel(HWND window, LPARAM param) {
    auto& s = *reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == s.pid && (!s.cls || classIs(window, s.cls))) s.found.push_back(window);
    return TRUE;
}
}  // namespace

std::vector<HWND> topLevelWindows(DWORD pid, const wchar_t* cls) {
    Search s{pid, cls, {}};
    EnumWindows(collectTopLevel, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::vector<HWND> children(HWND parent) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(parent, GW_CHILD); c && out.size() < 1000; c = GetWindow(c, GW_HWNDNEXT))
        out.push_back(c);
    return out;
}

HWND childById(HWND parent, int id) {
    for (HWND c : children(parent))
        if (GetDlgCtrlID(c) == id) return c;
    return nullptr;
}

std::wstring className(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

bool classIs(HWND window, const wchar_t* cls) {
    return lstrcmpiW(className(window).c_str(), cls) == 0;
}

RECT windowRect(HWND window) {
    RECT rc{};
    GetWindowRect(window, &rc);
    return rc;
}

RECT placeInParent(HWND child) {
    RECT rc = windowRect(child);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

DWORD threadOf(HWND window) { return GetWindowThreadProcessId(window, nullptr); }

HWND focusOf(DWORD threadId) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

HWND activeOf(DWORD threadId) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId, &info) ? info.hwndActive : nullptr;
}

std::string describe(HWND window) {
    if (!window) return "(no window)";
    if (!IsWindow(window)) return format("%p (destroyed)", static_cast<void*>(window));
    const RECT rc = windowRect(window);
    return format("%p class=%s id=%d text=", static_cast<void*>(window),
                  toUtf8(className(window)).c_str(), GetDlgCtrlID(window)) +
           // A control's text needs its thread; a caption does not.
           show((GetWindowLongW(window, GWL_STYLE) & WS_CHILD) ? windowText(window)
                                                                : caption(window)) +
           format(" rect=(%ld,%ld)-(%ld,%ld) visible=%d enabled=%d style=%08lx", rc.left, rc.top,
                  rc.right, rc.bottom, IsWindowVisible(window) ? 1 : 0,
                  IsWindowEnabled(window) ? 1 : 0,
                  static_cast<unsigned long>(GetWindowLongW(window, GWL_STYLE)));
}

// ---- texts --------------------------------------------------------------

std::string toCp936(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                      0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                            nullptr, nullptr);
    return out;
}

std::wstring fromCp936(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n =
        MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                            nullptr, nullptr);
    return out;
}

std::string show(const std::string& cp936) {
    std::string readable;
    for (wchar_t c : fromCp936(cp936)) {
        if (c == L'\r') readable += "\\r";
        else if (c == L'\n') readable += "\\n";
        else if (c < 32) readable += format("\\x%02x", static_cast<unsigned>(c));
        else readable += toUtf8(std::wstring(1, c));
    }
    return "\"" + readable + "\" [" + hex(cp936.data(), cp936.size()) + "]";
}

std::string windowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 3000, &length))
        return caption(window);
    std::vector<wchar_t> buffer(length + 2, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                             reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG, 3000,
                             &copied))
        return caption(window);
    return toCp936(std::wstring(buffer.data(), std::min<std::size_t>(copied, length + 1)));
}

std::string caption(HWND window) {
    wchar_t buffer[1024] = L"";
    const int n = GetWindowTextW(window, buffer, 1024);
    return toCp936(std::wstring(buffer, n > 0 ? n : 0));
}

::testing::AssertionResult textsEqual(const char* expectedExpr, const char* actualExpr,
                                      const std::string& expected, const std::string& actual) {
    if (expected == actual) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actualExpr << " is " << show(actual) << "\n"
                                         << "expected " << expectedExpr << " = "
                                         << show(expected);
}

// ---- input --------------------------------------------------------------

void keyDown(WORD vk) { send({keyInput(vk, false)}); }
void keyUp(WORD vk) { send({keyInput(vk, true)}); }

void pressKey(WORD vk, std::initializer_list<WORD> modifiers) {
    std::vector<INPUT> inputs;
    for (WORD m : modifiers) inputs.push_back(keyInput(m, false));
    inputs.push_back(keyInput(vk, false));
    inputs.push_back(keyInput(vk, true));
    for (auto m = modifiers.end(); m != modifiers.begin();) inputs.push_back(keyInput(*--m, true));
    send(inputs);
}

void typeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wScan = c;
        down.ki.dwFlags = KEYEVENTF_UNICODE;
        INPUT up = down;
        up.ki.dwFlags |= KEYEVENTF_KEYUP;
        send({down, up});
    }
}

namespace {
INPUT absoluteMouse(int x, int y, DWORD flags) {
    // Absolute input spans the primary screen as 0..65535 and is mapped back
    // as n * size / 65536, rounded down: rounding up here lands on the pixel.
    const long long w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT in = mouseInput(flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE);
    in.mi.dx = static_cast<LONG>((x * 65536LL + w - 1) / w);
    in.mi.dy = static_cast<LONG>((y * 65536LL + h - 1) / h);
    return in;
}

bool cursorAt(int x, int y) {
    POINT p{};
    return GetCursorPos(&p) && p.x == x && p.y == y;
}
}  // namespace

bool mouseMove(int x, int y) {
    // Under Wine a move can take effect only with the next input event, so
    // it is sent again until the pointer is seen where it should be.
    const double start = nowMs();
    while (nowMs() - start < 3000) {
        send({absoluteMouse(x, y, 0)});
        for (int i = 0; i < 10; ++i) {
            if (cursorAt(x, y)) return true;
            pause(10);
        }
    }
    return cursorAt(x, y);
}

POINT cursor() {
    POINT p{};
    GetCursorPos(&p);
    return p;
}

void mouseDown() {
    const POINT p = cursor();
    send({absoluteMouse(p.x, p.y, MOUSEEVENTF_LEFTDOWN)});
}

void mouseUp() {
    const POINT p = cursor();
    send({absoluteMouse(p.x, p.y, MOUSEEVENTF_LEFTUP)});
}

bool click(int x, int y) {
    const bool there = mouseMove(x, y);
    // The place travels with the buttons too, so the click lands there even
    // if the pointer lags behind.
    send({absoluteMouse(x, y, MOUSEEVENTF_LEFTDOWN)});
    send({absoluteMouse(x, y, MOUSEEVENTF_LEFTUP)});
    return there;
}

bool drag(int fromX, int fromY, int toX, int toY, int steps) {
    bool there = mouseMove(fromX, fromY);
    send({absoluteMouse(fromX, fromY, MOUSEEVENTF_LEFTDOWN)});
    for (int i = 1; i <= steps; ++i)
        there = mouseMove(fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps) &&
                there;
    // For a moment after the last move Wine may still put the pointer back
    // on a point of the way: release only once it has stayed put a while.
    const double deadline = nowMs() + 5000;
    double since = nowMs();
    while (nowMs() < deadline) {
        POINT now{};
        GetCursorPos(&now);
        if (now.x != toX || now.y != toY) {
            mouseMove(toX, toY);
            since = nowMs();
        } else if (nowMs() - since >= 150) {
            break;
        }
        Sleep(5);
    }
    send({absoluteMouse(toX, toY, MOUSEEVENTF_LEFTUP)});
    return there;
}

POINT clientToScreen(HWND window, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    return p;
}

// ---- the host ---------------------------------------------------------

std::string readHostFile(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return std::string();
    std::string out;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
    CloseHandle(f);
    return out;
}

// ---- screen -------------------------------------------------------------

Capture capture(const RECT& area) {
    Capture c;
    c.area = area;
    c.width = area.right - area.left;
    c.height = area.bottom - area.top;
    if (c.width <= 0 || c.height <= 0) return c;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = c.width;
    bi.bmiHeader.biHeight = -c.height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, c.width, c.height, screen, area.left, area.top, SRCCOPY)) {
            GdiFlush();
            const auto* p = static_cast<const std::uint32_t*>(bits);
            c.pixels.assign(p, p + static_cast<std::size_t>(c.width) * c.height);
            for (auto& px : c.pixels) px &= 0xFFFFFF;
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return c;
}

std::string saveScreenshot(const std::string& name, const RECT& area, std::string* error) {
    const std::wstring dir = shotsDirectory();
    if (dir.empty()) {
        if (error) *error = "VENNET_SHOTS is not set";
        return std::string();
    }
    const Capture c = capture(area);
    if (!c.ok()) {
        if (error) *error = "the screen could not be read";
        return std::string();
    }
    const int rowBytes = (c.width * 3 + 3) & ~3;
    const DWORD imageBytes = static_cast<DWORD>(rowBytes) * c.height;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + imageBytes;
    info.biSize = sizeof info;
    info.biWidth = c.width;
    info.biHeight = c.height;  // bottom-up, the form every reader takes
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = imageBytes;
    std::vector<unsigned char> image(imageBytes, 0);
    for (int y = 0; y < c.height; ++y) {
        unsigned char* row = &image[static_cast<std::size_t>(c.height - 1 - y) * rowBytes];
        for (int x = 0; x < c.width; ++x) {
            const std::uint32_t px = c.at(x, y);
            row[x * 3 + 0] = px & 0xFF;
            row[x * 3 + 1] = (px >> 8) & 0xFF;
            row[x * 3 + 2] = (px >> 16) & 0xFF;
        }
    }
    const std::wstring path = dir + L"\\" + fromCp936(name) + L".bmp";
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error) *error = "cannot create " + toUtf8(path) + format(" (error %lu)", GetLastError());
        return std::string();
    }
    DWORD written = 0;
    bool ok = WriteFile(h, &file, sizeof file, &written, nullptr) &&
              WriteFile(h, &info, sizeof info, &written, nullptr) &&
              WriteFile(h, image.data(), imageBytes, &written, nullptr);
    CloseHandle(h);
    if (!ok) {
        if (error) *error = "cannot write " + toUtf8(path);
        return std::string();
    }
    return toUtf8(environment(L"VENNET_SHOTS") + L"/" + fromCp936(name) + L".bmp");
}

std::string rgbText(std::uint32_t rgb) {
    return format("#%06x (r=%u g=%u b=%u)", static_cast<unsigned>(rgb), (rgb >> 16) & 0xFF,
                  (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// ---- helpers the tests share --------------------------------------------

std::wstring systemProgram(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = L"";
    GetSystemDirectoryW(dir, MAX_PATH);
    return std::wstring(dir) + L"\\" + name;
}

bool visible(HWND window) { return window && IsWindowVisible(window); }

std::vector<HWND> childrenOfClass(HWND parent, const wchar_t* cls) {
    std::vector<HWND> out;
    for (HWND c : children(parent))
        if (classIs(c, cls)) out.push_back(c);
    return out;
}

HWND editOf(HWND dialog) {
    const auto edits = childrenOfClass(dialog, L"Edit");
    return edits.empty() ? nullptr : edits.front();
}

std::string handleText(HWND window) {
    return std::to_string(static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(window)));
}

POINT captionPoint(HWND window) {
    const RECT rc = windowRect(window);
    const POINT client = clientToScreen(window, 0, 0);
    return POINT{(rc.left + rc.right) / 2, (rc.top + client.y) / 2};
}

bool setText(HWND window, const std::wstring& text, UINT timeoutMs) {
    DWORD_PTR result = 0;
    return window &&
           SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                               SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

::testing::AssertionResult checkStarted(const Process& process, const std::wstring& exe,
                                        const char* variable) {
    if (process.started()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "CreateProcessW of " << toUtf8(exe) << " (" << variable
                                         << ") failed, error " << process.startError();
}

::testing::AssertionResult waitShown(const Process& process, const wchar_t* cls, HWND* window,
                                     int timeoutMs, const std::string& what,
                                     const std::function<std::string()>& seen) {
    return waitUntil(
        [&] {
            *window = process.window(cls);
            return *window && IsWindowVisible(*window);
        },
        timeoutMs, what, seen);
}

std::string processWindows(const Process& process) {
    std::string out;
    for (HWND w : process.windows()) out += "\n  " + describe(w);
    return out.empty() ? std::string("no window of the process") : out;
}

std::string visibleWindowsOf(const Process& process) {
    std::string out;
    for (HWND w : process.windows())
        if (IsWindowVisible(w)) out += "\n  vennet's " + describe(w);
    return out;
}

std::vector<HWND> visibleWindows(const Process& process, const wchar_t* cls) {
    std::vector<HWND> out;
    for (HWND w : process.windows(cls))
        if (IsWindowVisible(w)) out.push_back(w);
    return out;
}

::testing::AssertionResult launchNotepad(std::unique_ptr<Process>* notepad, HWND* window,
                                         const RECT& place, int startMs, int reactMs) {
    // A start can fail while Wine itself is still starting up; try again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        notepad->reset(new Process(systemProgram(L"notepad.exe")));
        if ((*notepad)->started()) break;
        pause(500);
    }
    if (!(*notepad)->started())
        return ::testing::AssertionFailure()
               << "notepad did not start, error " << (*notepad)->startError();
    auto shown = waitShown(**notepad, L"Notepad", window, startMs, "notepad's window");
    if (!shown) return shown;
    HWND pad = *window;
    SetWindowPos(pad, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return waitUntil(
        [&] { return windowRect(pad).left == place.left && windowRect(pad).top == place.top; },
        reactMs, format("notepad moved to (%ld,%ld)", place.left, place.top),
        [&] { return describe(pad); });
}

::testing::AssertionResult bringToFront(HWND window, int timeoutMs, const std::string& what) {
    SetForegroundWindow(window);
    auto front = waitUntil([&] { return GetForegroundWindow() == window; }, timeoutMs, what,
                           [&] { return describe(GetForegroundWindow()); });
    pause(500);
    return front;
}

::testing::AssertionResult waitGone(HWND window, int timeoutMs, const std::string& what) {
    return waitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs,
                     what, [&] { return describe(window); });
}

::testing::AssertionResult settlePointer(POINT to, int timeoutMs) {
    mouseMove(to.x, to.y);
    double since = nowMs();
    return waitUntil(
        [&] {
            POINT now{};
            GetCursorPos(&now);
            if (now.x == to.x && now.y == to.y) return nowMs() - since >= 150;
            mouseMove(to.x, to.y);
            since = nowMs();
            return false;
        },
        timeoutMs,
        "the pointer to stay at (" + std::to_string(to.x) + "," + std::to_string(to.y) + ")",
        [] {
            POINT now{};
            GetCursorPos(&now);
            return "(" + std::to_string(now.x) + "," + std::to_string(now.y) + ")";
        });
}

::testing::AssertionResult dragSettled(POINT from, POINT to, int steps, int timeoutMs) {
    auto there = settlePointer(from, timeoutMs);
    if (!there) return there;
    mouseDown();
    for (int i = 1; i <= steps; ++i) {
        pause(15);
        mouseMove(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
    }
    there = settlePointer(to, timeoutMs);
    mouseUp();
    return there;
}

}  // namespace e2e
