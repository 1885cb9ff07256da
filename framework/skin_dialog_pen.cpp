// The skin dialog's pen handling: a press picks the first shown control under the pen, moves
// follow it while the pen is down, and the release turns it into a command or a value. The
// dialog holds the pen capture from press to release.
#include <algorithm>
#include <cmath>

#include "framework/skin_dialog.h"
#include "platform/kernel/kernel.h"

namespace {

bool Inside(const RECT& rect, POINT point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

int BitmapWidth(HBITMAP bitmap) {
    BITMAP info;
    if (!bitmap || !GetObject(bitmap, sizeof(info), &info)) return 0;
    return info.bmWidth;
}

}  // namespace

int CSkinDialogEx::HitTest(POINT point) const {
    for (int i = 0; i < m_count; ++i) {
        const SkinControl& control = m_controls[static_cast<std::size_t>(i)];
        if (!control.Has(SKIN_HIDDEN) && Inside(control.rect, point)) return i;
    }
    return -1;
}

bool CSkinDialogEx::PenControlIs(int index, int id) const {
    return m_pen_control == index && index < m_count && m_controls[static_cast<std::size_t>(index)].id == id;
}

int CSkinDialogEx::SliderValueAt(const SkinControl& control, int x) const {
    if (x < control.rect.left) return 0;
    const int segment = BitmapWidth(control.slider.segment);
    // Without a segment image there is no scale to read a value from: the value stays.
    if (segment <= 0) return control.slider.value;
    return std::min(control.slider.maximum, (x - control.rect.left) / segment + 1);
}

double CSkinDialogEx::SeekValueAt(const SkinControl& control, int x) const {
    const SkinSeekExtra& seek = control.seek;
    if (x < control.rect.left) return seek.minimum;
    if (x >= control.rect.right) return seek.maximum;
    const int usable = BitmapWidth(seek.fill) - kSeekBarImageMargin;
    if (usable <= 0) return seek.minimum;
    const double value = seek.minimum + (x - control.rect.left) * (seek.maximum - seek.minimum) / usable;
    if (!std::isfinite(value)) return seek.minimum;
    return std::clamp(value, std::min(seek.minimum, seek.maximum), std::max(seek.minimum, seek.maximum));
}

void CSkinDialogEx::SliderPen(int index, POINT point, bool notify_refusal) {
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    const int value = SliderValueAt(control, point.x);
    if (value != control.slider.value && value >= control.slider.minimum) {
        control.slider.value = value;
        const int id = control.id;
        SendMessage(m_hWnd, WM_SKIN_SLIDER, static_cast<WPARAM>(id), value);
        if (PenControlIs(index, id)) DrawControl(index);
    } else if (notify_refusal) {
        SendMessage(m_hWnd, WM_SKIN_CLICK, static_cast<WPARAM>(-1), kSkinClickPress);
    }
}

void CSkinDialogEx::OnPenDown(POINT point) {
    if (m_swallow_next_release) {
        m_pen_control = -1;
        return;
    }
    m_repeat_fired = false;
    m_pen_inside = false;
    m_pen_down = true;
    m_pen_down_tick = GetTickCount();
    SetCapture(m_hWnd);
    const int index = HitTest(point);
    m_pen_control = index;
    if (index < 0) {
        SendMessage(m_hWnd, WM_SKIN_CLICK, static_cast<WPARAM>(-1), kSkinClickPress);
        return;
    }
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    // A disabled control keeps the pen to itself and does nothing with it.
    if (control.Has(SKIN_DISABLED)) return;
    const int id = control.id;
    switch (control.Kind()) {
        case SKIN_BUTTON:
            m_pen_inside = true;
            control.kind |= SKIN_PRESSED;
            if (control.Has(SKIN_INERT) || control.Has(SKIN_LATCHED)) {
                control.kind |= SKIN_TAKEN;
                return;
            }
            if (SendMessage(m_hWnd, WM_SKIN_CLICK, static_cast<WPARAM>(id), kSkinClickPress) != 0) {
                if (PenControlIs(index, id)) m_controls[static_cast<std::size_t>(index)].kind |= SKIN_TAKEN;
                return;
            }
            // The handler may have rebuilt the screen; then there is nothing left to press.
            if (!PenControlIs(index, id)) return;
            DrawControl(index);
            if (m_controls[static_cast<std::size_t>(index)].Has(SKIN_REPEAT)) SetTimer(kSkinRepeatTimer, kSkinRepeatFirstMs);
            return;
        case SKIN_SLIDER:
            control.kind |= SKIN_PRESSED;
            SliderPen(index, point, true);
            return;
        case SKIN_SEEKBAR:
            control.seek.dragging = true;
            control.seek.value = SeekValueAt(control, point.x);
            m_last_seek_draw = GetTickCount();
            DrawControl(index);
            return;
        default:
            SendMessage(m_hWnd, WM_SKIN_CLICK, static_cast<WPARAM>(-1), kSkinClickPress);
            return;
    }
}

void CSkinDialogEx::OnPenMove(POINT point) {
    if (!m_pen_down || m_pen_control < 0 || m_pen_control >= m_count) return;
    const int index = m_pen_control;
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    if (control.Has(SKIN_DISABLED)) return;
    switch (control.Kind()) {
        case SKIN_BUTTON: {
            if (control.Has(SKIN_TAKEN)) return;
            const bool inside = Inside(control.rect, point);
            if (inside && !m_pen_inside) {
                m_pen_inside = true;
                control.kind |= SKIN_PRESSED;
                DrawControl(index);
                if (control.Has(SKIN_REPEAT)) SetTimer(kSkinRepeatTimer, kSkinRepeatFirstMs);
            } else if (!inside && m_pen_inside) {
                m_pen_inside = false;
                control.kind &= ~SKIN_PRESSED;
                KillTimer(kSkinRepeatTimer);
                DrawControl(index);
            }
            return;
        }
        case SKIN_SLIDER:
            SliderPen(index, point, false);
            return;
        case SKIN_SEEKBAR: {
            const double value = SeekValueAt(control, point.x);
            if (value == control.seek.value) return;
            control.seek.value = value;
            const DWORD now = GetTickCount();
            if (now - m_last_seek_draw >= 20) {
                m_last_seek_draw = now;
                DrawControl(index);
            }
            return;
        }
        default:
            return;
    }
}

void CSkinDialogEx::OnPenUp(POINT point) {
    ReleaseCapture();
    if (m_swallow_next_release) {
        m_swallow_next_release = false;
        return;
    }
    // A release without a press of ours (the pen went down elsewhere) means nothing here.
    if (!m_pen_down) return;
    KillTimer(kSkinRepeatTimer);
    const int index = m_pen_control;
    if (index >= 0 && index < m_count) {
        SkinControl& control = m_controls[static_cast<std::size_t>(index)];
        const bool inside = Inside(control.rect, point);
        switch (control.Has(SKIN_DISABLED) ? 0 : control.Kind()) {
            case SKIN_BUTTON:
                if (inside && !control.Has(SKIN_TAKEN)) {
                    control.kind &= ~SKIN_PRESSED;
                    if (control.Has(SKIN_LATCH_ON_RELEASE)) control.kind |= SKIN_LATCHED;
                    DrawControl(index);
                    if (!m_repeat_fired) PostMessage(m_hWnd, WM_COMMAND, static_cast<WPARAM>(control.id), 0);
                } else {
                    const bool drawn_pressed = !control.Has(SKIN_TAKEN);
                    control.kind &= ~(SKIN_PRESSED | SKIN_TAKEN);
                    if (drawn_pressed) DrawControl(index);
                }
                break;
            case SKIN_STATIC:
                if (inside) PostMessage(m_hWnd, WM_COMMAND, static_cast<WPARAM>(control.id), 0);
                break;
            case SKIN_SLIDER:
                control.kind &= ~SKIN_PRESSED;
                SliderPen(index, point, false);
                if (PenControlIs(index, control.id)) DrawControl(index);
                break;
            case SKIN_SEEKBAR:
                control.seek.value = SeekValueAt(control, point.x);
                control.seek.dragging = false;
                DrawControl(index);
                PostMessage(m_hWnd, WM_SKIN_SLIDER, static_cast<WPARAM>(control.id), 0);
                break;
            default:
                break;
        }
    } else if (index == -1) {
        m_last_release = point;
        PostMessage(m_hWnd, WM_SKIN_SLIDER, kSkinReleaseOnNothing, static_cast<LPARAM>(GetTickCount() - m_pen_down_tick));
    }
    m_pen_control = -1;
    m_repeat_fired = false;
    m_pen_inside = false;
    m_pen_down = false;
}

void CSkinDialogEx::OnRepeatTimer() {
    KillTimer(kSkinRepeatTimer);
    if (m_pen_control < 0 || m_pen_control >= m_count) return;
    if (m_controls[static_cast<std::size_t>(m_pen_control)].Has(SKIN_DISABLED)) return;
    m_repeat_fired = true;
    PostMessage(m_hWnd, WM_COMMAND, static_cast<WPARAM>(m_controls[static_cast<std::size_t>(m_pen_control)].id), 0);
    SetTimer(kSkinRepeatTimer, kSkinRepeatNextMs);
}
