// Pictures of 32-bit pixels as PNG files (8-bit RGB): devicectl's screenshots, and the
// reader tests use to compare a written file with the screen it came from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// Writes 0x00RRGGBB pixels (width per row) as an RGB PNG. False with a reason on failure.
bool WritePng(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
              const std::vector<std::uint32_t>& pixels, std::string& error);
// Reads a PNG back into 0x00RRGGBB pixels (any colour type libpng can expand to RGB).
bool ReadPng(const std::filesystem::path& path, std::uint32_t& width, std::uint32_t& height,
             std::vector<std::uint32_t>& pixels, std::string& error);

}  // namespace platform
