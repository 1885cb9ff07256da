#include "tools/skingen/canvas.h"

#include <algorithm>
#include <cmath>

namespace skingen {
namespace {

// Signed distance from a point to a rounded rectangle (negative inside).
double RoundRectDistance(double x, double y, double left, double top, double right, double bottom, double radius) {
    const double centre_x = (left + right) / 2, centre_y = (top + bottom) / 2;
    const double half_w = (right - left) / 2 - radius, half_h = (bottom - top) / 2 - radius;
    const double dx = std::max(std::abs(x - centre_x) - half_w, 0.0);
    const double dy = std::max(std::abs(y - centre_y) - half_h, 0.0);
    const double outside = std::sqrt(dx * dx + dy * dy);
    const double inside = std::min(std::max(std::abs(x - centre_x) - half_w, std::abs(y - centre_y) - half_h), 0.0);
    return outside + inside - radius;
}

double Coverage(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }

double EdgeSide(double ax, double ay, double bx, double by, double px, double py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

}  // namespace

Colour Mix(Colour a, Colour b, double t) {
    auto channel = [t](int from, int to) { return static_cast<int>(std::lround(from + (to - from) * t)); };
    return {channel(a.red, b.red), channel(a.green, b.green), channel(a.blue, b.blue)};
}

Canvas::Canvas(HDC dc) {
    if (!platform::GetDCPixels(dc, &m_pixels)) m_pixels = {};
}

void Canvas::Plot(int x, int y, Colour colour, double coverage, Edge edge) {
    if (x < 0 || y < 0 || x >= m_pixels.width || y >= m_pixels.height || coverage <= 0) return;
    auto* row = reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(m_pixels.pixels) +
                                                 static_cast<std::ptrdiff_t>(y) * m_pixels.pitch_bytes);
    if (edge == Edge::Hard) {
        if (coverage < 0.5) return;
        coverage = 1;
    }
    const std::uint32_t old = row[x];
    const Colour under{static_cast<int>((old >> 16) & 0xFF), static_cast<int>((old >> 8) & 0xFF),
                       static_cast<int>(old & 0xFF)};
    const Colour out = Mix(under, colour, coverage);
    row[x] = (static_cast<std::uint32_t>(out.red) << 16) | (static_cast<std::uint32_t>(out.green) << 8) |
             static_cast<std::uint32_t>(out.blue);
}

void Canvas::Fill(int left, int top, int right, int bottom, Colour colour) {
    for (int y = std::max(top, 0); y < std::min(bottom, m_pixels.height); ++y)
        for (int x = std::max(left, 0); x < std::min(right, m_pixels.width); ++x) Plot(x, y, colour, 1, Edge::Hard);
}

void Canvas::RoundRect(double left, double top, double right, double bottom, double radius, Colour top_colour,
                       Colour bottom_colour, Edge edge) {
    radius = std::min({radius, (right - left) / 2, (bottom - top) / 2});
    for (int y = static_cast<int>(std::floor(top)); y < static_cast<int>(std::ceil(bottom)); ++y) {
        const double t = bottom - top > 1 ? (y + 0.5 - top) / (bottom - top) : 0;
        const Colour colour = Mix(top_colour, bottom_colour, std::clamp(t, 0.0, 1.0));
        for (int x = static_cast<int>(std::floor(left)); x < static_cast<int>(std::ceil(right)); ++x)
            Plot(x, y, colour, Coverage(RoundRectDistance(x + 0.5, y + 0.5, left, top, right, bottom, radius)), edge);
    }
}

void Canvas::RoundFrame(double left, double top, double right, double bottom, double radius, double width,
                        Colour colour, Edge edge) {
    radius = std::min({radius, (right - left) / 2, (bottom - top) / 2});
    for (int y = static_cast<int>(std::floor(top)); y < static_cast<int>(std::ceil(bottom)); ++y) {
        for (int x = static_cast<int>(std::floor(left)); x < static_cast<int>(std::ceil(right)); ++x) {
            const double distance = RoundRectDistance(x + 0.5, y + 0.5, left, top, right, bottom, radius);
            // Inside the outer edge and outside the inner one.
            const double coverage = std::min(Coverage(distance), Coverage(-distance - width));
            Plot(x, y, colour, coverage, edge);
        }
    }
}

void Canvas::Circle(double centre_x, double centre_y, double radius, Colour colour, Edge edge) {
    RoundRect(centre_x - radius, centre_y - radius, centre_x + radius, centre_y + radius, radius, colour, colour, edge);
}

void Canvas::Triangle(double x0, double y0, double x1, double y1, double x2, double y2, Colour colour, Edge edge) {
    const int left = static_cast<int>(std::floor(std::min({x0, x1, x2})));
    const int right = static_cast<int>(std::ceil(std::max({x0, x1, x2})));
    const int top = static_cast<int>(std::floor(std::min({y0, y1, y2})));
    const int bottom = static_cast<int>(std::ceil(std::max({y0, y1, y2})));
    const double orientation = EdgeSide(x0, y0, x1, y1, x2, y2) >= 0 ? 1 : -1;
    constexpr int kSamples = 4;  // 4 × 4 samples a pixel for the coverage of its slanted edges
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            int inside = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double px = x + (sx + 0.5) / kSamples, py = y + (sy + 0.5) / kSamples;
                    if (orientation * EdgeSide(x0, y0, x1, y1, px, py) >= 0 &&
                        orientation * EdgeSide(x1, y1, x2, y2, px, py) >= 0 &&
                        orientation * EdgeSide(x2, y2, x0, y0, px, py) >= 0)
                        ++inside;
                }
            }
            Plot(x, y, colour, inside / double(kSamples * kSamples), edge);
        }
    }
}

}  // namespace skingen
