// The skin dialog's life, its control list and the calls that change controls.
#include "framework/skin_dialog.h"

#include <cmath>
#include <cstdio>

#include "framework/system_settings.h"
#include "platform/gfx/window_dc.h"
#include "platform/kernel/debug_output.h"
#include "platform/window/window_surface.h"

namespace {

// Cuts UTF-8 text to at most kSkinTextCapacity UTF-16 units, on a character boundary.
std::string CutToCapacity(const std::string& text) {
    int units = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const int needed = length == 4 ? 2 : 1;
        if (units + needed > kSkinTextCapacity || i + length > text.size()) break;
        units += needed;
        i += length;
    }
    return text.substr(0, i);
}

HBITMAP LoadImageNumber(int number) {
    return number < 0 ? nullptr : LoadBitmap(static_cast<UINT>(number));
}

}  // namespace

CSkinDialogEx::CSkinDialogEx(std::string class_name, std::string title, SkinDialogOptions options)
    : CDialog(std::move(class_name), std::move(title)), m_options(options) {}

CSkinDialogEx::~CSkinDialogEx() {
    ClearControls();
    ReleasePicture();
    if (m_knob) DeleteObject(m_knob);
    if (m_template_background) DeleteObject(m_template_background);
}

void CSkinDialogEx::Save() {
    if (m_options.lifecycle_lines) DebugPrintf("%s: CSkinDialogEx::Save\r\n", m_name.c_str());
}

void CSkinDialogEx::Exit() {
    ReleasePicture();
    if (m_hWnd) KillTimer(kSkinRepeatTimer);
    if (m_options.lifecycle_lines) DebugPrintf("%s: CSkinDialogEx::Exit\r\n", m_name.c_str());
}

BOOL CSkinDialogEx::InitSkin(HBITMAP background) {
    CDialog::OnInitDialog();
    BITMAP info;
    if (background && GetObject(background, sizeof(info), &info) && info.bmWidth > 0 && info.bmHeight > 0) {
        m_width = info.bmWidth;
        m_height = info.bmHeight;
    } else if (auto panel = ReadPanelSize(); panel && panel->width > 0 && panel->height > 0) {
        m_width = static_cast<int>(panel->width);
        m_height = static_cast<int>(panel->height);
    } else {
        m_width = 800;
        m_height = 480;
    }
    m_background = background;
    m_background_origin = {0, 0};
    if (m_hWnd) SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, m_width, m_height, SWP_SHOWWINDOW);

    ReleasePicture();
    HDC window_dc = m_hWnd ? GetDC(m_hWnd) : nullptr;
    m_memory_dc = CreateCompatibleDC(window_dc);
    if (window_dc) ReleaseDC(m_hWnd, window_dc);
    m_source_dc = CreateCompatibleDC(m_memory_dc);
    if (!m_memory_dc || !m_source_dc) {
        DebugPrintf("%s: CSkinDialogEx::InitSkin no drawing context\r\n", m_name.c_str());
        ReleasePicture();
        return FALSE;
    }
    m_memory_bitmap = CreateCompatibleBitmap(m_memory_dc, m_width, m_height);
    if (!m_memory_bitmap) {
        DebugPrintf("%s: CSkinDialogEx::InitSkin no %dx%d picture\r\n", m_name.c_str(), m_width, m_height);
        ReleasePicture();
        return FALSE;
    }
    m_memory_previous = SelectObject(m_memory_dc, m_memory_bitmap);
    if (m_options.seek_knob && !m_knob) m_knob = LoadBitmap(kSeekBarKnobImage);
    return TRUE;
}

void CSkinDialogEx::ReleasePicture() {
    if (m_memory_dc) {
        if (m_memory_previous) SelectObject(m_memory_dc, m_memory_previous);
        DeleteDC(m_memory_dc);
    }
    if (m_memory_bitmap) DeleteObject(m_memory_bitmap);
    if (m_source_dc) DeleteDC(m_source_dc);
    m_memory_dc = nullptr;
    m_memory_bitmap = nullptr;
    m_memory_previous = nullptr;
    m_source_dc = nullptr;
}

bool CSkinDialogEx::AddControl(int id, int image_number, int x, int y, int width, int height, int states,
                               DWORD kind) {
    if (m_count >= kMaxSkinControls) {
        DebugPrintf("%s: CSkinDialogEx::AddControl %d refused, %d controls already\r\n", m_name.c_str(), id,
                    m_count);
        return false;
    }
    SkinControl& control = m_controls[static_cast<std::size_t>(m_count)];
    control = SkinControl{};
    control.image = LoadImageNumber(image_number);
    control.rect = {x, y, x + width, y + height};
    control.id = id;
    control.image_number = image_number;
    control.states = states;
    control.kind = kind;
    ++m_count;
    return true;
}

void CSkinDialogEx::ReleaseImages(SkinControl& control) {
    for (HBITMAP bitmap : {control.image, control.slider.segment, control.label.digits, control.seek.fill})
        if (bitmap) DeleteObject(bitmap);
    control = SkinControl{};
}

void CSkinDialogEx::ClearControls() {
    for (int i = 0; i < m_count; ++i) ReleaseImages(m_controls[static_cast<std::size_t>(i)]);
    m_count = 0;
    // A screen rebuilt under the pen leaves no control to act on at the release.
    if (m_pen_control >= 0) m_pen_control = kForgottenControl;
    m_pen_inside = false;
    if (m_hWnd) KillTimer(kSkinRepeatTimer);
}

int CSkinDialogEx::IndexOf(int id) const {
    for (int i = 0; i < m_count; ++i)
        if (m_controls[static_cast<std::size_t>(i)].id == id) return i;
    return -1;
}

const SkinControl* CSkinDialogEx::Control(int id) const {
    const int index = IndexOf(id);
    return index < 0 ? nullptr : &m_controls[static_cast<std::size_t>(index)];
}

bool CSkinDialogEx::SetKind(int id, DWORD kind) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    m_controls[static_cast<std::size_t>(index)].kind = kind;
    DrawControl(index);
    return true;
}

bool CSkinDialogEx::EnableControl(int id, bool enabled) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    if (enabled == !control.Has(SKIN_DISABLED)) return true;
    if (enabled) {
        control.kind &= ~SKIN_DISABLED;
    } else {
        control.kind = (control.kind | SKIN_DISABLED) & ~(SKIN_PRESSED | SKIN_TAKEN);
        if (m_pen_control == index) KillTimer(kSkinRepeatTimer);
    }
    DrawControl(index);
    return true;
}

bool CSkinDialogEx::SetFlags(int id, DWORD mask, DWORD value) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    control.kind = value | (control.kind & ~mask);
    DrawControl(index);
    return true;
}

bool CSkinDialogEx::SetSlider(int id, int value, int minimum, int maximum, int text_x, int text_y,
                              int segment_image) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    if (control.slider.segment) DeleteObject(control.slider.segment);
    control.slider = {LoadImageNumber(segment_image), maximum, minimum, value};
    control.text_x = text_x;
    control.text_y = text_y;
    return true;
}

bool CSkinDialogEx::SetSliderValue(int id, int value) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    m_controls[static_cast<std::size_t>(index)].slider.value = value;
    DrawControl(index);
    return true;
}

bool CSkinDialogEx::SetSeekBar(int id, double value, double minimum, double maximum, int text_x, int text_y,
                               int fill_image) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    if (control.seek.fill) DeleteObject(control.seek.fill);
    control.seek = {LoadImageNumber(fill_image), maximum, minimum, value, false};
    control.text_x = text_x;
    control.text_y = text_y;
    return true;
}

bool CSkinDialogEx::SetSeekValue(int id, double value) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    // The user's drag wins over the player's position reports.
    if (control.seek.dragging) return true;
    control.seek.value = value;
    DrawControl(index);
    return true;
}

bool CSkinDialogEx::SetTextStyle(int id, int text_size, COLORREF colour, int text_x, int text_y, int digit_image) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    control.text_size = text_size;
    control.text_colour = colour;
    control.text_x = text_x;
    control.text_y = text_y;
    if (control.label.digits) DeleteObject(control.label.digits);
    control.label.digits = LoadImageNumber(digit_image);
    return true;
}

bool CSkinDialogEx::SetTextAlign(int id, UINT horizontal, bool vertically_centred) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    control.text_align = horizontal & (DT_CENTER | DT_RIGHT);
    control.text_vcentre = vertically_centred;
    return true;
}

bool CSkinDialogEx::SetImage(int id, int image_number) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    if (control.image_number != image_number) {
        if (control.image) DeleteObject(control.image);
        control.image = LoadImageNumber(image_number);
        control.image_number = image_number;
    }
    DrawControl(index);
    return true;
}

bool CSkinDialogEx::SetImageRow(int id, int row) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    m_controls[static_cast<std::size_t>(index)].image_row = row;
    DrawControl(index);
    return true;
}

bool CSkinDialogEx::SetControlText(int id, const std::string& text, TextPath path, TextScroll scroll) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    std::string shown = text;
    if (path == TextPath::LastComponent) {
        const auto slash = shown.find_last_of("\\/");
        if (slash != std::string::npos) shown = shown.substr(slash + 1);
    }
    control.text = CutToCapacity(shown);
    if (control.Kind() == SKIN_STATIC) {
        control.label.scroll_offset = 0;
        control.label.scroll = scroll == TextScroll::On;
        control.label.scroll_step = kSkinScrollStep;
    }
    DrawControl(index);
    return true;
}

bool CSkinDialogEx::SetControlText(int id, const std::string& text, TextPath path, TextScroll scroll, int text_x,
                                   int text_y, int text_size) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    if (text_x != -1) control.text_x = text_x;
    if (text_y != -1) control.text_y = text_y;
    if (text_size != -1) control.text_size = text_size;
    return SetControlText(id, text, path, scroll);
}

bool CSkinDialogEx::SetTimeText(int id, double seconds, int text_x, int text_y, int text_size) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    // Whole seconds; a negative or unmeasurable time shows as zero.
    long long whole = 0;
    if (std::isfinite(seconds) && seconds > 0) whole = seconds >= 3.6e15 ? 3600000000000000LL : static_cast<long long>(seconds);
    char text[64];
    std::snprintf(text, sizeof(text), "%02lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    if (m_controls[static_cast<std::size_t>(index)].text == text) return true;
    return SetControlText(id, text, TextPath::Whole, TextScroll::Off, text_x, text_y, text_size);
}

int CSkinDialogEx::AdvanceScroll(int id) {
    const int index = IndexOf(id);
    if (index < 0) return -1;
    SkinControl& control = m_controls[static_cast<std::size_t>(index)];
    if (control.Kind() != SKIN_STATIC || !control.label.scroll) return -1;
    control.label.scroll_offset += control.label.scroll_step;
    DrawControl(index);
    // Drawing puts the offset back to 0 once the text has gone by, and ends the scrolling of a
    // text that fits.
    if (!control.label.scroll) return -1;
    return control.label.scroll_offset == 0 ? 0 : kSkinScrollStepsPerSecond;
}

void CSkinDialogEx::EnablePainting(bool enabled) {
    m_painting = enabled;
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CSkinDialogEx::Invalidate(const RECT& rect) {
    if (m_hWnd) InvalidateRect(m_hWnd, &rect, FALSE);
}

LRESULT CSkinDialogEx::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
    const auto point = [lparam] {
        return POINT{static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lparam))),
                     static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(lparam)))};
    };
    switch (message) {
        case WM_PAINT: {
            if (!m_painting || !m_memory_dc) return Default(message, wparam, lparam);
            PAINTSTRUCT paint;
            HDC hdc = BeginPaint(m_hWnd, &paint);
            if (hdc) {
                BitBlt(hdc, 0, 0, m_width, m_height, m_memory_dc, 0, 0, SRCCOPY);
                EndPaint(m_hWnd, &paint);
            }
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
            OnPenDown(point());
            return 0;
        case WM_MOUSEMOVE:
            OnPenMove(point());
            return 0;
        case WM_LBUTTONUP:
            OnPenUp(point());
            return 0;
        case WM_TIMER:
            if (wparam == kSkinRepeatTimer) {
                OnRepeatTimer();
                return 0;
            }
            return Default(message, wparam, lparam);
        case WM_DESTROY: {
            const LRESULT result = Default(message, wparam, lparam);
            ReleasePicture();
            ClearControls();
            Save();
            Exit();
            return result;
        }
        default:
            return Default(message, wparam, lparam);
    }
}
