// A combo box's drop-down list ("ComboLBox"): a popup owned by the combo box's dialog, in front
// of it, below the box or above it as the screen allows, holding the pen while it is open. A
// tap on an item chooses it; a press anywhere outside closes the list and does nothing else;
// a drag scrolls a list longer than the popup.
#include <algorithm>
#include <cstdlib>

#include "platform/app/control_parts.h"

namespace platform::controls {
namespace {

constexpr RECT kAll = {0, 0, 0x7FFF, 0x7FFF};

struct DropState {
    HWND combo = nullptr;
    int rows = 1;       // items the popup has room for
    int top = 0;
    int hot = -1;       // the item under the pen while it is down
    SIZE size{};
    bool tracking = false;
    int down_y = 0;
    int down_top = 0;
    bool dragged = false;
    bool closing = false;
};

StateTable<DropState> s_drops;

void Repaint(HWND hwnd) { InvalidateRect(hwnd, &kAll, FALSE); }

int RowAt(const DropState& state, const ComboDropView& view, POINT point) {
    if (!Inside(point, state.size.cx, state.size.cy) || point.y < 1) return -1;
    const int index = state.top + (point.y - 1) / view.row_height;
    return index < view.items->Count() ? index : -1;
}

void PaintDrop(HWND hwnd, DropState& state) {
    ComboDropView view;
    if (!ComboViewOf(state.combo, view)) return;
    Paint paint(hwnd);
    HDC dc = paint.dc();
    if (!dc) return;
    state.size = {paint.Width(), paint.Height()};
    state.top = ClampTopIndex(state.top, view.items->Count(), state.rows);
    Fill(dc, paint.Whole(), kWindowFace);
    const int marked = state.tracking ? state.hot : view.items->Selection();
    const int bottom = paint.Height() - 1;
    for (int index = state.top, y = 1; index < view.items->Count() && y < bottom; ++index, y += view.row_height) {
        const RECT row = {1, y, paint.Width() - 1, std::min(y + view.row_height, bottom)};
        if (index == marked) Fill(dc, row, kHighlight);
        Text(dc, *view.items->At(index), {row.left + 4, row.top, row.right - 4, row.bottom},
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, index == marked ? kHighlightText : kText, view.font);
    }
    Frame(dc, paint.Whole(), kBorder);
}

void OnPen(HWND hwnd, DropState& state, UINT message, LPARAM lparam) {
    ComboDropView view;
    if (!ComboViewOf(state.combo, view)) return;
    const POINT point = PenPoint(lparam);
    switch (message) {
        case WM_LBUTTONDOWN:
            if (!Inside(point, state.size.cx, state.size.cy)) {
                CloseComboDrop(hwnd);  // a tap outside only closes the list
                return;
            }
            state.tracking = true;
            state.dragged = false;
            state.down_y = point.y;
            state.down_top = state.top;
            state.hot = RowAt(state, view, point);
            Repaint(hwnd);
            return;
        case WM_MOUSEMOVE: {
            if (!state.tracking) return;
            const int moved = point.y - state.down_y;
            if (std::abs(moved) >= view.row_height / 2) state.dragged = true;
            const int top = ClampTopIndex(state.dragged ? state.down_top - moved / view.row_height : state.top,
                                          view.items->Count(), state.rows);
            const int hot = state.dragged ? -1 : RowAt(state, view, point);
            if (top != state.top || hot != state.hot) {
                state.top = top;
                state.hot = hot;
                Repaint(hwnd);
            }
            return;
        }
        case WM_LBUTTONUP: {
            if (!state.tracking) return;  // the release of the tap that opened the list
            state.tracking = false;
            const int chosen = state.dragged ? -1 : RowAt(state, view, point);
            if (chosen < 0) {
                Repaint(hwnd);
                return;
            }
            const HWND combo = state.combo;
            CloseComboDrop(hwnd);
            ComboItemChosen(combo, chosen);
            return;
        }
        default:
            return;
    }
}

}  // namespace

HWND OpenComboDrop(HWND combo) {
    ComboDropView view;
    RECT box;
    if (!ComboViewOf(combo, view) || !GetWindowRect(combo, &box)) return nullptr;
    // Below the box when all its items fit there or there is more room there than above.
    const int row = std::max(1, view.row_height);
    const int wanted = std::max(1, view.items->Count());
    const int screen_height = GetSystemMetrics(SM_CYSCREEN);
    const auto rows_in = [&](int room) { return std::max(0, (room - 2) / row); };
    const int below = rows_in(screen_height - box.bottom), above = rows_in(box.top);
    const bool downwards = below >= wanted || below >= above;
    const int rows = std::clamp(downwards ? below : above, 1, wanted);
    const int height = rows * row + 2;
    const int top = downwards ? box.bottom : box.top - height;
    HWND drop = CreateWindowEx(0, kComboListClass, "", WS_POPUP, box.left, top, box.right - box.left, height, combo,
                               nullptr, nullptr, combo);
    if (!drop) return nullptr;
    if (DropState* state = s_drops.Find(drop)) {
        state->rows = rows;
        state->size = {box.right - box.left, height};
        // Open on the selected item.
        state->top = ClampTopIndex(view.items->Selection() - rows + 1, view.items->Count(), rows);
    }
    ShowWindow(drop, SW_SHOWNA);
    SetCapture(drop);
    return drop;
}

void CloseComboDrop(HWND drop) {
    DropState* state = s_drops.Find(drop);
    if (!state || state->closing) return;
    state->closing = true;
    DestroyWindow(drop);  // its WM_DESTROY tells the combo box
}

LRESULT ComboListProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    DropState* state = s_drops.Find(hwnd);
    if (message == WM_CREATE) {
        s_drops.Make(hwnd).combo = static_cast<HWND>(reinterpret_cast<const CREATESTRUCT*>(lparam)->lpCreateParams);
        return 0;
    }
    if (!state) return DefWindowProc(hwnd, message, wparam, lparam);
    switch (message) {
        case WM_DESTROY: {
            const HWND combo = state->combo;
            s_drops.Erase(hwnd);
            if (GetCapture() == hwnd) ReleaseCapture();
            ComboDropClosed(combo);
            return 0;
        }
        case WM_PAINT:
            PaintDrop(hwnd, *state);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            OnPen(hwnd, *state, message, lparam);
            return 0;
        case WM_CAPTURECHANGED:
            // Another window took the pen: the list would no longer hear a tap outside.
            if (reinterpret_cast<HWND>(lparam) != hwnd) CloseComboDrop(hwnd);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

}  // namespace platform::controls
