// 2D drawing as the device's programs see it: drawing contexts, 32-bit bitmaps, pens, brushes,
// fonts and text, with the device's names, numbers and semantics.
//
// Pixels. Every bitmap and every drawing surface holds 32-bit pixels 0x00RRGGBB in native byte
// order (SDL_PIXELFORMAT_XRGB8888). The top byte is written as 0 and ignored when read: colour
// keys and GetPixel compare only the low 24 bits. A COLORREF is the device's 0x00BBGGRR, built
// with RGB(); the calls convert between the two.
//
// Handles are the library's own objects, checked on every call: a null, deleted or wrong kind
// of handle fails with FALSE/NULL (or CLR_INVALID) and ERROR_INVALID_HANDLE as the last error,
// bad sizes with ERROR_INVALID_PARAMETER. Drawing that falls outside a surface is clipped away.
//
// Resources. LoadBitmap(id) reads "<id>.png", else "<id>.bmp", from the program's resource
// directory: $DEVICE_RESOURCES when set, else "<device root>/fs/NAND/<program name without
// its extension>/" (MUSIC.EXE → fs/NAND/MUSIC/), so the build installs a program's rendered
// skins next to its executable. SetResourceDir overrides both (tests).
//
// Fonts. A face name maps to a font file: device.conf "font.<Face Name> = /path/file.ttf"
// (and "font.<Face Name>.bold" for weights of 600 and more) overrides the built-in map, in
// which every face, known ("Gulim", "Tahoma", "Arial", ...) or not, draws with NanumGothic
// (NanumGothicBold when bold). "font.default" overrides the file used for unknown faces. Face
// names are matched as written in device.conf (the keys are case-sensitive).
// Heights are pixels at 96 dots per inch, as on the device: a negative height is the
// character (em) height, a positive one the cell height (ascent + descent), 0 a default.
#pragma once

#include <cstdint>
#include <string>

#include "platform/kernel/last_error.h"
#include "platform/win32_types.h"
#include "platform/window/window.h"

struct HDC__;
struct HBITMAP__;
struct HFONT__;
struct HPEN__;
struct HBRUSH__;
using HDC = HDC__*;
using HBITMAP = HBITMAP__*;
using HFONT = HFONT__*;
using HPEN = HPEN__*;
using HBRUSH = HBRUSH__*;
using HGDIOBJ = void*;
using COLORREF = DWORD;

struct SIZE {
    LONG cx = 0, cy = 0;
};

constexpr COLORREF RGB(int red, int green, int blue) {
    return static_cast<COLORREF>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF color) { return static_cast<BYTE>(color & 0xFF); }
constexpr BYTE GetGValue(COLORREF color) { return static_cast<BYTE>((color >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF color) { return static_cast<BYTE>((color >> 16) & 0xFF); }
constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

// A missing numbered resource.
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// Raster operations.
constexpr DWORD SRCCOPY = 0x00CC0020u;
constexpr DWORD SRCPAINT = 0x00EE0086u;
constexpr DWORD SRCAND = 0x008800C6u;
constexpr DWORD SRCINVERT = 0x00660046u;
constexpr DWORD NOTSRCCOPY = 0x00330008u;
constexpr DWORD DSTINVERT = 0x00550009u;
constexpr DWORD PATCOPY = 0x00F00021u;
constexpr DWORD BLACKNESS = 0x00000042u;
constexpr DWORD WHITENESS = 0x00FF0062u;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_GUI_FONT = 17;

// Object types (GetObjectType).
constexpr DWORD OBJ_PEN = 1;
constexpr DWORD OBJ_BRUSH = 2;
constexpr DWORD OBJ_DC = 3;
constexpr DWORD OBJ_FONT = 6;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_MEMDC = 10;

// Pen styles: solid and null pens are drawn; other styles are refused.
constexpr int PS_SOLID = 0;
constexpr int PS_NULL = 5;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Font weights, character set, quality.
constexpr int FW_DONTCARE = 0;
constexpr int FW_THIN = 100;
constexpr int FW_LIGHT = 300;
constexpr int FW_NORMAL = 400;
constexpr int FW_MEDIUM = 500;
constexpr int FW_SEMIBOLD = 600;
constexpr int FW_BOLD = 700;
constexpr int FW_HEAVY = 900;
constexpr DWORD ANSI_CHARSET = 0;
constexpr DWORD DEFAULT_CHARSET = 1;
constexpr DWORD HANGEUL_CHARSET = 129;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
constexpr DWORD DEFAULT_QUALITY = 0;
constexpr DWORD DRAFT_QUALITY = 1;
constexpr DWORD PROOF_QUALITY = 2;
constexpr DWORD NONANTIALIASED_QUALITY = 3;  // glyphs drawn without smoothing
constexpr DWORD ANTIALIASED_QUALITY = 4;
constexpr DWORD CLEARTYPE_QUALITY = 5;
constexpr DWORD DEFAULT_PITCH = 0;
constexpr DWORD FF_DONTCARE = 0;

// DrawText flags.
constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;

// GetDeviceCaps indexes.
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

// Bitmaps described by GetObject and CreateDIBSection.
struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;
    WORD bmPlanes = 0;
    WORD bmBitsPixel = 0;
    void* bmBits = nullptr;
};
struct LOGPEN {
    UINT lopnStyle = 0;
    POINT lopnWidth;
    COLORREF lopnColor = 0;
};
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
struct LOGBRUSH {
    UINT lbStyle = 0;
    COLORREF lbColor = 0;
    std::uintptr_t lbHatch = 0;
};
constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;
struct BITMAPINFOHEADER {
    DWORD biSize = sizeof(BITMAPINFOHEADER);
    LONG biWidth = 0;
    LONG biHeight = 0;  // positive: rows stored bottom-up; negative: top-down
    WORD biPlanes = 1;
    WORD biBitCount = 32;
    DWORD biCompression = BI_RGB;
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
};

struct TEXTMETRIC {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
};

// Drawing contexts.
HDC CreateCompatibleDC(HDC hdc);  // hdc may be NULL (the screen)
BOOL DeleteDC(HDC hdc);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);  // returns the previous object of that kind
HGDIOBJ GetCurrentObject(HDC hdc, DWORD type);
HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ object);  // a bitmap selected into a DC is refused
// Describes a bitmap (BITMAP; bmBits only for DIB sections), pen (LOGPEN) or brush (LOGBRUSH);
// out == NULL asks for the size. Fonts are not described: 0 with ERROR_NOT_SUPPORTED.
int GetObject(HGDIOBJ object, int size, void* out);
DWORD GetObjectType(HGDIOBJ object);
int GetDeviceCaps(HDC hdc, int index);

// Bitmaps: always 32 bits per pixel. New bitmaps start black.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits);
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
// The bitmap numbered id from the program's resource directory (see above); NULL with
// ERROR_RESOURCE_NAME_NOT_FOUND when there is none, ERROR_FILE_INVALID when it cannot be decoded.
HBITMAP LoadBitmap(UINT id);
// The device's form; a program has one resource directory, so the instance does not choose it.
HBITMAP LoadBitmap(void* instance, UINT id);

// Block copies. Sizes and offsets are clipped to both surfaces; copies within one surface may
// overlap. StretchBlt and TransparentBlt scale by picking the nearest source pixel.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int source_x, int source_y, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int source_x, int source_y,
                int source_width, int source_height, DWORD rop);
BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC source, int source_x, int source_y,
                    int source_width, int source_height, UINT key_color);

// Pens, brushes and shapes. Rectangles are [left, right) × [top, bottom).
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
BOOL LineTo(HDC hdc, int x, int y);  // the end point itself is not drawn
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC hdc, int x, int y);

// Text.
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strike_out, DWORD char_set, DWORD out_precision, DWORD clip_precision, DWORD quality,
                 DWORD pitch_and_family, const std::string& face_name);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
BOOL GetTextExtentPoint32(HDC hdc, const std::string& text, SIZE* size);
BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* metrics);
BOOL TextOut(HDC hdc, int x, int y, const std::string& text);
// Text in UTF-8 inside rect. DT_VCENTER and DT_BOTTOM apply to DT_SINGLELINE text, as on the
// device; with DT_WORDBREAK lines break at spaces and a word wider than the rectangle stays
// whole. Without DT_NOPREFIX "&x" underlines x and "&&" draws "&". Returns the text height
// (the offset of its bottom from rect->top with DT_VCENTER or DT_BOTTOM), 0 on failure.
int DrawText(HDC hdc, const std::string& text, int count, RECT* rect, UINT format);

namespace platform {

// A surface's pixels: row y starts at (uint8_t*)pixels + y * pitch_bytes (negative for
// bottom-up bitmaps).
struct PixelBuffer {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitch_bytes = 0;
};
// The pixels of a bitmap; false with ERROR_INVALID_HANDLE for anything else.
[[nodiscard]] bool GetBitmapPixels(HBITMAP bitmap, PixelBuffer* out);
// The pixels a DC draws into (its selected bitmap or the memory it wraps).
[[nodiscard]] bool GetDCPixels(HDC hdc, PixelBuffer* out);
// A DC drawing into memory it does not own (a window's shared surface). The memory must
// outlive the DC; DeleteDC leaves it alone. No bitmap can be selected into it.
HDC CreateDCForPixels(std::uint32_t* pixels, int width, int height, int pitch_bytes);
// Writes a bitmap as a PNG file; false with the last error set on failure.
[[nodiscard]] bool SaveBitmapPng(HBITMAP bitmap, const std::string& path);

// Where LoadBitmap looks; an empty path restores the default rule.
std::string ResourceDir();
void SetResourceDir(const std::string& directory);

// The font file a face name and weight draw with (device.conf first, then the built-in map).
std::string FontFileFor(const std::string& face_name, int weight);

}  // namespace platform
