// The floor for the benchmark: a window-less program that does nothing but
// read the 255 key states every 10 ms from a thread timer, as the hotkey
// poll does, so that what Vennet costs beyond its design shows as a ratio.
#include <windows.h>

namespace {
volatile SHORT sink;

void CALLBACK poll(HWND, UINT, UINT_PTR, DWORD) {
    SHORT* keys = new SHORT[256]();
    for (int k = 1; k <= 255; ++k) keys[k - 1] = GetAsyncKeyState(k);
    sink = keys[112];
    delete[] keys;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // A hidden window so the benchmark can find the process ready.
    CreateWindowExW(0, L"STATIC", L"VennetPollFloor", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                    nullptr, nullptr);
    SetTimer(nullptr, 16661, 10, poll);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
