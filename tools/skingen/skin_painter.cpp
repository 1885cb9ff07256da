#include "tools/skingen/skin_painter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "tools/skingen/canvas.h"
#include "tools/skingen/skin_icons.h"

namespace skingen {
namespace {

using resources::SkinBitmap;
using resources::SkinIcon;
using resources::SkinLook;

// The theme: near-black panels, slate buttons, one cyan accent, white text.
constexpr Colour kPanelTop{24, 28, 36};
constexpr Colour kPanelBottom{14, 17, 22};
constexpr Colour kButtonTop{66, 73, 86};
constexpr Colour kButtonBottom{38, 43, 52};
constexpr Colour kButtonEdge{96, 106, 122};
constexpr Colour kPressedTop{16, 19, 24};
constexpr Colour kPressedBottom{30, 35, 44};
constexpr Colour kHighlightTop{84, 96, 114};
constexpr Colour kHighlightBottom{52, 60, 74};
constexpr Colour kAccent{0, 178, 255};
constexpr Colour kAccentDark{0, 96, 168};
constexpr Colour kText{240, 244, 250};
constexpr Colour kDimText{150, 160, 176};
constexpr Colour kGroove{8, 10, 14};
constexpr Colour kWaitBackground{33, 8, 8};  // HomeDeck's wait screen colour
constexpr Colour kMagenta{255, 0, 255};
constexpr Colour kIconKey{248, 0, 248};  // the key colour list icons are drawn on
constexpr Colour kDisabledTop{40, 44, 52};
constexpr Colour kDisabledBottom{30, 33, 40};
constexpr Colour kDisabledInk{92, 100, 114};
constexpr Colour kFolder{250, 196, 64};
constexpr Colour kFolderDark{206, 150, 32};

enum class ButtonState { Normal, Pressed, Highlighted, Latched };
// A button strip's frame order: normal, pressed (also shown when latched), highlighted; a
// fourth frame, when declared, is the latched look.
constexpr ButtonState kButtonFrames[] = {ButtonState::Normal, ButtonState::Pressed, ButtonState::Highlighted,
                                         ButtonState::Latched};

struct Frame {
    int left, top, width, height;
    int index;  // frame number in its row
    int row;
    double CentreX() const { return left + width / 2.0; }
    double CentreY() const { return top + height / 2.0; }
};

HFONT LabelFont(int height, DWORD quality = ANTIALIASED_QUALITY) {
    return CreateFont(-height, 0, 0, 0, FW_BOLD, 0, 0, 0, HANGEUL_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                      quality, DEFAULT_PITCH, "NanumGothic");
}

int TextWidth(HDC dc, const std::string& text, int height) {
    HFONT font = LabelFont(height);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32(dc, text, &extent);
    SelectObject(dc, old);
    DeleteObject(font);
    return static_cast<int>(extent.cx);
}

void Text(HDC dc, const std::string& text, RECT rect, int height, Colour colour, UINT format,
          DWORD quality = ANTIALIASED_QUALITY) {
    HFONT font = LabelFont(height, quality);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour.Ref());
    DrawText(dc, text, -1, &rect, format | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
}

void PaintButton(HDC dc, Canvas& canvas, const SkinBitmap& bitmap, const Frame& f) {
    // The second row, in every frame, is the disabled look: flat and dim, so the user sees the
    // button does nothing now.
    const bool disabled = f.row == 1;
    const ButtonState state = disabled ? ButtonState::Normal : f.index < 4 ? kButtonFrames[f.index] : ButtonState::Normal;
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kPanelBottom);
    const double radius = std::min(f.width, f.height) * 0.22;
    const double l = f.left + 2, t = f.top + 2, r = f.left + f.width - 2, b = f.top + f.height - 2;
    Colour ink = kText;
    if (disabled) {
        canvas.RoundRect(l, t, r, b, radius, kDisabledTop, kDisabledBottom);
        canvas.RoundFrame(l, t, r, b, radius, 1, Colour{56, 62, 72});
        ink = kDisabledInk;
    } else switch (state) {
    case ButtonState::Normal:
        canvas.RoundRect(l, t, r, b, radius, kButtonTop, kButtonBottom);
        canvas.RoundFrame(l, t, r, b, radius, 1, kButtonEdge);
        break;
    case ButtonState::Pressed:
        canvas.RoundRect(l, t, r, b, radius, kPressedTop, kPressedBottom);
        canvas.RoundFrame(l, t, r, b, radius, 2, kAccentDark);
        ink = kAccent;
        break;
    case ButtonState::Highlighted:
        canvas.RoundRect(l, t, r, b, radius, kHighlightTop, kHighlightBottom);
        canvas.RoundFrame(l, t, r, b, radius, 2, kAccent);
        break;
    case ButtonState::Latched:
        canvas.RoundRect(l, t, r, b, radius, Colour{0, 150, 225}, kAccentDark);
        canvas.RoundFrame(l, t, r, b, radius, 1, Colour{120, 210, 255});
        break;
    }
    // A pressed button's face sinks by a pixel.
    const int sink = state == ButtonState::Pressed ? 1 : 0;
    const bool has_icon = bitmap.icon != SkinIcon::None;
    const bool has_label = !bitmap.label.empty();
    // Short buttons (a screen's Exit or Save) get a label of at least 14 pixels where it fits.
    const int text_height = std::clamp(std::max(f.height / 4, std::min(f.height * 2 / 5, 14)), 10, 22);
    const Colour label_colour = disabled ? kDisabledInk : state == ButtonState::Pressed ? kAccent : kText;
    if (has_icon && has_label && f.width >= 2 * f.height) {
        // A wide, low button: the icon on the left of its label, the pair centred.
        const double icon_size = f.height * 0.46;
        const int gap = 8;
        const int pair = std::min(static_cast<int>(icon_size) + gap + TextWidth(dc, bitmap.label, text_height),
                                  f.width - 8);
        const int start = f.left + (f.width - pair) / 2;
        DrawIcon(canvas, bitmap.icon, start + icon_size / 2 + sink, f.CentreY() + sink, icon_size, ink);
        RECT rect{start + static_cast<int>(icon_size) + gap + sink, f.top + sink, f.left + f.width - 4 + sink,
                  f.top + f.height + sink};
        Text(dc, bitmap.label, rect, text_height, label_colour, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        return;
    }
    if (has_icon) {
        const double icon_size = std::min(f.width, f.height) * (has_label ? 0.34 : 0.42);
        const double icon_y = has_label ? f.top + f.height * 0.38 : f.CentreY();
        DrawIcon(canvas, bitmap.icon, f.CentreX() + sink, icon_y + sink, icon_size, ink);
    }
    if (has_label) {
        RECT rect{f.left + 4 + sink, f.top + sink, f.left + f.width - 4 + sink, f.top + f.height + sink};
        if (has_icon) rect.top = f.top + f.height * 62 / 100 + sink, rect.bottom = f.top + f.height - 4 + sink;
        Text(dc, bitmap.label, rect, has_icon ? std::clamp(f.height / 6, 9, 16) : text_height, label_colour,
             DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

void PaintSpinner(Canvas& canvas, const SkinBitmap& bitmap, const Frame& f) {
    // Eight dots on a ring; the bright one moves a step clockwise each frame, with a fading tail.
    constexpr int kDots = 8;
    const double ring = std::min(f.width, f.height) * 0.36, dot = std::min(f.width, f.height) * 0.085;
    for (int i = 0; i < kDots; ++i) {
        const double angle = 2 * std::numbers::pi * i / kDots - std::numbers::pi / 2;
        const int behind = ((f.index * kDots / std::max(bitmap.frames, 1)) - i + kDots) % kDots;
        const Colour colour = Mix(kAccent, Colour{70, 78, 92}, std::min(1.0, behind / 3.0));
        const double grow = behind == 0 ? 1.35 : 1.0;
        canvas.Circle(f.CentreX() + ring * std::cos(angle), f.CentreY() + ring * std::sin(angle), dot * grow, colour,
                      Edge::Hard);
    }
}

void PaintWaitBox(HDC dc, Canvas& canvas, const SkinBitmap& bitmap, const Frame& f) {
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kWaitBackground);
    canvas.RoundRect(f.left + 1, f.top + 1, f.left + f.width - 1, f.top + f.height - 1, 10, kButtonTop, kButtonBottom);
    canvas.RoundFrame(f.left + 1, f.top + 1, f.left + f.width - 1, f.top + f.height - 1, 10, 1.5, kAccentDark);
    // Each row lights one more of three dots under the message.
    const int lit = f.row % 3;
    for (int i = 0; i < 3; ++i)
        canvas.Circle(f.CentreX() - 16 + i * 16, f.top + f.height * 0.74, 3.5, i <= lit ? kAccent : Colour{70, 78, 92});
    const std::string label = bitmap.label.empty() ? "잠시만 기다려 주십시오" : bitmap.label;
    Text(dc, label, RECT{f.left + 6, f.top + 6, f.left + f.width - 6, f.top + f.height * 58 / 100}, 15, kText,
         DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void PaintBar(Canvas& canvas, const Frame& f, bool filled) {
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kWaitBackground);
    const double radius = f.height / 2.0;
    if (filled)
        canvas.RoundRect(f.left, f.top, f.left + f.width, f.top + f.height, radius, Colour{90, 210, 255}, kAccentDark);
    else
        canvas.RoundRect(f.left, f.top, f.left + f.width, f.top + f.height, radius, kGroove, Colour{40, 46, 56});
}

void PaintWarning(Canvas& canvas, const Frame& f) {
    // Light so that the black message drawn over it reads well; magenta outside the corners.
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kMagenta);
    canvas.RoundRect(f.left, f.top, f.left + f.width, f.top + f.height, 12, Colour{255, 214, 102},
                     Colour{255, 214, 102}, Edge::Hard);
    canvas.RoundRect(f.left + 3, f.top + 3, f.left + f.width - 3, f.top + f.height - 3, 9, Colour{250, 251, 253},
                     Colour{222, 226, 232}, Edge::Hard);
}

void PaintPanel(HDC dc, Canvas& canvas, const SkinBitmap& bitmap, const Frame& f) {
    // Buttons and tracks are copied opaque with the panel colour in their corners, so the body
    // is flat in that colour; only the title strip has a gradient. A panel without a title has
    // no strip: its screens lay their own title bars over it.
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kPanelBottom);
    if (f.height >= 120 && !bitmap.label.empty()) {
        // A title strip with a thin accent line under it.
        canvas.RoundRect(f.left, f.top, f.left + f.width, f.top + 44, 0, Colour{36, 42, 54}, kPanelTop);
        canvas.Fill(f.left, f.top + 44, f.left + f.width, f.top + 46, kAccentDark);
    }
    if (!bitmap.label.empty())
        Text(dc, bitmap.label, RECT{f.left + 16, f.top, f.left + f.width - 16, f.top + std::min(44, f.height)}, 20,
             kText, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

void PaintTrack(Canvas& canvas, const Frame& f, bool pressed, bool seek) {
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kPanelBottom);
    const double groove = std::max(4.0, f.height * (seek ? 0.5 : 0.6));
    const double top = f.CentreY() - groove / 2, bottom = f.CentreY() + groove / 2;
    canvas.RoundRect(f.left + 1, top, f.left + f.width - 1, bottom, groove / 2, kGroove, Colour{44, 50, 62});
    canvas.RoundFrame(f.left + 1, top, f.left + f.width - 1, bottom, groove / 2, 1, pressed ? kAccent : Colour{70, 78, 92});
}

void PaintSegment(Canvas& canvas, const Frame& f) {
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kGroove);
    canvas.RoundRect(f.left + 1, f.top + 1, f.left + f.width - 2, f.top + f.height - 1, 2, Colour{90, 210, 255}, kAccentDark);
}

void PaintSeekFill(Canvas& canvas, const Frame& f) {
    PaintTrack(canvas, f, false, true);
    const double groove = std::max(4.0, f.height * 0.5);
    canvas.RoundRect(f.left + 1, f.CentreY() - groove / 2, f.left + f.width - 1, f.CentreY() + groove / 2, groove / 2,
                     Colour{90, 210, 255}, kAccentDark);
}

void PaintKnob(Canvas& canvas, const Frame& f) {
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kMagenta);
    const double radius = std::min(f.width, f.height) / 2.0;
    canvas.Circle(f.CentreX(), f.CentreY(), radius, kAccent, Edge::Hard);
    canvas.Circle(f.CentreX(), f.CentreY(), radius - 3, Colour{236, 240, 246}, Edge::Hard);
}

void PaintDigit(HDC dc, Canvas& canvas, const Frame& f) {
    // Glyph order as the skin dialog reads it: 0-9, then ':' (also used for '.'), then '-'.
    static constexpr const char* kGlyphs[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", ":", "-"};
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kMagenta);
    if (f.index >= 12) return;
    // Unsmoothed glyphs keep every pixel either ink or key colour.
    Text(dc, kGlyphs[f.index], RECT{f.left, f.top, f.left + f.width, f.top + f.height}, f.height * 9 / 10, kText,
         DT_CENTER | DT_VCENTER | DT_SINGLELINE, NONANTIALIASED_QUALITY);
}

void PaintStatic(HDC dc, Canvas& canvas, const SkinBitmap& bitmap, const Frame& f) {
    const bool selected = f.index == 1;
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kPanelBottom);
    canvas.RoundRect(f.left + 1, f.top + 1, f.left + f.width - 1, f.top + f.height - 1, 6,
                     selected ? Colour{0, 70, 120} : Colour{28, 32, 40}, selected ? Colour{0, 50, 90} : Colour{20, 23, 29});
    canvas.RoundFrame(f.left + 1, f.top + 1, f.left + f.width - 1, f.top + f.height - 1, 6, 1,
                      selected ? kAccent : Colour{54, 60, 72});
    // A plate with its own label is one of a row of choices: the label is centred on it.
    if (!bitmap.label.empty())
        Text(dc, bitmap.label, RECT{f.left + 6, f.top, f.left + f.width - 6, f.top + f.height},
             std::clamp(f.height * 2 / 5, 10, 20), selected ? kText : kDimText, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void PaintTitle(HDC dc, Canvas& canvas, const SkinBitmap& bitmap, const Frame& f) {
    // A bar in the colour of the panel's title strip, its right end cut at a slant, with an
    // accent line under it and an accent tick before the title.
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kPanelBottom);
    const double left = f.left, top = f.top, right = f.left + f.width, bottom = f.top + f.height;
    const double slant = std::min(f.height * 0.6, f.width / 4.0);
    const int line = std::max(2, f.height / 16);
    const Point bar[] = {{left, top}, {right, top}, {right - slant, bottom}, {left, bottom}};
    canvas.Polygon(bar, Colour{38, 45, 58});
    canvas.Fill(f.left, f.top + f.height - line, static_cast<int>(right - slant), f.top + f.height, kAccentDark);
    const int tick = std::max(2, f.height / 5);
    canvas.Fill(f.left + 8, f.top + tick, f.left + 12, f.top + f.height - line - tick, kAccent);
    if (!bitmap.label.empty())
        Text(dc, bitmap.label, RECT{f.left + 22, f.top, static_cast<int>(right - slant), f.top + f.height - line},
             std::clamp(f.height * 11 / 20, 12, 24), kText, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

void PaintLabel(HDC dc, Canvas& canvas, const SkinBitmap& bitmap, const Frame& f) {
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kPanelBottom);
    if (!bitmap.label.empty())
        Text(dc, bitmap.label, RECT{f.left + 2, f.top, f.left + f.width - 2, f.top + f.height},
             std::clamp(f.height * 7 / 10, 10, 22), kDimText, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

void PaintCheckBox(Canvas& canvas, const Frame& f) {
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kPanelBottom);
    const double l = f.left + 1.5, t = f.top + 1.5, r = f.left + f.width - 1.5, b = f.top + f.height - 1.5;
    if (f.index == 1) {
        canvas.RoundRect(l, t, r, b, 4, kAccent, kAccentDark);
        const double w = f.width, h = f.height;
        canvas.Line({f.left + w * 0.24, f.top + h * 0.52}, {f.left + w * 0.43, f.top + h * 0.72}, 2.4, kText);
        canvas.Line({f.left + w * 0.43, f.top + h * 0.72}, {f.left + w * 0.78, f.top + h * 0.30}, 2.4, kText);
    } else {
        canvas.RoundRect(l, t, r, b, 4, kGroove, Colour{20, 24, 30});
        canvas.RoundFrame(l, t, r, b, 4, 1.5, kButtonEdge);
    }
}

// A second row, where there is one, is the selected row's bar; the first is a quieter one.
void PaintRowHighlight(Canvas& canvas, const Frame& f, int rows) {
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kPanelBottom);
    if (rows > 1 && f.row == 0) {
        canvas.RoundRect(f.left + 1, f.top + 1, f.left + f.width - 1, f.top + f.height - 1, 6, Colour{40, 48, 60},
                         Colour{30, 36, 46});
        canvas.RoundFrame(f.left + 1, f.top + 1, f.left + f.width - 1, f.top + f.height - 1, 6, 1, Colour{70, 80, 96});
        return;
    }
    canvas.RoundRect(f.left + 1, f.top + 1, f.left + f.width - 1, f.top + f.height - 1, 6, Colour{0, 120, 190},
                     Colour{0, 72, 128});
    canvas.RoundFrame(f.left + 1, f.top + 1, f.left + f.width - 1, f.top + f.height - 1, 6, 1, kAccent);
}

// A list's background: a dark well with a faint line under each of its rows, `pitch` pixels
// high, which start a pixel down.
void PaintListPanel(Canvas& canvas, const Frame& f, int pitch) {
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, Colour{18, 21, 27});
    for (int y = f.top + 1 + pitch; y < f.top + f.height - 1; y += pitch) canvas.Fill(f.left + 8, y, f.left + f.width - 14, y + 1, Colour{34, 39, 48});
    canvas.RoundFrame(f.left + 0.5, f.top + 0.5, f.left + f.width - 0.5, f.top + f.height - 0.5, 3, 1, Colour{52, 58, 70});
}

void PaintScrollThumb(Canvas& canvas, const Frame& f) {
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, Colour{18, 21, 27});
    canvas.RoundRect(f.left, f.top, f.left + f.width, f.top + f.height, f.width / 2.0,
                     f.index == 1 ? kAccent : Colour{60, 66, 78}, f.index == 1 ? kAccentDark : Colour{48, 54, 64});
}

// A folder drawn on the icon key colour with hard edges, so the key never blends into it.
void PaintFolderIcon(Canvas& canvas, const Frame& f) {
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kIconKey);
    const int l = f.left + 1, r = f.left + f.width - 1, t = f.top + 3, b = f.top + f.height - 3;
    canvas.Fill(l, t, l + (r - l) * 2 / 5, t + 3, kFolderDark);
    canvas.Fill(l, t + 2, r, b, kFolderDark);
    canvas.Fill(l + 1, t + 4, r - 1, b - 1, kFolder);
}

// A cell's number counting along each row, then down: a strip laid out either way.
int CellNumber(const SkinBitmap& bitmap, const Frame& f) { return f.row * bitmap.frames + f.index; }

// A player's state on the background: with four cells the first shows nothing and the others
// play, stop and pause; with fewer, play, stop and pause from the first.
void PaintPlayState(Canvas& canvas, const SkinBitmap& bitmap, const Frame& f) {
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kPanelBottom);
    const int cell = CellNumber(bitmap, f);
    const int sign = bitmap.frames * bitmap.rows >= 4 ? cell - 1 : cell;
    if (sign < 0) return;
    constexpr SkinIcon kSigns[] = {SkinIcon::Play, SkinIcon::Stop, SkinIcon::Pause};
    const Colour ink = sign == 0 ? kAccent : kDimText;
    DrawIcon(canvas, kSigns[sign % 3], f.CentreX(), f.CentreY(), std::min(f.width, f.height) * 0.8, ink);
}

// Bars rising and falling as music plays: each step shifts the heights along.
void PaintLevelBars(Canvas& canvas, const SkinBitmap& bitmap, const Frame& f) {
    canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kPanelBottom);
    constexpr int kHeights[] = {30, 70, 100, 55, 85, 40, 95, 60, 20, 75, 50, 90};
    constexpr int kBars = 24;
    const double pitch = static_cast<double>(f.width) / kBars;
    for (int bar = 0; bar < kBars; ++bar) {
        const int percent = kHeights[(bar * 5 + CellNumber(bitmap, f) * 7) % 12];
        const int height = std::max(2, (f.height - 4) * percent / 100);
        const int left = f.left + static_cast<int>(bar * pitch) + 1;
        const int right = f.left + static_cast<int>((bar + 1) * pitch) - 1;
        canvas.Fill(left, f.top + f.height - 2 - height, right, f.top + f.height - 2, bar % 2 ? kAccentDark : kAccent);
    }
}

void PaintFrame(HDC dc, Canvas& canvas, const SkinBitmap& bitmap, const Frame& f) {
    switch (bitmap.look) {
    case SkinLook::Button: PaintButton(dc, canvas, bitmap, f); break;
    case SkinLook::Spinner:
        canvas.Fill(f.left, f.top, f.left + f.width, f.top + f.height, kMagenta);
        PaintSpinner(canvas, bitmap, f);
        break;
    case SkinLook::WaitBox: PaintWaitBox(dc, canvas, bitmap, f); break;
    case SkinLook::Bar: PaintBar(canvas, f, f.row == 1 || f.index == 1); break;
    case SkinLook::Warning: PaintWarning(canvas, f); break;
    case SkinLook::Panel: PaintPanel(dc, canvas, bitmap, f); break;
    case SkinLook::SliderTrack: PaintTrack(canvas, f, f.index == 1, false); break;
    case SkinLook::SliderSegment: PaintSegment(canvas, f); break;
    case SkinLook::SeekTrack: PaintTrack(canvas, f, false, true); break;
    case SkinLook::SeekFill: PaintSeekFill(canvas, f); break;
    case SkinLook::Knob: PaintKnob(canvas, f); break;
    case SkinLook::Digits: PaintDigit(dc, canvas, f); break;
    case SkinLook::Static: PaintStatic(dc, canvas, bitmap, f); break;
    case SkinLook::Title: PaintTitle(dc, canvas, bitmap, f); break;
    case SkinLook::Label: PaintLabel(dc, canvas, bitmap, f); break;
    case SkinLook::CheckBox: PaintCheckBox(canvas, f); break;
    case SkinLook::RowHighlight: PaintRowHighlight(canvas, f, bitmap.rows); break;
    case SkinLook::ListPanel: PaintListPanel(canvas, f, bitmap.pitch); break;
    case SkinLook::ScrollThumb: PaintScrollThumb(canvas, f); break;
    case SkinLook::FolderIcon: PaintFolderIcon(canvas, f); break;
    case SkinLook::PlayState: PaintPlayState(canvas, bitmap, f); break;
    case SkinLook::LevelBars: PaintLevelBars(canvas, bitmap, f); break;
    }
}

}  // namespace

bool UsesKeyColour(SkinLook look) {
    return look == SkinLook::Spinner || look == SkinLook::Warning || look == SkinLook::Knob || look == SkinLook::Digits;
}

HBITMAP PaintSkinBitmap(const SkinBitmap& bitmap) {
    if (bitmap.frame_width <= 0 || bitmap.frame_height <= 0 || bitmap.frames <= 0 || bitmap.rows <= 0) return nullptr;
    HBITMAP result = CreateCompatibleBitmap(nullptr, bitmap.Width(), bitmap.Height());
    if (!result) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, result);
    Canvas canvas(dc);
    if (canvas.Valid()) {
        for (int row = 0; row < bitmap.rows; ++row)
            for (int index = 0; index < bitmap.frames; ++index)
                PaintFrame(dc, canvas, bitmap,
                           Frame{index * bitmap.frame_width, row * bitmap.frame_height, bitmap.frame_width,
                                 bitmap.frame_height, index, row});
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    return result;
}

}  // namespace skingen
