// The input box: a modal dialog built from an in-memory template, run on the
// calling thread.
#include <vector>

#include "app/texts.h"
#include "ui/services.h"
#include "ui/win32_ui.h"

using namespace win32ui;

namespace {

constexpr int kPromptId = 1001;
constexpr int kEditId = 1002;

// Dialog templates are a run of WORDs with DWORD-aligned items.
class DialogTemplate {
public:
    void dword(DWORD v) {
        word(LOWORD(v));
        word(HIWORD(v));
    }
    void word(WORD v) { words_.push_back(v); }
    void text(const std::wstring& s) {
        for (wchar_t c : s) word(static_cast<WORD>(c));
        word(0);
    }
    void alignDword() {
        if (words_.size() % 2) word(0);
    }
    void item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom,
              const std::wstring& title) {
        alignDword();
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        word(static_cast<WORD>(x));
        word(static_cast<WORD>(y));
        word(static_cast<WORD>(cx));
        word(static_cast<WORD>(cy));
        word(id);
        word(0xFFFF);
        word(classAtom);
        text(title);
        word(0);  // no creation data
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    std::vector<WORD> words_;
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;

struct InputState {
    Text prompt;
    Text initial;
    int mode;
    Text result;
    WNDPROC editProc;
};

// Modes 2 and 3 take digits and '-' (and '.' in mode 3) among printable
// characters.
LRESULT CALLBACK numericEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<InputState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_CHAR && wParam >= 32) {
        const bool digit = wParam >= L'0' && wParam <= L'9';
        const bool allowed = digit || wParam == L'-' || (state->mode == 3 && wParam == L'.');
        if (!allowed) return 0;
    }
    return CallWindowProcW(state->editProc, window, message, wParam, lParam);
}

INT_PTR CALLBACK inputDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* state = reinterpret_cast<InputState*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            HWND edit = GetDlgItem(dialog, kEditId);
            SetWindowTextW(edit, wide(state->initial).c_str());
            if (state->mode == 2 || state->mode == 3) {
                SetWindowLongPtrW(edit, GWLP_USERDATA, lParam);
                state->editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
                    edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(numericEditProc)));
            }
            SendMessageW(edit, EM_SETSEL, 0, -1);
            SetFocus(edit);
            SetForegroundWindow(dialog);
            return FALSE;
        }
        case WM_COMMAND: {
            auto* state = reinterpret_cast<InputState*>(GetWindowLongPtrW(dialog, DWLP_USER));
            if (LOWORD(wParam) == IDOK) {
                state->result = windowText(GetDlgItem(dialog, kEditId));
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        }
    }
    return FALSE;
}

}  // namespace

namespace ui {

bool inputBox(const Text& prompt, const Text& title, const Text& initialText, Text& variable,
              int mode) {
    if (mode > 4) mode = 4;
    if (mode <= 0) mode = 1;
    InputState state{prompt, initialText, mode, Text(), nullptr};

    DialogTemplate t;
    t.dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER);
    t.dword(0);
    t.word(5);  // items
    t.word(0);
    t.word(0);
    t.word(252);
    t.word(92);
    t.word(0);  // no menu
    t.word(0);  // the dialog class
    t.text(wide(title.empty() ? Text(texts::kInputCaptionDefault) : title));
    t.word(9);
    t.text(wide(texts::kInputFont));
    t.item(SS_SUNKEN, 7, 7, 238, 35, 0xFFFF, kStatic, L"");
    t.item(SS_LEFT, 12, 11, 229, 27, kPromptId, kStatic, wide(prompt));
    t.item(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | (mode == 4 ? ES_PASSWORD : 0), 7, 45, 238, 12,
           kEditId, kEdit, L"");
    t.item(WS_TABSTOP | BS_DEFPUSHBUTTON, 63, 66, 55, 19, IDOK, kButton, wide(texts::kInputOk));
    t.item(WS_TABSTOP | BS_PUSHBUTTON, 134, 66, 55, 19, IDCANCEL, kButton,
           wide(texts::kInputCancel));

    const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), nullptr,
                                              inputDialogProc, reinterpret_cast<LPARAM>(&state));
    if (r != IDOK) return false;
    variable = state.result;
    return true;
}

}  // namespace ui
