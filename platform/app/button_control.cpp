// "BUTTON": push buttons (pressed look while the pen is down on them; a release on them sends
// BN_CLICKED), radio buttons and check boxes (a circle or box and the caption beside it).
// An auto radio button checked by a tap unchecks the other auto radio buttons of its group:
// the run of its siblings from the nearest one with WS_GROUP up to the next with WS_GROUP, or
// all its siblings when none has WS_GROUP.
#include <algorithm>

#include "platform/app/control_parts.h"
#include "platform/window/local_windows.h"

namespace platform::controls {
namespace {

struct ButtonState {
    DWORD style = 0;
    WPARAM check = BST_UNCHECKED;
    bool tracking = false;  // the pen went down on it and has not come up
    bool pushed = false;    // drawn pressed: the pen is on it, or BM_SETSTATE
    bool held = false;      // BM_SETSTATE's pushed look
    HFONT font = nullptr;
};

StateTable<ButtonState> s_buttons;

DWORD Type(const ButtonState& state) { return state.style & BS_TYPEMASK; }
bool IsPush(const ButtonState& state) { return Type(state) == BS_PUSHBUTTON || Type(state) == BS_DEFPUSHBUTTON; }
bool IsRadio(const ButtonState& state) { return Type(state) == BS_RADIOBUTTON || Type(state) == BS_AUTORADIOBUTTON; }

UINT HorizontalFormat(const ButtonState& state) {
    switch (state.style & BS_CENTER) {
        case BS_LEFT: return DT_LEFT;
        case BS_RIGHT: return DT_RIGHT;
        case BS_CENTER: return DT_CENTER;
        default: return IsPush(state) ? DT_CENTER : DT_LEFT;
    }
}

void PaintButton(HWND hwnd, ButtonState& state) {
    Paint paint(hwnd);
    HDC dc = paint.dc();
    if (!dc) return;
    const RECT whole = paint.Whole();
    const bool enabled = IsWindowEnabled(hwnd) != FALSE;
    const std::string caption = GetWindowText(hwnd);
    const UINT format = HorizontalFormat(state) | DT_VCENTER | DT_SINGLELINE;
    if (IsPush(state)) {
        Fill(dc, whole, state.pushed ? kPressedFace : kFace);
        Frame(dc, whole, kBorder);
        if (Type(state) == BS_DEFPUSHBUTTON) Frame(dc, {1, 1, whole.right - 1, whole.bottom - 1}, kBorder);
        RECT text = {whole.left + 4, whole.top + 2, whole.right - 4, whole.bottom - 2};
        if (state.pushed) {  // the caption sinks with the face
            ++text.left;
            ++text.right;
            ++text.top;
            ++text.bottom;
        }
        Text(dc, caption, text, format, enabled ? kText : kDisabledText, state.font);
        return;
    }
    const Background background = AskBackground(hwnd, dc);
    FillBackground(dc, whole, background);
    // The mark: a circle (radio) or square (check box) as high as a line, centred vertically.
    const int side = std::max(7, std::min(LineHeight(state.font) - 2, static_cast<int>(whole.bottom) - 2));
    const int top = (whole.bottom - side) / 2;
    const RECT mark = {2, top, 2 + side, top + side};
    const COLORREF ink = enabled ? kBorder : kDisabledText;
    HPEN pen = CreatePen(PS_SOLID, 1, ink);
    HBRUSH face = CreateSolidBrush(state.pushed ? kFace : kWindowFace);
    HGDIOBJ old_pen = SelectObject(dc, pen);
    HGDIOBJ old_brush = SelectObject(dc, face);
    if (IsRadio(state)) Ellipse(dc, mark.left, mark.top, mark.right, mark.bottom);
    else Rectangle(dc, mark.left, mark.top, mark.right, mark.bottom);
    if (state.check == BST_CHECKED) {
        const int inset = std::max(2, side / 4);
        HBRUSH dot = CreateSolidBrush(ink);
        SelectObject(dc, dot);
        if (IsRadio(state)) Ellipse(dc, mark.left + inset, mark.top + inset, mark.right - inset, mark.bottom - inset);
        else Rectangle(dc, mark.left + inset, mark.top + inset, mark.right - inset, mark.bottom - inset);
        SelectObject(dc, face);
        DeleteObject(dot);
    }
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(face);
    DeleteObject(pen);
    const RECT text = {mark.right + 4, whole.top, whole.right - 2, whole.bottom};
    Text(dc, caption, text, format, enabled ? background.text : kDisabledText, state.font);
}

void Repaint(HWND hwnd) {
    constexpr RECT kAll = {0, 0, 0x7FFF, 0x7FFF};
    InvalidateRect(hwnd, &kAll, FALSE);
}

void SetCheck(HWND hwnd, ButtonState& state, WPARAM check) {
    check = check == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
    if (state.check == check) return;
    state.check = check;
    Repaint(hwnd);
}

// Unchecks the other auto radio buttons of the button's group.
void UncheckGroup(HWND hwnd) {
    auto self = LocalWindows::Instance().Get(WindowNumber(hwnd));
    if (!self || !self->parent) return;
    const auto siblings = LocalWindows::Instance().ChildrenOf(self->parent);
    const auto position = std::find_if(siblings.begin(), siblings.end(),
                                       [&](const auto& sibling) { return sibling.first == WindowNumber(hwnd); });
    if (position == siblings.end()) return;
    // The group starts at the nearest sibling with WS_GROUP at or before this one and ends
    // before the next with WS_GROUP.
    auto begin = position;
    while (begin != siblings.begin() && !(begin->second.style & WS_GROUP)) --begin;
    auto end = position + 1;
    while (end != siblings.end() && !(end->second.style & WS_GROUP)) ++end;
    for (auto sibling = begin; sibling != end; ++sibling) {
        if (sibling == position) continue;
        const LocalWindow& window = sibling->second;
        const bool auto_radio = (window.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
        if (!auto_radio || window.procedure != &ButtonProcedure) continue;
        SendMessage(WindowFromNumber(sibling->first), BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

// A tap ended on the button: what the device does for its kind, then BN_CLICKED.
void Click(HWND hwnd, ButtonState& state) {
    switch (Type(state)) {
        case BS_AUTORADIOBUTTON:
            SetCheck(hwnd, state, BST_CHECKED);
            UncheckGroup(hwnd);
            break;
        case BS_AUTOCHECKBOX:
            SetCheck(hwnd, state, state.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
            break;
        default:
            break;
    }
    NotifyParent(hwnd, BN_CLICKED);
}

void EndTracking(HWND hwnd, ButtonState& state) {
    if (!state.tracking) return;
    state.tracking = false;
    if (GetCapture() == hwnd) ReleaseCapture();
    if (state.pushed != state.held) {
        state.pushed = state.held;
        Repaint(hwnd);
    }
}

}  // namespace

LRESULT ButtonProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    ButtonState* state = s_buttons.Find(hwnd);
    if (message == WM_CREATE) {
        ButtonState& made = s_buttons.Make(hwnd);
        made.style = static_cast<DWORD>(reinterpret_cast<const CREATESTRUCT*>(lparam)->style);
        return 0;
    }
    if (!state) return DefWindowProc(hwnd, message, wparam, lparam);
    switch (message) {
        case WM_DESTROY:
            if (GetCapture() == hwnd) ReleaseCapture();
            s_buttons.Erase(hwnd);
            return 0;
        case WM_PAINT:
            PaintButton(hwnd, *state);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_ENABLE:
            if (!wparam) EndTracking(hwnd, *state);
            Repaint(hwnd);
            return 0;
        case WM_SETFONT:
            state->font = reinterpret_cast<HFONT>(wparam);
            if (LOWORD(static_cast<std::uintptr_t>(lparam))) Repaint(hwnd);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(state->font);
        case WM_LBUTTONDOWN:
            state->tracking = true;
            state->pushed = true;
            SetCapture(hwnd);
            Repaint(hwnd);
            return 0;
        case WM_MOUSEMOVE: {
            if (!state->tracking) return 0;
            const SIZE size = WindowSize(hwnd);
            const bool on = Inside(PenPoint(lparam), size.cx, size.cy);
            if (on != state->pushed) {
                state->pushed = on;
                Repaint(hwnd);
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            if (!state->tracking) return 0;
            const SIZE size = WindowSize(hwnd);
            const bool on = Inside(PenPoint(lparam), size.cx, size.cy);
            EndTracking(hwnd, *state);
            if (on) Click(hwnd, *state);
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lparam) != hwnd) EndTracking(hwnd, *state);
            return 0;
        case BM_GETCHECK:
            return IsPush(*state) ? BST_UNCHECKED : static_cast<LRESULT>(state->check);
        case BM_SETCHECK:
            if (!IsPush(*state)) SetCheck(hwnd, *state, wparam);
            return 0;
        case BM_GETSTATE:
            return static_cast<LRESULT>((IsPush(*state) ? 0 : state->check) | (state->pushed ? BST_PUSHED : 0));
        case BM_SETSTATE:
            state->held = wparam != 0;
            if (!state->tracking && state->pushed != state->held) {
                state->pushed = state->held;
                Repaint(hwnd);
            }
            return 0;
        case BM_CLICK:
            if (IsWindowEnabled(hwnd)) Click(hwnd, *state);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

}  // namespace platform::controls
