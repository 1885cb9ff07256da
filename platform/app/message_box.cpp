#include "platform/app/message_box.h"

#include "platform/device_root.h"
#include "platform/gfx/gfx.h"
#include "platform/gfx/window_dc.h"
#include "platform/kernel/debug_output.h"

namespace {

constexpr int kWidth = 480, kHeight = 220;
constexpr int kCaptionHeight = 44;
constexpr int kTextHeight = 18;
constexpr RECT kOkButton = {180, 160, 300, 204};  // in the box
constexpr COLORREF kPanel = RGB(30, 34, 44), kCaptionBar = RGB(18, 60, 110), kInk = RGB(235, 235, 235);
constexpr COLORREF kStopMark = RGB(200, 40, 40), kWarningMark = RGB(230, 170, 20), kInformationMark = RGB(40, 130, 220);
constexpr COLORREF kButton = RGB(60, 66, 80), kButtonPressed = RGB(18, 60, 110);

HFONT Font(int height, int weight) {
    return CreateFont(-height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                      ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma");
}

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void Text(HDC dc, const std::string& text, RECT rect, UINT format, int height, int weight) {
    HFONT font = Font(height, weight);
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kInk);
    DrawText(dc, text, -1, &rect, format | DT_NOPREFIX);
    if (font) {
        SelectObject(dc, previous);
        DeleteObject(font);
    }
}

// Words wider than the box (a class id, a path) are broken between characters, so that the
// whole text shows instead of a word cut off at both edges.
std::string BreakLongWords(const std::string& text, int width, int height) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = Font(height, FW_NORMAL);
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    const auto fits = [&](const std::string& piece) {
        SIZE size{};
        return GetTextExtentPoint32(dc, piece, &size) && size.cx <= width;
    };
    std::string result, word;
    const auto flush = [&] {
        std::string line;
        for (std::size_t i = 0; i < word.size();) {
            std::size_t next = i + 1;
            while (next < word.size() && (static_cast<unsigned char>(word[next]) & 0xC0) == 0x80) ++next;
            const std::string character = word.substr(i, next - i);
            if (!line.empty() && !fits(line + character)) {
                result += line + '\n';
                line.clear();
            }
            line += character;
            i = next;
        }
        result += line;
        word.clear();
    };
    for (char c : text) {
        if (c == ' ' || c == '\n' || c == '\r') {
            flush();
            result += c;
        } else {
            word += c;
        }
    }
    flush();
    if (font) {
        SelectObject(dc, previous);
        DeleteObject(font);
    }
    DeleteDC(dc);
    return result;
}

bool Inside(const RECT& rect, LPARAM lparam) {
    const int x = static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lparam)));
    const int y = static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(lparam)));
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

class CMessageBoxDialog : public CDialog {
public:
    CMessageBoxDialog(std::string text, const std::string& caption, UINT type)
        : CDialog("MessageBox", caption), m_text(std::move(text)), m_caption(caption), m_type(type) {
        const auto& config = platform::Config();
        const int screen_width = static_cast<int>(config.GetInt("screen_width", 800));
        const int screen_height = static_cast<int>(config.GetInt("screen_height", 480));
        const LONG left = (screen_width - kWidth) / 2, top = (screen_height - kHeight) / 2;
        SetInitialRect({left, top, left + kWidth, top + kHeight});
        SetStyle(WS_POPUP, WS_EX_TOPMOST);
    }

protected:
    // Escape on a box with only OK answers OK, as it always has.
    void OnCancel() override { EndDialog(IDOK); }

    LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override {
        switch (message) {
            case WM_PAINT:
                Paint();
                return 0;
            case WM_ERASEBKGND:
                return 1;
            case WM_LBUTTONDOWN:
                m_pressed = Inside(kOkButton, lparam);
                if (m_pressed) {
                    SetCapture(m_hWnd);
                    InvalidateRect(m_hWnd, &kOkButton, FALSE);
                }
                return 0;
            case WM_LBUTTONUP:
                if (m_pressed) {
                    m_pressed = false;
                    ReleaseCapture();
                    InvalidateRect(m_hWnd, &kOkButton, FALSE);
                    if (Inside(kOkButton, lparam)) EndDialog(IDOK);
                }
                return 0;
            default:
                return CDialog::WindowProc(message, wparam, lparam);
        }
    }

private:
    COLORREF MarkColour() const {
        switch (m_type & 0xF0) {
            case MB_ICONHAND: return kStopMark;
            case MB_ICONEXCLAMATION: return kWarningMark;
            case MB_ICONASTERISK: return kInformationMark;
            default: return kCaptionBar;
        }
    }

    void Paint() {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(m_hWnd, &paint);
        if (!dc) return;
        Fill(dc, {0, 0, kWidth, kHeight}, kPanel);
        Fill(dc, {0, 0, kWidth, kCaptionHeight}, kCaptionBar);
        Fill(dc, {0, 0, 8, kCaptionHeight}, MarkColour());  // the icon's colour marks the kind of box
        Text(dc, m_caption, {20, 0, kWidth - 12, kCaptionHeight}, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS,
             20, FW_BOLD);
        Text(dc, BreakLongWords(m_text, kWidth - 40, kTextHeight), {20, kCaptionHeight + 12, kWidth - 20, kOkButton.top - 8},
             DT_CENTER | DT_WORDBREAK, kTextHeight, FW_NORMAL);
        Fill(dc, kOkButton, m_pressed ? kButtonPressed : kButton);
        Text(dc, "OK", kOkButton, DT_CENTER | DT_VCENTER | DT_SINGLELINE, 20, FW_BOLD);
        EndPaint(m_hWnd, &paint);
    }

    std::string m_text;
    std::string m_caption;
    UINT m_type;
    bool m_pressed = false;
};

}  // namespace

int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    DebugPrintf("MessageBox: %s: %s", caption.c_str(), text.c_str());
    const bool disable_owner = owner && IsWindowEnabled(owner);
    if (disable_owner) EnableWindow(owner, FALSE);
    CMessageBoxDialog box(text, caption, type);
    const INT_PTR result = box.DoModal();
    if (disable_owner) EnableWindow(owner, TRUE);
    return result == IDOK ? IDOK : 0;
}
