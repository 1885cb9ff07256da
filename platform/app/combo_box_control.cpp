// "COMBOBOX" of the drop-down list kind (CBS_DROPDOWNLIST): a box showing the selected item's
// text and a drop-down arrow. A tap opens its list (combo_drop_list.cpp); an item tapped there
// becomes the selection and the parent hears CBN_SELCHANGE. The window text is the selected
// item's text, so other programs and devicectl read it as they read any control's text.
#include <algorithm>
#include <cstring>

#include "platform/app/control_parts.h"
#include "platform/window/message_queue.h"

namespace platform::controls {
namespace {

constexpr RECT kAll = {0, 0, 0x7FFF, 0x7FFF};

struct ComboState {
    DWORD style = 0;
    ControlItemList items;
    HFONT font = nullptr;
    int row_height = 20;
    ItemPublisher publisher;
    HWND drop = nullptr;  // the open drop-down list
};

StateTable<ComboState> s_combos;

void Repaint(HWND hwnd) { InvalidateRect(hwnd, &kAll, FALSE); }

// The selection changed: the window text follows it.
void ShowSelection(HWND hwnd, ComboState& state) {
    const std::string* item = state.items.At(state.items.Selection());
    SetWindowText(hwnd, item ? *item : std::string());
    Repaint(hwnd);
    state.publisher.Changed(hwnd);
}

// Items came or went. The selected item stays selected as others move around it; only its own
// deletion changes what the box shows.
void ItemsChanged(HWND hwnd, ComboState& state, int previous_selection) {
    if (state.drop) InvalidateRect(state.drop, &kAll, FALSE);
    if (previous_selection >= 0 && state.items.Selection() < 0) ShowSelection(hwnd, state);
    else state.publisher.Changed(hwnd);
}

void Open(HWND hwnd, ComboState& state) {
    if (state.drop) return;
    state.drop = OpenComboDrop(hwnd);
    if (state.drop) NotifyParent(hwnd, CBN_DROPDOWN);
}

void Close(ComboState& state) {
    if (HWND drop = state.drop) CloseComboDrop(drop);  // ComboDropClosed clears state.drop
}

// The arrow button's part of the box: a square at its right end, at most 24 pixels wide.
RECT ArrowPart(int width, int height) {
    const int side = std::clamp(height - 2, 8, 24);
    return {std::max(1, width - 1 - side), 1, width - 1, height - 1};
}

void PaintCombo(HWND hwnd, const ComboState& state) {
    Paint paint(hwnd);
    HDC dc = paint.dc();
    if (!dc) return;
    const RECT whole = paint.Whole();
    const bool enabled = IsWindowEnabled(hwnd) != FALSE;
    Fill(dc, whole, kWindowFace);
    const RECT arrow = ArrowPart(paint.Width(), paint.Height());
    Fill(dc, arrow, kFace);
    Fill(dc, {arrow.left - 1, arrow.top, arrow.left, arrow.bottom}, kBorder);
    // A triangle pointing down, drawn row by row.
    const int half = std::max(2, static_cast<int>(arrow.right - arrow.left) / 4);
    const int centre_x = (arrow.left + arrow.right) / 2;
    const int top = (arrow.top + arrow.bottom) / 2 - half / 2;
    for (int row = 0; row < half; ++row)
        Fill(dc, {centre_x - half + row, top + row, centre_x + half - row + 1, top + row + 1},
             enabled ? kText : kDisabledText);
    if (const std::string* item = state.items.At(state.items.Selection()))
        Text(dc, *item, {whole.left + 4, whole.top, arrow.left - 3, whole.bottom},
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, enabled ? kText : kDisabledText, state.font);
    Frame(dc, whole, kBorder);
}

const char* TextOf(LPARAM lparam) {
    if (!lparam || SendFromOtherProgram()) return nullptr;
    return reinterpret_cast<const char*>(lparam);
}

LRESULT OnItemMessage(HWND hwnd, ComboState& state, UINT message, WPARAM wparam, LPARAM lparam) {
    const int index = static_cast<int>(static_cast<std::intptr_t>(wparam));
    const int previous = state.items.Selection();
    switch (message) {
        case CB_ADDSTRING:
        case CB_INSERTSTRING: {
            const char* text = TextOf(lparam);
            if (!text) return CB_ERR;
            const int at = message == CB_ADDSTRING ? state.items.Add(text) : state.items.Insert(index, text);
            if (at >= 0) ItemsChanged(hwnd, state, previous);
            return at;
        }
        case CB_DELETESTRING: {
            const int left = state.items.Delete(index);
            if (left >= 0) ItemsChanged(hwnd, state, previous);
            return left;
        }
        case CB_RESETCONTENT:
            Close(state);
            state.items.Reset();
            ShowSelection(hwnd, state);
            return CB_OKAY;
        case CB_GETCOUNT:
            return state.items.Count();
        case CB_GETCURSEL:
            return state.items.Selection();
        case CB_SETCURSEL:
            if (index < -1 || index >= state.items.Count()) return CB_ERR;
            state.items.Select(index);
            if (index != previous) ShowSelection(hwnd, state);
            return index == -1 ? CB_ERR : index;  // clearing reports CB_ERR, as on the device
        case CB_GETLBTEXTLEN: {
            const std::string* item = state.items.At(index);
            return item ? static_cast<LRESULT>(item->size()) : CB_ERR;
        }
        case CB_GETLBTEXT: {
            const std::string* item = state.items.At(index);
            if (!item || !lparam || SendFromOtherProgram()) return CB_ERR;
            std::memcpy(reinterpret_cast<char*>(lparam), item->c_str(), item->size() + 1);
            return static_cast<LRESULT>(item->size());
        }
        case CB_FINDSTRINGEXACT:
        case CB_FINDSTRING:
        case CB_SELECTSTRING: {
            const char* text = TextOf(lparam);
            if (!text) return CB_ERR;
            const int found = message == CB_FINDSTRINGEXACT ? state.items.FindExact(index, text)
                                                            : state.items.FindPrefix(index, text);
            if (message == CB_SELECTSTRING && found >= 0 && found != previous) {
                state.items.Select(found);
                ShowSelection(hwnd, state);
            }
            return found;
        }
        default:
            return CB_ERR;
    }
}

}  // namespace

bool ComboViewOf(HWND combo, ComboDropView& view) {
    const ComboState* state = s_combos.Find(combo);
    if (!state) return false;
    view.items = &state->items;
    view.font = state->font;
    view.row_height = state->row_height;
    return true;
}

void ComboDropClosed(HWND combo) {
    ComboState* state = s_combos.Find(combo);
    if (!state || !state->drop) return;
    state->drop = nullptr;
    NotifyParent(combo, CBN_CLOSEUP);
}

void ComboItemChosen(HWND combo, int index) {
    ComboState* state = s_combos.Find(combo);
    if (!state || !state->items.Select(index)) return;
    ShowSelection(combo, *state);
    NotifyParent(combo, CBN_SELCHANGE);
}

LRESULT ComboBoxProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    ComboState* state = s_combos.Find(hwnd);
    if (message == WM_CREATE) {
        ComboState& made = s_combos.Make(hwnd);
        made.style = static_cast<DWORD>(reinterpret_cast<const CREATESTRUCT*>(lparam)->style);
        made.items = ControlItemList((made.style & CBS_SORT) ? ItemOrder::Sorted : ItemOrder::AsAdded);
        made.row_height = LineHeight(nullptr) + 4;
        made.publisher.Changed(hwnd);
        return 0;
    }
    if (!state) return DefWindowProc(hwnd, message, wparam, lparam);
    if (message >= CB_ADDSTRING && message <= CB_FINDSTRINGEXACT && message != CB_SHOWDROPDOWN &&
        message != CB_GETDROPPEDSTATE)
        return OnItemMessage(hwnd, *state, message, wparam, lparam);
    switch (message) {
        case WM_DESTROY: {
            HWND drop = state->drop;
            s_combos.Erase(hwnd);  // the list's end finds no combo box to tell
            if (drop) CloseComboDrop(drop);
            return 0;
        }
        case WM_PAINT:
            PaintCombo(hwnd, *state);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_ENABLE:
            if (!wparam) Close(*state);
            Repaint(hwnd);
            return 0;
        case WM_SETFONT:
            state->font = reinterpret_cast<HFONT>(wparam);
            state->row_height = LineHeight(state->font) + 4;
            if (LOWORD(static_cast<std::uintptr_t>(lparam))) Repaint(hwnd);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(state->font);
        case WM_LBUTTONDOWN:
            if (state->drop) Close(*state);
            else Open(hwnd, *state);
            return 0;
        case kPublishItemsMessage:
        case WM_TIMER:
            if (message == kPublishItemsMessage || wparam == kPublishItemsTimer) state->publisher.Publish(hwnd, state->items);
            return 0;
        case CB_SHOWDROPDOWN:
            if (wparam && IsWindowEnabled(hwnd)) Open(hwnd, *state);
            else if (!wparam) Close(*state);
            return TRUE;
        case CB_GETDROPPEDSTATE:
            return state->drop ? TRUE : FALSE;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

}  // namespace platform::controls
