// "STATIC": its window text on its background, aligned by SS_LEFT, SS_CENTER or SS_RIGHT.
// Lines break between words, except with SS_CENTERIMAGE (one line, centred vertically) and
// SS_LEFTNOWORDWRAP. It repaints when its text changes (SetWindowText repaints the standard
// controls), when it is enabled or disabled, and when it is shown or moved.
#include "platform/app/control_parts.h"

namespace platform::controls {
namespace {

struct StaticState {
    DWORD style = 0;
    HFONT font = nullptr;
};

StateTable<StaticState> s_statics;

UINT Format(DWORD style) {
    UINT format = 0;
    switch (style & SS_TYPEMASK) {
        case SS_CENTER: format = DT_CENTER | DT_WORDBREAK; break;
        case SS_RIGHT: format = DT_RIGHT | DT_WORDBREAK; break;
        case SS_LEFTNOWORDWRAP: format = DT_LEFT | DT_SINGLELINE; break;
        default: format = DT_LEFT | DT_WORDBREAK; break;
    }
    if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    return format;
}

void PaintStatic(HWND hwnd, const StaticState& state) {
    Paint paint(hwnd);
    HDC dc = paint.dc();
    if (!dc) return;
    const Background background = AskBackground(hwnd, dc);
    FillBackground(dc, paint.Whole(), background);
    const COLORREF ink = IsWindowEnabled(hwnd) ? background.text : kDisabledText;
    Text(dc, GetWindowText(hwnd), paint.Whole(), Format(state.style), ink, state.font);
}

}  // namespace

LRESULT StaticProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    StaticState* state = s_statics.Find(hwnd);
    if (message == WM_CREATE) {
        s_statics.Make(hwnd).style = static_cast<DWORD>(reinterpret_cast<const CREATESTRUCT*>(lparam)->style);
        return 0;
    }
    if (!state) return DefWindowProc(hwnd, message, wparam, lparam);
    constexpr RECT kAll = {0, 0, 0x7FFF, 0x7FFF};
    switch (message) {
        case WM_DESTROY:
            s_statics.Erase(hwnd);
            return 0;
        case WM_PAINT:
            PaintStatic(hwnd, *state);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_ENABLE:
            InvalidateRect(hwnd, &kAll, FALSE);
            return 0;
        case WM_SETFONT:
            state->font = reinterpret_cast<HFONT>(wparam);
            if (LOWORD(static_cast<std::uintptr_t>(lparam))) InvalidateRect(hwnd, &kAll, FALSE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(state->font);
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

}  // namespace platform::controls
