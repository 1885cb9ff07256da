// What the standard controls share inside the platform: their window procedures, the table
// that keeps each control's state, the plain look, and the pen's point. Not for programs.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/app/control_items.h"
#include "platform/app/controls.h"
#include "platform/gfx/gfx.h"
#include "platform/gfx/window_dc.h"

namespace platform::controls {

LRESULT ButtonProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT StaticProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT ListBoxProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT ComboBoxProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT ComboListProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Each control's state, by window. A state is made at WM_CREATE and erased at WM_DESTROY, both
// on the control's thread, and only that thread uses it, so a pointer found stays good while
// the thread handles the control's message.
template <class State>
class StateTable {
public:
    State* Find(HWND hwnd) {
        std::lock_guard lock(m_mutex);
        auto found = m_states.find(WindowNumber(hwnd));
        return found == m_states.end() ? nullptr : found->second.get();
    }
    State& Make(HWND hwnd) {
        std::lock_guard lock(m_mutex);
        auto& slot = m_states[WindowNumber(hwnd)];
        slot = std::make_unique<State>();
        return *slot;
    }
    void Erase(HWND hwnd) {
        std::unique_ptr<State> gone;
        {
            std::lock_guard lock(m_mutex);
            auto found = m_states.find(WindowNumber(hwnd));
            if (found == m_states.end()) return;
            gone = std::move(found->second);
            m_states.erase(found);
        }
    }

private:
    std::mutex m_mutex;
    std::unordered_map<std::uint32_t, std::unique_ptr<State>> m_states;
};

// The plain look.
constexpr COLORREF kFace = RGB(224, 224, 224);         // buttons, the combo box's arrow
constexpr COLORREF kPressedFace = RGB(168, 168, 168);
constexpr COLORREF kWindowFace = RGB(255, 255, 255);   // list boxes, combo boxes, statics' default
constexpr COLORREF kBorder = RGB(64, 64, 64);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kDisabledText = RGB(128, 128, 128);
constexpr COLORREF kHighlight = RGB(0, 84, 166);       // a selected item
constexpr COLORREF kHighlightText = RGB(255, 255, 255);

// A control's paint: BeginPaint's DC and the window's size; dc is null when nothing can be
// drawn (the window has no area). EndPaint at the end of its life.
class Paint {
public:
    explicit Paint(HWND hwnd);
    ~Paint();
    Paint(const Paint&) = delete;
    Paint& operator=(const Paint&) = delete;

    HDC dc() const { return m_paint.hdc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    RECT Whole() const { return {0, 0, m_width, m_height}; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_paint;
    int m_width = 0;
    int m_height = 0;
};

void Fill(HDC dc, const RECT& rect, COLORREF colour);
// A 1-pixel frame just inside the rectangle.
void Frame(HDC dc, const RECT& rect, COLORREF colour);
// Text in the font (null: the DC's default font), transparent over what is there.
void Text(HDC dc, const std::string& text, RECT rect, UINT format, COLORREF colour, HFONT font);
// A line of text in the font, in pixels (ascent + descent).
int LineHeight(HFONT font);

// What a static or radio button stands on: the parent's WM_CTLCOLORSTATIC answer when the
// parent is a window of this thread, else white with black text.
struct Background {
    HBRUSH brush = nullptr;  // the parent's; null: plain white
    COLORREF text = kText;
};
Background AskBackground(HWND control, HDC dc);
void FillBackground(HDC dc, const RECT& rect, const Background& background);

// The pen's point of a pen message, in the window's client coordinates.
POINT PenPoint(LPARAM lparam);
bool Inside(POINT point, int width, int height);
// The window's size as the server knows it now.
SIZE WindowSize(HWND hwnd);
// WM_COMMAND(MAKEWPARAM(id, code), control) to the control's parent.
void NotifyParent(HWND control, WORD code);

// Between a combo box and its drop-down list, both on the combo box's thread.
struct ComboDropView {
    const ControlItemList* items = nullptr;
    HFONT font = nullptr;
    int row_height = 0;
};
// What the list shows; false when the combo box is gone.
bool ComboViewOf(HWND combo, ComboDropView& view);
// Opens the drop-down list of a combo box below it (or above, as the screen allows) with the
// pen captured; null when it cannot be made.
HWND OpenComboDrop(HWND combo);
// Closes it (releasing the pen); the combo box hears of it through ComboDropClosed.
void CloseComboDrop(HWND drop);
// The list is gone, after a tap outside or with its combo box: CBN_CLOSEUP.
void ComboDropClosed(HWND combo);
// A tap chose an item, after the list closed: the selection, and CBN_SELCHANGE.
void ComboItemChosen(HWND combo, int index);

// The private message a list control posts itself to publish its items (never a program's:
// past the 16-bit range of the device's messages) and the timer that spaces publications.
constexpr UINT kPublishItemsMessage = 0x10002;
constexpr UINT_PTR kPublishItemsTimer = 0x5EED;

}  // namespace platform::controls
