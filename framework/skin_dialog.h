// The full-screen skin dialog every program of the suite derives its main dialog from. The
// dialog draws everything into an off-screen picture of the whole screen and copies it to the
// window on WM_PAINT. Its controls are records in one flat list of at most 30, drawn from skin
// bitmaps; the pen handling turns presses on them into WM_COMMAND, WM_SKIN_SLIDER and
// WM_SKIN_CLICK notifications of the dialog itself.
//
// A screen is built by ClearControls, AddControl for each control in drawing order (later
// controls draw over earlier ones, earlier ones win hit tests), DrawBackground and RedrawAll.
//
// Bitmaps handed in (the background of InitSkin and DrawBackground) stay the caller's: they
// must live as long as the dialog draws from them. Control images are loaded and owned here.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "framework/program_messages.h"
#include "platform/app/dialog.h"
#include "platform/gfx/gfx.h"

// Control kinds: the high half of a control's kind word.
constexpr DWORD SKIN_BUTTON = 0x00010000;
constexpr DWORD SKIN_SLIDER = 0x00020000;
constexpr DWORD SKIN_STATIC = 0x00040000;
constexpr DWORD SKIN_SEEKBAR = 0x00080000;
constexpr DWORD SKIN_KIND_MASK = 0xFFFF0000;

// Control flags: the low half of the kind word.
constexpr DWORD SKIN_REPEAT = 0x01;            // auto-repeat while held
constexpr DWORD SKIN_INERT = 0x02;             // a press is taken at once
constexpr DWORD SKIN_PRESSED = 0x04;           // set while the pen is down on it
constexpr DWORD SKIN_LATCHED = 0x08;           // drawn like pressed; presses are taken
constexpr DWORD SKIN_LATCH_ON_RELEASE = 0x10;  // a release inside sets SKIN_LATCHED
constexpr DWORD SKIN_TAKEN = 0x20;             // the WM_SKIN_CLICK handler took this press
constexpr DWORD SKIN_HIDDEN = 0x40;            // not hit-tested; drawn as the background
constexpr DWORD SKIN_HIGHLIGHTED = 0x80;       // keyboard/remote focus look
constexpr DWORD SKIN_DISABLED = 0x100;         // hit but inert; drawn from the image's disabled row
constexpr DWORD SKIN_FLAG_MASK = 0x0000FFFF;

constexpr int kMaxSkinControls = 30;
constexpr int kSkinTextCapacity = 259;          // UTF-16 units, as the device stores them
constexpr UINT_PTR kSkinRepeatTimer = 4000;
constexpr UINT kSkinRepeatFirstMs = 250;
constexpr UINT kSkinRepeatNextMs = 100;
constexpr LPARAM kSkinClickPress = 513;         // WM_SKIN_CLICK's lParam
constexpr WPARAM kSkinReleaseOnNothing = 514;   // WM_SKIN_SLIDER's wParam for a bare release
constexpr int kSkinScrollStep = 4;
constexpr int kSkinScrollStepsPerSecond = 10;  // 40 pixels a second
constexpr COLORREF kSkinKeyColour = RGB(255, 0, 255);
constexpr int kSeekBarImageMargin = 14;         // the part of a fill image that never shows
constexpr UINT kSeekBarKnobImage = 164;

enum class TextPath { Whole, LastComponent };   // SetControlText's path flag
enum class TextScroll { Off, On };

struct SkinSliderExtra {
    HBITMAP segment = nullptr;
    int maximum = 0;
    int minimum = 0;
    int value = 0;
};
struct SkinStaticExtra {
    HBITMAP digits = nullptr;  // a strip of glyphs as wide as the text size each
    bool scroll = false;
    int scroll_offset = 0;
    int scroll_step = kSkinScrollStep;
};
struct SkinSeekExtra {
    HBITMAP fill = nullptr;
    double maximum = 0;
    double minimum = 0;
    double value = 0;
    bool dragging = false;
};

struct SkinControl {
    HBITMAP image = nullptr;
    std::string text;  // UTF-8, at most kSkinTextCapacity UTF-16 units
    RECT rect;
    int id = 0;
    int image_number = -1;
    int states = 0;  // informative
    int text_x = 0, text_y = 0;
    int image_row = 0;
    COLORREF text_colour = RGB(255, 255, 255);
    int text_size = 10;
    DWORD kind = 0;  // kind | flags
    // A static's text layout (the device takes it from the dialog template's control).
    UINT text_align = DT_LEFT;
    bool text_vcentre = false;
    SkinSliderExtra slider;
    SkinStaticExtra label;
    SkinSeekExtra seek;

    DWORD Kind() const { return kind & SKIN_KIND_MASK; }
    bool Has(DWORD flag) const { return (kind & flag) != 0; }
};

// Per-program additions of the one class.
struct SkinDialogOptions {
    bool lifecycle_lines = false;  // Save and Exit write their debug lines (Music, Movie, FileShelf, Extview)
    bool seek_knob = false;        // seek bars draw the knob image 164 (Music)
};

class CSkinDialogEx : public CDialog {
public:
    explicit CSkinDialogEx(std::string class_name = "Dialog", std::string title = {},
                           SkinDialogOptions options = {});
    ~CSkinDialogEx() override;

    // Stores state when the dialog is destroyed.
    virtual void Save();
    // Releases the off-screen picture and stops the auto-repeat timer.
    virtual void Exit();
    // Sizes the window to the background (else the panel, else 800 × 480) and makes the
    // off-screen picture. Runs from the derived OnInitDialog, before any control is added.
    virtual BOOL InitSkin(HBITMAP background);

    // Builds the screen from the dialog template `name` in the program's dialog.txt, in place
    // of InitSkin and AddControl: the template's background (loaded and owned here), then its
    // controls in the template's order with their images, kinds, captions and text styles. A
    // slider, seek bar or digit static still takes its range or glyph strip from the program.
    // FALSE, with a debug line, when the file or the template is missing or has a bad line,
    // or the template holds more than kMaxSkinControls controls or a standard control (list
    // box, combo box, radio button) that only a plain dialog has; the dialog then has no
    // screen and no controls.
    BOOL InitFromTemplate(const std::string& name);
    // Another screen of the same dialog from the template `name`: its background and controls
    // replace the current ones, and the window stays where it is, shown or hidden, in front or
    // behind. Before the first screen it places the window as InitFromTemplate does. Nothing
    // is drawn to the window until RedrawAll.
    BOOL ChangeScreen(const std::string& name);

    // Appends a control; false (and nothing added) when the list holds 30 already.
    bool AddControl(int id, int image_number, int x, int y, int width, int height, int states, DWORD kind);
    void ClearControls();
    int ControlCount() const { return m_count; }
    // The record of an id; null when there is none.
    const SkinControl* Control(int id) const;

    // Each of these does nothing (false) for an id not in the list.
    bool SetKind(int id, DWORD kind);
    // A disabled control still covers its place (a press on it is no press on nothing) but
    // takes no press; a button draws its image's second row, the disabled look, when the image
    // has one. Disabling a button under the pen ends its press and its auto-repeat.
    bool EnableControl(int id, bool enabled);
    bool SetFlags(int id, DWORD mask, DWORD value);
    bool SetSlider(int id, int value, int minimum, int maximum, int text_x, int text_y, int segment_image);
    bool SetSliderValue(int id, int value);
    bool SetSeekBar(int id, double value, double minimum, double maximum, int text_x, int text_y, int fill_image);
    bool SetSeekValue(int id, double value);
    bool SetTextStyle(int id, int text_size, COLORREF colour, int text_x, int text_y, int digit_image);
    bool SetTextAlign(int id, UINT horizontal, bool vertically_centred);
    bool SetImageRow(int id, int row);
    // Another skin bitmap for the control (a play button that becomes a pause button); the
    // control keeps its place, kind and text.
    bool SetImage(int id, int image_number);
    bool SetControlText(int id, const std::string& text, TextPath path = TextPath::Whole,
                        TextScroll scroll = TextScroll::Off);
    // The same, also setting the text offsets and size; -1 keeps a value.
    bool SetControlText(int id, const std::string& text, TextPath path, TextScroll scroll, int text_x, int text_y,
                        int text_size);
    // "hh:mm:ss" of the whole seconds; the control changes only when its text does.
    bool SetTimeText(int id, double seconds, int text_x = -1, int text_y = -1, int text_size = -1);
    // One step of a scrolling static's text, from the owner's own timer, and when to take the
    // next: -1 when the text does not scroll (any more), 0 when it is back at its start (the
    // owner waits a while before the next pass), else the steps per second to keep.
    int AdvanceScroll(int id);

    void DrawBackground(HBITMAP bitmap, int x, int y);
    // A single line into the screen picture; `format` places it in the rectangle (DT_LEFT,
    // DT_CENTER, DT_VCENTER...).
    void DrawText(int left, int top, int right, int bottom, int text_size, COLORREF colour, const std::string& text,
                  UINT format = DT_LEFT);
    void RedrawAll();

    void EnablePainting(bool enabled);
    // The next press and release are ignored (a popup closed by a press leaves its release).
    void SwallowNextRelease() { m_swallow_next_release = true; }
    void SetName(std::string name) { m_name = std::move(name); }
    const std::string& Name() const { return m_name; }
    int ScreenWidth() const { return m_width; }
    int ScreenHeight() const { return m_height; }
    POINT LastReleasePoint() const { return m_last_release; }
    HDC MemoryDC() const { return m_memory_dc; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

    void DrawControl(int index);

private:
    enum class TemplatePlacement { PlaceWindow, KeepWindow };
    BOOL BuildFromTemplate(const std::string& name, TemplatePlacement placement);
    int IndexOf(int id) const;
    int HitTest(POINT point) const;
    void Invalidate(const RECT& rect);
    void CopyFromBitmap(HBITMAP bitmap, int x, int y, int width, int height, int source_x, int source_y);
    void CopyKeyed(HBITMAP bitmap, int x, int y, int width, int height, int source_x, int source_y);
    void CopyBackground(const RECT& rect);
    HFONT MakeFont(int text_size) const;
    void DrawButton(const SkinControl& control);
    void DrawSlider(const SkinControl& control);
    void DrawStatic(SkinControl& control);
    void DrawStaticText(SkinControl& control);
    void DrawSeekBar(const SkinControl& control);
    void ReleaseImages(SkinControl& control);
    void ReleasePicture();

    // Pen handling (skin_dialog_pen.cpp).
    void OnPenDown(POINT point);
    void OnPenMove(POINT point);
    void OnPenUp(POINT point);
    void OnRepeatTimer();
    int SliderValueAt(const SkinControl& control, int x) const;
    double SeekValueAt(const SkinControl& control, int x) const;
    void SliderPen(int index, POINT point, bool notify_refusal);
    // After a synchronous notification: is the control under the pen still the same record?
    bool PenControlIs(int index, int id) const;

    static constexpr int kForgottenControl = -2;  // the pen's control went with its screen

    SkinDialogOptions m_options;
    std::string m_name;
    int m_width = 800;
    int m_height = 480;
    HDC m_memory_dc = nullptr;
    HBITMAP m_memory_bitmap = nullptr;
    HGDIOBJ m_memory_previous = nullptr;
    HDC m_source_dc = nullptr;
    HBITMAP m_background = nullptr;
    HBITMAP m_template_background = nullptr;  // InitFromTemplate's, owned
    POINT m_background_origin;
    HBITMAP m_knob = nullptr;
    std::string m_font_face = "Tahoma";
    std::array<SkinControl, kMaxSkinControls> m_controls{};
    int m_count = 0;
    int m_pen_control = -1;
    bool m_repeat_fired = false;
    bool m_pen_inside = false;
    bool m_pen_down = false;
    bool m_painting = false;
    bool m_swallow_next_release = false;
    DWORD m_pen_down_tick = 0;
    DWORD m_last_seek_draw = 0;
    POINT m_last_release;
};
