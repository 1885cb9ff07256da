#include "tools/skingen/canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

double SegmentDistance(Point a, Point b, double x, double y) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length_squared = dx * dx + dy * dy;
    const double t = length_squared > 0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / length_squared, 0.0, 1.0) : 0;
    return std::hypot(x - (a.x + t * dx), y - (a.y + t * dy));
}

// Degrees clockwise from from_degrees to angle, in [0, 360).
double DegreesAfter(double angle, double from_degrees) {
    const double turn = std::fmod(angle - from_degrees, 360.0);
    return turn < 0 ? turn + 360 : turn;
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

template <class Inside>
void Canvas::Cover(double left, double top, double right, double bottom, Colour colour, Edge edge, Inside inside) {
    constexpr int kSamples = 4;  // 4 × 4 samples a pixel, as for triangles
    for (int y = static_cast<int>(std::floor(top)); y < static_cast<int>(std::ceil(bottom)); ++y) {
        for (int x = static_cast<int>(std::floor(left)); x < static_cast<int>(std::ceil(right)); ++x) {
            int count = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx)
                    count += inside(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples) ? 1 : 0;
            Plot(x, y, colour, count / double(kSamples * kSamples), edge);
        }
    }
}

void Canvas::Line(Point from, Point to, double width, Colour colour, Edge edge) {
    const double half = width / 2;
    Cover(std::min(from.x, to.x) - half, std::min(from.y, to.y) - half, std::max(from.x, to.x) + half,
          std::max(from.y, to.y) + half, colour, edge,
          [&](double x, double y) { return SegmentDistance(from, to, x, y) <= half; });
}

void Canvas::Ring(Point centre, double radius, double width, Colour colour, Edge edge) {
    Arc(centre, radius, width, 0, 360, colour, edge);
}

void Canvas::Arc(Point centre, double radius, double width, double from_degrees, double to_degrees, Colour colour,
                 Edge edge) {
    const double inner = std::max(0.0, radius - width);
    const double sweep = to_degrees - from_degrees >= 360 ? 360 : DegreesAfter(to_degrees, from_degrees);
    Cover(centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius, colour, edge,
          [&](double x, double y) {
              const double distance = std::hypot(x - centre.x, y - centre.y);
              if (distance > radius || distance < inner) return false;
              if (sweep >= 360) return true;
              const double angle = std::atan2(y - centre.y, x - centre.x) * 180 / std::numbers::pi;
              return DegreesAfter(angle, from_degrees) <= sweep;
          });
}

void Canvas::Polygon(std::span<const Point> corners, Colour colour, Edge edge) {
    if (corners.size() < 3) return;
    double left = corners[0].x, right = left, top = corners[0].y, bottom = top;
    for (const Point& corner : corners) {
        left = std::min(left, corner.x), right = std::max(right, corner.x);
        top = std::min(top, corner.y), bottom = std::max(bottom, corner.y);
    }
    Cover(left, top, right, bottom, colour, edge, [&](double x, double y) {
        // Crossings of a ray to the right with the outline: odd means inside.
        bool inside = false;
        for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
            const Point& a = corners[i];
            const Point& b = corners[j];
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
        }
        return inside;
    });
}

}  // namespace skingen
