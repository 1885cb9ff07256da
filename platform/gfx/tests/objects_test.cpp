// Handles and the rules of selection and deletion; bitmaps and their pixels; DCs over foreign
// pixel memory; every bad argument answered with a failure and a last error.
#include <functional>
#include <thread>
#include <vector>

#include "platform/gfx/tests/canvas.h"

using namespace gfx_test;

TEST(GfxObjects, SelectObjectReturnsThePreviousObjectOfEachKind) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    HBITMAP first = CreateCompatibleBitmap(dc, 4, 4), second = CreateCompatibleBitmap(dc, 8, 2);
    HGDIOBJ stock_bitmap = SelectObject(dc, first);
    ASSERT_NE(stock_bitmap, nullptr);
    EXPECT_EQ(GetObjectType(stock_bitmap), OBJ_BITMAP);
    EXPECT_EQ(SelectObject(dc, second), first);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), second);

    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    HFONT font = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Gulim");
    EXPECT_EQ(SelectObject(dc, font), GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(GetObjectType(dc), OBJ_MEMDC);

    EXPECT_EQ(SelectObject(dc, stock_bitmap), second);
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), pen);
    EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_BRUSH)), brush);
    EXPECT_EQ(SelectObject(dc, GetStockObject(SYSTEM_FONT)), font);
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(first), static_cast<HGDIOBJ>(second), static_cast<HGDIOBJ>(pen),
                           static_cast<HGDIOBJ>(brush), static_cast<HGDIOBJ>(font)})
        EXPECT_TRUE(DeleteObject(object));
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(GfxObjects, ABitmapLivesInOneDcAndCannotBeDeletedThere) {
    HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(a, 2, 2);
    HGDIOBJ old = SelectObject(a, bitmap);
    SetLastError(kSentinel);
    EXPECT_EQ(SelectObject(b, bitmap), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SelectObject(a, old);
    EXPECT_NE(SelectObject(b, bitmap), nullptr);
    // Deleting the DC lets go of the bitmap.
    EXPECT_TRUE(DeleteDC(b));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(a));
}

TEST(GfxObjects, APenDeletedWhileSelectedStaysUsableUntilDeselected) {
    Canvas canvas(4, 4);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(canvas.dc(), pen);
    EXPECT_TRUE(DeleteObject(pen));
    // The handle is gone for callers, the DC still draws with it.
    SetLastError(kSentinel);
    EXPECT_EQ(GetObjectType(pen), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    MoveToEx(canvas.dc(), 0, 0, nullptr);
    LineTo(canvas.dc(), 3, 0);
    EXPECT_EQ(canvas.At(1, 0), RGB(255, 0, 0));
    SelectObject(canvas.dc(), old);
}

TEST(GfxObjects, StockObjectsSurviveDeletion) {
    HGDIOBJ black = GetStockObject(BLACK_BRUSH);
    EXPECT_TRUE(DeleteObject(black));
    LOGBRUSH brush;
    ASSERT_EQ(GetObject(black, sizeof(brush), &brush), static_cast<int>(sizeof(brush)));
    EXPECT_EQ(brush.lbColor, RGB(0, 0, 0));
    EXPECT_EQ(brush.lbStyle, BS_SOLID);
    ASSERT_EQ(GetObject(GetStockObject(NULL_BRUSH), sizeof(brush), &brush), static_cast<int>(sizeof(brush)));
    EXPECT_EQ(brush.lbStyle, BS_NULL);
    SetLastError(kSentinel);
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(GfxObjects, GetObjectDescribesBitmapsAndPens) {
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 800, 480);
    BITMAP info;
    EXPECT_EQ(GetObject(bitmap, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
    ASSERT_EQ(GetObject(bitmap, sizeof(info), &info), static_cast<int>(sizeof(info)));
    EXPECT_EQ(info.bmWidth, 800);
    EXPECT_EQ(info.bmHeight, 480);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(info.bmWidthBytes, 3200);
    SetLastError(kSentinel);
    EXPECT_EQ(GetObject(bitmap, 4, &info), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    DeleteObject(bitmap);

    HPEN pen = CreatePen(PS_SOLID, 3, RGB(9, 8, 7));
    LOGPEN pen_info;
    ASSERT_EQ(GetObject(pen, sizeof(pen_info), &pen_info), static_cast<int>(sizeof(pen_info)));
    EXPECT_EQ(pen_info.lopnWidth.x, 3);
    EXPECT_EQ(pen_info.lopnColor, RGB(9, 8, 7));
    DeleteObject(pen);
}

TEST(GfxObjects, BadHandlesAndSizesFailWithTheirErrors) {
    Canvas canvas(2, 2);
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 2, 2);
    HDC deleted_dc = CreateCompatibleDC(nullptr);
    DeleteDC(deleted_dc);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    int local = 0;
    std::uint32_t pixels[4] = {};
    SIZE size;
    struct Case {
        const char* call;
        std::function<bool()> fails;
        DWORD error;
    };
    const Case cases[] = {
        {"SelectObject(null dc)", [&] { return SelectObject(nullptr, bitmap) == nullptr; }, ERROR_INVALID_HANDLE},
        {"SelectObject(deleted dc)", [&] { return SelectObject(deleted_dc, bitmap) == nullptr; }, ERROR_INVALID_HANDLE},
        {"SelectObject(dc into dc)", [&] { return SelectObject(canvas.dc(), canvas.dc()) == nullptr; }, ERROR_INVALID_HANDLE},
        {"DeleteDC(bitmap)", [&] { return !DeleteDC(reinterpret_cast<HDC>(bitmap)); }, ERROR_INVALID_HANDLE},
        {"DeleteObject(null)", [&] { return !DeleteObject(nullptr); }, ERROR_INVALID_HANDLE},
        {"DeleteObject(stack address)", [&] { return !DeleteObject(&local); }, ERROR_INVALID_HANDLE},
        {"DeleteObject(dc)", [&] { return !DeleteObject(canvas.dc()); }, ERROR_INVALID_HANDLE},
        {"BitBlt(pen as dc)",
         [&] { return !BitBlt(reinterpret_cast<HDC>(pen), 0, 0, 1, 1, canvas.dc(), 0, 0, SRCCOPY); }, ERROR_INVALID_HANDLE},
        {"FillRect(null rect)",
         [&] { return FillRect(canvas.dc(), nullptr, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))) == 0; },
         ERROR_INVALID_PARAMETER},
        {"FillRect(pen as brush)",
         [&] { RECT r{0, 0, 1, 1}; return FillRect(canvas.dc(), &r, reinterpret_cast<HBRUSH>(pen)) == 0; },
         ERROR_INVALID_HANDLE},
        {"CreateCompatibleBitmap(-1)", [&] { return CreateCompatibleBitmap(nullptr, -1, 5) == nullptr; }, ERROR_INVALID_PARAMETER},
        {"CreateCompatibleBitmap(0)", [&] { return CreateCompatibleBitmap(nullptr, 0, 5) == nullptr; }, ERROR_INVALID_PARAMETER},
        {"CreateCompatibleBitmap(huge)", [&] { return CreateCompatibleBitmap(nullptr, 100000, 100000) == nullptr; },
         ERROR_INVALID_PARAMETER},
        {"CreateBitmap(16 bpp)", [&] { return CreateBitmap(2, 2, 1, 16, nullptr) == nullptr; }, ERROR_NOT_SUPPORTED},
        {"CreatePen(dashed)", [&] { return CreatePen(1, 1, 0) == nullptr; }, ERROR_INVALID_PARAMETER},
        {"CreateFont(height 100000)",
         [&] { return CreateFont(100000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Gulim") == nullptr; }, ERROR_INVALID_PARAMETER},
        {"SetTextColor(bitmap)", [&] { return SetTextColor(reinterpret_cast<HDC>(bitmap), 0) == CLR_INVALID; },
         ERROR_INVALID_HANDLE},
        {"SetBkMode(3)", [&] { return SetBkMode(canvas.dc(), 3) == 0; }, ERROR_INVALID_PARAMETER},
        {"DrawText(null rect)", [&] { return DrawText(canvas.dc(), "x", -1, nullptr, 0) == 0; }, ERROR_INVALID_PARAMETER},
        {"GetTextExtentPoint32(null dc)", [&] { return !GetTextExtentPoint32(nullptr, "x", &size); }, ERROR_INVALID_HANDLE},
        {"BitBlt(negative width)",
         [&] { return !BitBlt(canvas.dc(), 0, 0, -1, 1, canvas.dc(), 0, 0, SRCCOPY); }, ERROR_INVALID_PARAMETER},
        {"BitBlt(unknown rop)", [&] { return !BitBlt(canvas.dc(), 0, 0, 1, 1, canvas.dc(), 0, 0, 0x12345678); },
         ERROR_INVALID_PARAMETER},
        {"TransparentBlt(mirrored)",
         [&] { return !TransparentBlt(canvas.dc(), 0, 0, -1, 1, canvas.dc(), 0, 0, 1, 1, 0); }, ERROR_INVALID_PARAMETER},
        {"CreateDCForPixels(short pitch)", [&] { return platform::CreateDCForPixels(pixels, 2, 2, 4) == nullptr; },
         ERROR_INVALID_PARAMETER},
        {"CreateDCForPixels(null)", [&] { return platform::CreateDCForPixels(nullptr, 2, 2, 8) == nullptr; },
         ERROR_INVALID_PARAMETER},
        {"GetBitmapPixels(dc)",
         [&] { platform::PixelBuffer b; return !platform::GetBitmapPixels(reinterpret_cast<HBITMAP>(canvas.dc()), &b); },
         ERROR_INVALID_HANDLE},
    };
    for (const Case& c : cases) {
        SetLastError(kSentinel);
        EXPECT_TRUE(c.fails()) << c.call;
        EXPECT_EQ(GetLastError(), c.error) << c.call;
    }
    DeleteObject(pen);
    DeleteObject(bitmap);
}

TEST(GfxObjects, PixelsAreXrgbWithRowsAtThePitch) {
    Canvas canvas(3, 2);
    SetPixel(canvas.dc(), 2, 1, RGB(0x12, 0x34, 0x56));
    platform::PixelBuffer buffer;
    ASSERT_TRUE(platform::GetBitmapPixels(canvas.bitmap(), &buffer));
    EXPECT_EQ(buffer.width, 3);
    EXPECT_EQ(buffer.height, 2);
    EXPECT_EQ(buffer.pitch_bytes, 12);
    EXPECT_EQ(buffer.pixels[3 + 2], 0x00123456u);
    // The top byte is not colour: a pixel written with it set reads back as the same colour.
    buffer.pixels[0] = 0xFF0000FFu;
    EXPECT_EQ(GetPixel(canvas.dc(), 0, 0), RGB(0, 0, 255));
}

TEST(GfxObjects, CreateBitmapCopiesGivenRows) {
    const std::uint32_t rows[] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xAA102030u};
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, rows);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0x10, 0x20, 0x30));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

TEST(GfxObjects, DibSectionsHandOutTheirMemoryBottomUpOrTopDown) {
    for (const int sign : {1, -1}) {
        BITMAPINFO info;
        info.bmiHeader.biWidth = 2;
        info.bmiHeader.biHeight = sign * 3;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(bitmap, nullptr);
        ASSERT_NE(bits, nullptr);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SetPixel(dc, 1, 0, RGB(1, 2, 3));  // top row on screen
        const auto* memory = static_cast<const std::uint32_t*>(bits);
        const int memory_row = sign > 0 ? 2 : 0;
        EXPECT_EQ(memory[memory_row * 2 + 1], 0x00010203u) << "height sign " << sign;
        BITMAP described;
        GetObject(bitmap, sizeof(described), &described);
        EXPECT_EQ(described.bmBits, bits);
        EXPECT_EQ(described.bmHeight, 3);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
}

TEST(GfxObjects, ADcOverForeignPixelsDrawsThereAndLeavesThemOnDelete) {
    // A window surface of 4 × 3 pixels with a row pitch of 6 pixels.
    std::vector<std::uint32_t> memory(6 * 3, 0xCCCCCCCCu);
    HDC dc = platform::CreateDCForPixels(memory.data(), 4, 3, 6 * 4);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), OBJ_DC);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 4);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 3);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0x80, 0xFF));
    RECT everything{-10, -10, 100, 100};
    FillRect(dc, &everything, brush);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(memory[y * 6 + x], x < 4 ? 0x000080FFu : 0xCCCCCCCCu) << x << "," << y;
    // No bitmap can replace the foreign memory.
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 2, 2);
    SetLastError(kSentinel);
    EXPECT_EQ(SelectObject(dc, bitmap), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    platform::PixelBuffer buffer;
    ASSERT_TRUE(platform::GetDCPixels(dc, &buffer));
    EXPECT_EQ(buffer.pixels, memory.data());
    EXPECT_EQ(buffer.pitch_bytes, 24);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(memory[0], 0x000080FFu);
    DeleteObject(bitmap);
    DeleteObject(brush);
}

TEST(GfxObjects, AFreshMemoryDcHasNothingToDrawInto) {
    HDC dc = CreateCompatibleDC(nullptr);
    RECT rect{0, 0, 10, 10};
    EXPECT_NE(FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    platform::PixelBuffer buffer;
    ASSERT_TRUE(platform::GetDCPixels(dc, &buffer));
    EXPECT_EQ(buffer.pixels, nullptr);
    DeleteDC(dc);
}

TEST(GfxObjects, TextAttributesReturnTheirPreviousValues) {
    Canvas canvas(1, 1);
    EXPECT_EQ(SetTextColor(canvas.dc(), RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(SetTextColor(canvas.dc(), RGB(4, 5, 6)), RGB(1, 2, 3));
    EXPECT_EQ(SetBkColor(canvas.dc(), RGB(7, 8, 9)), RGB(255, 255, 255));
    EXPECT_EQ(GetBkColor(canvas.dc()), RGB(7, 8, 9));
    EXPECT_EQ(SetBkMode(canvas.dc(), TRANSPARENT), OPAQUE);
    EXPECT_EQ(GetBkMode(canvas.dc()), TRANSPARENT);
}

TEST(GfxObjects, ThreadsDrawingIntoTheirOwnDcsDoNotDisturbEachOther) {
    // The wait box's spinner draws on its own thread while the dialog draws on the main one.
    const auto draw = [](COLORREF color, int rounds, bool* ok) {
        for (int round = 0; round < rounds; ++round) {
            Canvas canvas(64, 32, color);
            HFONT font = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Gulim");
            HGDIOBJ old = SelectObject(canvas.dc(), font);
            RECT rect{0, 0, 64, 32};
            SetBkMode(canvas.dc(), TRANSPARENT);
            DrawText(canvas.dc(), "가나다 abc", -1, &rect, DT_SINGLELINE | DT_VCENTER);
            Canvas copy(64, 32);
            BitBlt(copy.dc(), 0, 0, 64, 32, canvas.dc(), 0, 0, SRCCOPY);
            if (copy.At(63, 31) != color) *ok = false;
            SelectObject(canvas.dc(), old);
            DeleteObject(font);
        }
    };
    bool first_ok = true, second_ok = true;
    std::thread other(draw, RGB(1, 2, 3), 40, &second_ok);
    draw(RGB(4, 5, 6), 40, &first_ok);
    other.join();
    EXPECT_TRUE(first_ok);
    EXPECT_TRUE(second_ok);
}
