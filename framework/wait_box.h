// The busy and warning pop-ups. A wait box is a plain top-level window of the program's own
// class, hidden until shown, driven by messages so any thread can show, hide or advance it:
// the spinner (Music, Movie, Extview) turns on a thread of its own; HomeDeck's full-screen box
// with its progress bar lives on HomeDeck's dialog thread. The warning box is HomeDeck's short
// "not in this mode" notice, modal on its caller's thread.
#pragma once

#include <string>

#include "platform/win32_types.h"
#include "platform/window/window.h"

constexpr UINT WM_WAITBOX_SHOW = 1120;
constexpr UINT WM_WAITBOX_HIDE = 1121;
constexpr UINT WM_WAITBOX_PROGRESS = 1122;  // wParam: percent 0..100 (HomeDeck's box)

// The spinner: 61 x 61 at 369, 209, eight frames of a skin strip drawn with the key colour
// magenta, turning every 300 ms while shown.
class CSpinnerWaitBox {
public:
    CSpinnerWaitBox(std::string class_name, UINT strip_image);
    ~CSpinnerWaitBox();
    CSpinnerWaitBox(const CSpinnerWaitBox&) = delete;
    CSpinnerWaitBox& operator=(const CSpinnerWaitBox&) = delete;

    // Starts the box's thread and waits until its window exists.
    bool Create();
    void Destroy();
    HWND Window() const { return m_hwnd; }

private:
    static DWORD Thread(void* parameter);
    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

    std::string m_class_name;
    UINT m_strip_image;
    HANDLE m_thread = nullptr;
    HANDLE m_ready = nullptr;
    HWND m_hwnd = nullptr;
    void* m_strip = nullptr;  // HBITMAP
    int m_frame = 0;
};

// HomeDeck's full-screen wait box: a dark background, a three-frame animation turning every
// 500 ms, and a 390-pixel progress bar.
class CHomeDeckWaitBox {
public:
    CHomeDeckWaitBox();
    ~CHomeDeckWaitBox();
    CHomeDeckWaitBox(const CHomeDeckWaitBox&) = delete;
    CHomeDeckWaitBox& operator=(const CHomeDeckWaitBox&) = delete;

    // Creates the hidden window on the calling thread, which must pump its messages.
    bool Create();
    HWND Window() const { return m_hwnd; }

private:
    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void DrawAnimation();
    void DrawProgress(int percent);

    HWND m_hwnd = nullptr;
    void* m_picture_dc = nullptr;  // HDC of the off-screen picture
    void* m_picture = nullptr;     // HBITMAP
    void* m_animation = nullptr;   // HBITMAP, skin image 182
    void* m_bar = nullptr;         // HBITMAP, skin image 183
    int m_counter = 0;
};

// Finds a wait box by its class name: show (sent), hide (sent), progress (posted). Nothing
// happens when the box does not exist.
void ShowWaitBox(const std::string& class_name);
void HideWaitBox(const std::string& class_name);
void SetWaitProgress(const std::string& class_name, int percent);

// Shows the warning box with a string of the program's string table and returns when it has
// closed: by itself after 2 seconds, or at once on a tap on it or a key.
void ShowWarning(UINT string_id);
