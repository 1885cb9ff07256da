// Drawing calls with coordinates, sizes, flags and text taken from the input: every call must
// stay inside its surfaces whatever it is asked (text comes from file names, tags and playlists).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/gfx/gfx.h"

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    int Int() {
        std::int32_t value = 0;
        const std::size_t count = m_size < sizeof(value) ? m_size : sizeof(value);
        std::memcpy(&value, m_data, count);
        m_data += count;
        m_size -= count;
        // Mostly small values near the surfaces, sometimes the extremes.
        return (value & 0x40000000) ? value : value % 300;
    }
    std::uint8_t Byte() {
        if (m_size == 0) return 0;
        --m_size;
        return *m_data++;
    }
    std::string Rest() { return std::string(reinterpret_cast<const char*>(m_data), m_size); }
    bool Empty() const { return m_size == 0; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

struct Canvas {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap;
    HGDIOBJ previous;
    Canvas(int width, int height) : bitmap(CreateCompatibleBitmap(dc, width, height)), previous(SelectObject(dc, bitmap)) {}
    ~Canvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    Canvas screen(160, 96), strip(64, 24);
    HPEN pen = CreatePen(PS_SOLID, input.Byte() % 6, RGB(200, 0, 0));
    HGDIOBJ old_pen = SelectObject(screen.dc, pen);
    for (int i = 0; i < 4 && !input.Empty(); ++i) {
        const int a = input.Int(), b = input.Int(), c = input.Int(), d = input.Int();
        const int e = input.Int(), f = input.Int(), g = input.Int(), h = input.Int();
        switch (input.Byte() % 8) {
            case 0: BitBlt(screen.dc, a, b, c, d, strip.dc, e, f, SRCCOPY); break;
            case 1: BitBlt(screen.dc, a, b, c, d, screen.dc, e, f, SRCINVERT); break;
            case 2: StretchBlt(screen.dc, a, b, c, d, strip.dc, e, f, g, h, SRCCOPY); break;
            case 3: TransparentBlt(screen.dc, a, b, c, d, screen.dc, e, f, g, h, RGB(255, 0, 255)); break;
            case 4: Rectangle(screen.dc, a, b, c, d); break;
            case 5: Ellipse(screen.dc, a, b, c, d); break;
            case 6: MoveToEx(screen.dc, a, b, nullptr); LineTo(screen.dc, c, d); break;
            default: {
                RECT rect{a, b, c, d};
                FillRect(screen.dc, &rect, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
            }
        }
    }
    const int height = static_cast<std::int8_t>(input.Byte());
    const UINT format = static_cast<UINT>(input.Int()) &
                        (DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_WORDBREAK | DT_SINGLELINE | DT_EXPANDTABS |
                         DT_NOCLIP | DT_CALCRECT | DT_NOPREFIX | DT_END_ELLIPSIS);
    RECT rect{input.Int(), input.Int(), input.Int(), input.Int()};
    HFONT font = CreateFont(height, 0, 0, 0, (input.Byte() & 1) ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                            input.Byte() % 6, 0, "Gulim");
    HGDIOBJ old_font = SelectObject(screen.dc, font);
    SetBkMode(screen.dc, (input.Byte() & 1) ? OPAQUE : TRANSPARENT);
    const std::string text = input.Rest().substr(0, 512);
    DrawText(screen.dc, text, -1, &rect, format);
    TextOut(screen.dc, rect.left, rect.top, text);
    SelectObject(screen.dc, old_font);
    SelectObject(screen.dc, old_pen);
    DeleteObject(font);
    DeleteObject(pen);
    return 0;
}
