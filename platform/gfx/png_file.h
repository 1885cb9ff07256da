// Pictures of 32-bit pixels as PNG files (8-bit RGB): the one writer behind devicectl's
// screenshots and SaveBitmapPng, and the reader tests use to compare a written file with the
// picture it came from. It needs SDL2_image only, no drawing objects and no server.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// 0x00RRGGBB pixels (the top byte is ignored) in rows: row y starts at top_row + y * pitch
// bytes, so a bottom-up bitmap is its last row in memory with a negative pitch.
struct PixelRows {
    const std::uint8_t* top_row = nullptr;
    std::ptrdiff_t pitch = 0;
    int width = 0;
    int height = 0;
};

// Writes the picture as an RGB PNG, top row first. False with a reason on failure.
[[nodiscard]] bool WritePng(const std::filesystem::path& path, const PixelRows& picture, std::string& error);
// The same for width × height pixels packed row after row, top row first.
[[nodiscard]] bool WritePng(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
                            const std::vector<std::uint32_t>& pixels, std::string& error);
// The same PNG made in memory: the bytes WritePng writes to a file.
[[nodiscard]] bool EncodePng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& pixels,
                             std::vector<std::uint8_t>& png, std::string& error);
// Reads a PNG back into 0x00RRGGBB pixels packed top row first (any colour type; alpha dropped).
[[nodiscard]] bool ReadPng(const std::filesystem::path& path, std::uint32_t& width, std::uint32_t& height,
                           std::vector<std::uint32_t>& pixels, std::string& error);
// The same from the PNG's bytes in memory.
[[nodiscard]] bool DecodePng(const std::vector<std::uint8_t>& png, std::uint32_t& width, std::uint32_t& height,
                             std::vector<std::uint32_t>& pixels, std::string& error);

}  // namespace platform
