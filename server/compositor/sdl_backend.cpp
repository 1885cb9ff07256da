#include "server/compositor/sdl_backend.h"

#include <SDL.h>

#include "platform/protocol/messages.h"

namespace server {
namespace {

// The remote control's keys on a keyboard; 0 for a key that is none of them.
std::uint32_t RemoteKeyOf(SDL_Keycode key) {
    if (key >= SDLK_1 && key <= SDLK_9) return static_cast<std::uint32_t>(key - SDLK_1 + 1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return static_cast<std::uint32_t>(key - SDLK_KP_1 + 1);
    switch (key) {
        case SDLK_LEFT: return static_cast<std::uint32_t>(protocol::DeviceKey::Left);
        case SDLK_RIGHT: return static_cast<std::uint32_t>(protocol::DeviceKey::Right);
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return static_cast<std::uint32_t>(protocol::DeviceKey::Enter);
        default: return 0;
    }
}

}  // namespace

std::unique_ptr<SdlBackend> SdlBackend::Create(std::uint32_t width, std::uint32_t height, int scale, std::string& error) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = SDL_GetError();
        return nullptr;
    }
    std::unique_ptr<SdlBackend> backend(new SdlBackend);
    backend->m_scale = scale;
    backend->m_window = SDL_CreateWindow("Head unit", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                         static_cast<int>(width) * scale, static_cast<int>(height) * scale, 0);
    if (backend->m_window) backend->m_renderer = SDL_CreateRenderer(backend->m_window, -1, 0);
    if (backend->m_renderer)
        backend->m_texture = SDL_CreateTexture(backend->m_renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                               static_cast<int>(width), static_cast<int>(height));
    if (!backend->m_texture) {
        error = SDL_GetError();
        return nullptr;  // the destructor releases what was made
    }
    return backend;
}

SdlBackend::~SdlBackend() {
    if (m_texture) SDL_DestroyTexture(m_texture);
    if (m_renderer) SDL_DestroyRenderer(m_renderer);
    if (m_window) SDL_DestroyWindow(m_window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlBackend::Present(const Frame& frame) {
    // RGB888 is 0x00RRGGBB in a 32-bit word: the frame's own layout.
    SDL_UpdateTexture(m_texture, nullptr, frame.pixels.data(), static_cast<int>(frame.width * 4));
    SDL_RenderClear(m_renderer);
    SDL_RenderCopy(m_renderer, m_texture, nullptr, nullptr);
    SDL_RenderPresent(m_renderer);
}

void SdlBackend::PollInput(const std::function<void(const BackendInput&)>& deliver) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        BackendInput input;
        switch (event.type) {
            case SDL_QUIT:
                input.kind = BackendInput::Kind::Quit;
                deliver(input);
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (event.button.button != SDL_BUTTON_LEFT) break;
                m_button_down = event.type == SDL_MOUSEBUTTONDOWN;
                input.kind = m_button_down ? BackendInput::Kind::PenDown : BackendInput::Kind::PenUp;
                input.x = event.button.x / m_scale;
                input.y = event.button.y / m_scale;
                deliver(input);
                break;
            case SDL_MOUSEMOTION:
                // A touch panel reports movement only while touched.
                if (!m_button_down) break;
                input.kind = BackendInput::Kind::PenMove;
                input.x = event.motion.x / m_scale;
                input.y = event.motion.y / m_scale;
                deliver(input);
                break;
            case SDL_KEYDOWN:
                if (event.key.repeat) break;
                if (auto key = RemoteKeyOf(event.key.keysym.sym)) {
                    input.kind = BackendInput::Kind::Key;
                    input.key = key;
                    deliver(input);
                }
                break;
            default:
                break;
        }
    }
}

}  // namespace server
