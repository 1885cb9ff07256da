// The screen in a desktop window (SDL2), scaled by the board's display_scale; the mouse is the
// pen and the keyboard the remote control (1..9, Left, Right, Enter).
#pragma once

#include <memory>
#include <string>

#include "server/compositor/screen_backend.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace server {

class SdlBackend final : public ScreenBackend {
public:
    // Null with a reason when no window can be opened.
    static std::unique_ptr<SdlBackend> Create(std::uint32_t width, std::uint32_t height, int scale, std::string& error);
    ~SdlBackend() override;

    void Present(const Frame& frame) override;
    void PollInput(const std::function<void(const BackendInput&)>& deliver) override;
    bool HasInput() const override { return true; }

private:
    SdlBackend() = default;

    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    int m_scale = 1;
    bool m_button_down = false;
};

}  // namespace server
