// "LISTBOX": a column of text items drawn from its top index, as many as fit; the selected
// item shows highlighted. A tap selects an item (LBS_NOTIFY: and sends LBN_SELCHANGE); a drag
// scrolls. Changes only mark the list for painting, so adding lines many times a second costs
// one paint of the lines in view when the thread next paints, and its items reach the server
// in one publication per ItemPublisher::kPublishInterval at most.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/app/control_items.h"
#include "platform/app/control_parts.h"
#include "platform/window/message_queue.h"

namespace platform::controls {
namespace {

constexpr RECT kAll = {0, 0, 0x7FFF, 0x7FFF};
constexpr int kTextInset = 3;

struct ListBoxState {
    DWORD style = 0;
    ControlItemList items;
    int top = 0;
    HFONT font = nullptr;
    int row_height = 18;
    SIZE size{};  // as last painted (or created)
    ItemPublisher publisher;
    // The pen: where it went down, the top index then, and whether it has dragged since.
    bool tracking = false;
    int down_y = 0;
    int down_top = 0;
    bool dragged = false;
};

StateTable<ListBoxState> s_lists;

int Rows(const ListBoxState& state) { return std::max(1, static_cast<int>(state.size.cy - 2) / state.row_height); }

void Repaint(HWND hwnd) { InvalidateRect(hwnd, &kAll, FALSE); }

// The top index kept within the list; repaints when it moved.
void SetTop(HWND hwnd, ListBoxState& state, int top) {
    top = ClampTopIndex(top, state.items.Count(), Rows(state));
    if (top == state.top) return;
    state.top = top;
    Repaint(hwnd);
}

// After an item at `index` came or went: what is in view changes when it lies above the view's
// end (everything from it on moves), and the top index may have to come back into the list.
void ItemsChanged(HWND hwnd, ListBoxState& state, int index) {
    if (index < state.top + Rows(state) + 1) Repaint(hwnd);
    SetTop(hwnd, state, state.top);
    state.publisher.Changed(hwnd);
}

void BringIntoView(HWND hwnd, ListBoxState& state, int index) {
    const int rows = Rows(state);
    if (index < state.top) SetTop(hwnd, state, index);
    else if (index >= state.top + rows) SetTop(hwnd, state, index - rows + 1);
}

void Select(HWND hwnd, ListBoxState& state, int index) {
    if (!state.items.Select(index)) return;
    if (index >= 0) BringIntoView(hwnd, state, index);
    Repaint(hwnd);
    state.publisher.Changed(hwnd);
}

void PaintList(HWND hwnd, ListBoxState& state) {
    Paint paint(hwnd);
    HDC dc = paint.dc();
    if (!dc) return;
    // The size it has now: it may have been moved or resized since the last paint.
    state.size = {paint.Width(), paint.Height()};
    state.top = ClampTopIndex(state.top, state.items.Count(), Rows(state));
    const RECT whole = paint.Whole();
    Fill(dc, whole, kWindowFace);
    const bool enabled = IsWindowEnabled(hwnd) != FALSE;
    const int bottom = paint.Height() - 1;
    for (int index = state.top, y = 1; index < state.items.Count() && y < bottom; ++index, y += state.row_height) {
        const RECT row = {1, y, paint.Width() - 1, std::min(y + state.row_height, bottom)};
        const bool selected = index == state.items.Selection();
        if (selected) Fill(dc, row, enabled ? kHighlight : kFace);
        const COLORREF ink = !enabled ? kDisabledText : selected ? kHighlightText : kText;
        Text(dc, *state.items.At(index), {row.left + kTextInset, row.top, row.right - kTextInset, row.bottom},
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, ink, state.font);
    }
    Frame(dc, whole, kBorder);
}

int RowAt(const ListBoxState& state, int y) {
    if (y < 1) return -1;
    const int index = state.top + (y - 1) / state.row_height;
    return index < state.items.Count() ? index : -1;
}

// The text of a string message, or nothing when its pointer cannot be followed.
const char* TextOf(LPARAM lparam) {
    if (!lparam || SendFromOtherProgram()) return nullptr;
    return reinterpret_cast<const char*>(lparam);
}

LRESULT OnPen(HWND hwnd, ListBoxState& state, UINT message, LPARAM lparam) {
    const POINT point = PenPoint(lparam);
    switch (message) {
        case WM_LBUTTONDOWN:
            state.tracking = true;
            state.dragged = false;
            state.down_y = point.y;
            state.down_top = state.top;
            SetCapture(hwnd);
            return 0;
        case WM_MOUSEMOVE: {
            if (!state.tracking) return 0;
            const int moved = point.y - state.down_y;
            if (std::abs(moved) >= state.row_height / 2) state.dragged = true;
            if (state.dragged) SetTop(hwnd, state, state.down_top - moved / state.row_height);
            return 0;
        }
        case WM_LBUTTONUP: {
            if (!state.tracking) return 0;
            state.tracking = false;
            if (GetCapture() == hwnd) ReleaseCapture();
            if (state.dragged || !Inside(point, state.size.cx, state.size.cy)) return 0;
            const int index = RowAt(state, point.y);
            if (index < 0 || index == state.items.Selection()) return 0;
            Select(hwnd, state, index);
            if (state.style & LBS_NOTIFY) NotifyParent(hwnd, LBN_SELCHANGE);
            return 0;
        }
        default:
            return 0;
    }
}

}  // namespace

LRESULT ListBoxProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    ListBoxState* state = s_lists.Find(hwnd);
    if (message == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCT*>(lparam);
        ListBoxState& made = s_lists.Make(hwnd);
        made.style = static_cast<DWORD>(create->style);
        made.items = ControlItemList((made.style & LBS_SORT) ? ItemOrder::Sorted : ItemOrder::AsAdded);
        made.size = {create->cx, create->cy};
        made.row_height = LineHeight(nullptr) + 2;
        made.publisher.Changed(hwnd);  // an empty list is there to be read too
        return 0;
    }
    if (!state) return DefWindowProc(hwnd, message, wparam, lparam);
    const int index = static_cast<int>(static_cast<std::intptr_t>(wparam));
    switch (message) {
        case WM_DESTROY:
            if (GetCapture() == hwnd) ReleaseCapture();
            s_lists.Erase(hwnd);
            return 0;
        case WM_PAINT:
            PaintList(hwnd, *state);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_ENABLE:
            if (!wparam && state->tracking) {
                state->tracking = false;
                if (GetCapture() == hwnd) ReleaseCapture();
            }
            Repaint(hwnd);
            return 0;
        case WM_SETFONT:
            state->font = reinterpret_cast<HFONT>(wparam);
            state->row_height = LineHeight(state->font) + 2;
            if (LOWORD(static_cast<std::uintptr_t>(lparam))) Repaint(hwnd);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(state->font);
        case WM_LBUTTONDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            return OnPen(hwnd, *state, message, lparam);
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lparam) != hwnd) state->tracking = false;
            return 0;
        case kPublishItemsMessage:
        case WM_TIMER:
            if (message == kPublishItemsMessage || wparam == kPublishItemsTimer) state->publisher.Publish(hwnd, state->items);
            return 0;
        case LB_ADDSTRING:
        case LB_INSERTSTRING: {
            const char* text = TextOf(lparam);
            if (!text) return LB_ERR;
            const int at = message == LB_ADDSTRING ? state->items.Add(text) : state->items.Insert(index, text);
            if (at >= 0) ItemsChanged(hwnd, *state, at);
            return at;
        }
        case LB_DELETESTRING: {
            const int left = state->items.Delete(index);
            if (left >= 0) ItemsChanged(hwnd, *state, index);
            return left;
        }
        case LB_RESETCONTENT:
            state->items.Reset();
            state->top = 0;
            Repaint(hwnd);
            state->publisher.Changed(hwnd);
            return LB_OKAY;
        case LB_GETCOUNT:
            return state->items.Count();
        case LB_GETTEXTLEN: {
            const std::string* item = state->items.At(index);
            return item ? static_cast<LRESULT>(item->size()) : LB_ERR;
        }
        case LB_GETTEXT: {
            const std::string* item = state->items.At(index);
            if (!item || !lparam || SendFromOtherProgram()) return LB_ERR;
            std::memcpy(reinterpret_cast<char*>(lparam), item->c_str(), item->size() + 1);
            return static_cast<LRESULT>(item->size());
        }
        case LB_GETTOPINDEX:
            return ClampTopIndex(state->top, state->items.Count(), Rows(*state));
        case LB_SETTOPINDEX:
            if (index < 0 || (index >= state->items.Count() && state->items.Count() > 0)) return LB_ERR;
            SetTop(hwnd, *state, index);
            return LB_OKAY;
        case LB_SETCURSEL:
            if (index < -1 || index >= state->items.Count()) return LB_ERR;
            Select(hwnd, *state, index);
            return index == -1 ? LB_ERR : index;  // clearing reports LB_ERR, as on the device
        case LB_GETCURSEL:
            return state->items.Selection();
        case LB_GETITEMHEIGHT:
            return state->row_height;
        case LB_FINDSTRINGEXACT:
        case LB_FINDSTRING:
        case LB_SELECTSTRING: {
            const char* text = TextOf(lparam);
            if (!text) return LB_ERR;
            const int found = message == LB_FINDSTRINGEXACT ? state->items.FindExact(index, text)
                                                            : state->items.FindPrefix(index, text);
            if (message == LB_SELECTSTRING && found >= 0) Select(hwnd, *state, found);
            return found;
        }
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

}  // namespace platform::controls
