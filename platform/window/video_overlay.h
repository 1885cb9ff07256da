// The display's video overlay plane, as a video renderer uses it: a buffer of its own size,
// shown stretched into a destination rectangle of the screen wherever the composed screen has
// the colour key RGB(16, 0, 16). One per device: opening it takes it over from whoever had it.
// It belongs to the program that opened it (any of its threads may move, present or close it)
// and goes when the program ends.
#pragma once

#include "platform/window/window.h"

namespace platform {

constexpr DWORD kOverlayColourKey = 0x00100010;  // RGB(16, 0, 16) as a 0x00RRGGBB pixel

class VideoOverlay {
public:
    VideoOverlay() = default;
    ~VideoOverlay();
    VideoOverlay(const VideoOverlay&) = delete;
    VideoOverlay& operator=(const VideoOverlay&) = delete;

    // False with the last error set when the size is refused or memory is short.
    bool Open(int width, int height, const RECT& destination);
    bool Move(const RECT& destination);
    // Tells the server a new frame is in the buffer.
    bool Present();
    void Close();

    bool IsOpen() const { return m_pixels != nullptr; }
    DWORD* Pixels() const { return m_pixels; }  // row y starts at Pixels() + y * Pitch() / 4
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Pitch() const { return m_pitch; }

private:
    void Unmap();

    DWORD* m_pixels = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_pitch = 0;
};

}  // namespace platform
