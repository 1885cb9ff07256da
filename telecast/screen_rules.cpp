#include "telecast/screen_rules.h"

#include <cstring>

namespace telecast {

int NextIdleCount(int seconds, bool counting) { return counting ? seconds + 1 : 0; }

std::optional<ScreenRect> NarrowedRect(int panel, int screen_width, int screen_height) {
    if (panel < 0 || panel >= screen_width) return std::nullopt;
    return ScreenRect{0, 0, screen_width - panel, screen_height};
}

std::optional<std::int32_t> CopyDataValue(const void* data, std::size_t size) {
    if (!data || size != sizeof(std::int32_t)) return std::nullopt;
    unsigned char bytes[sizeof(std::int32_t)];
    std::memcpy(bytes, data, sizeof bytes);
    const std::uint32_t value = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                                static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return static_cast<std::int32_t>(value);
}

}  // namespace telecast
