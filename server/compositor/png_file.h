// Screen pictures as PNG files (8-bit RGB), for screenshots.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace server {

// Writes 0x00RRGGBB pixels (width per row) as an RGB PNG. False with a reason on failure.
bool WritePng(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
              const std::vector<std::uint32_t>& pixels, std::string& error);
// Reads a PNG back into 0x00RRGGBB pixels (any colour type libpng can expand to RGB).
bool ReadPng(const std::filesystem::path& path, std::uint32_t& width, std::uint32_t& height,
             std::vector<std::uint32_t>& pixels, std::string& error);

}  // namespace server
