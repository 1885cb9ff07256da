// Anti-aliased shapes straight on a surface's pixels, for the skin generator's pictures.
#pragma once

#include <cstdint>

#include "platform/gfx/gfx.h"

namespace skingen {

struct Colour {
    int red = 0, green = 0, blue = 0;
    COLORREF Ref() const { return RGB(red, green, blue); }
};
Colour Mix(Colour a, Colour b, double t);  // t = 0 gives a, 1 gives b

// Shapes on magenta must not blend into the key colour, so their edges are either hard or
// smoothed against what is under them.
enum class Edge { Smooth, Hard };

class Canvas {
public:
    explicit Canvas(HDC dc);
    bool Valid() const { return m_pixels.pixels != nullptr; }

    void Fill(int left, int top, int right, int bottom, Colour colour);
    // A rounded rectangle with a vertical gradient from top to bottom colour.
    void RoundRect(double left, double top, double right, double bottom, double radius, Colour top_colour,
                   Colour bottom_colour, Edge edge = Edge::Smooth);
    // The same rectangle's outline, width pixels thick, inside its bounds.
    void RoundFrame(double left, double top, double right, double bottom, double radius, double width,
                    Colour colour, Edge edge = Edge::Smooth);
    void Circle(double centre_x, double centre_y, double radius, Colour colour, Edge edge = Edge::Smooth);
    void Triangle(double x0, double y0, double x1, double y1, double x2, double y2, Colour colour,
                  Edge edge = Edge::Smooth);

private:
    // Blends colour into (x, y) by coverage in [0, 1].
    void Plot(int x, int y, Colour colour, double coverage, Edge edge);
    platform::PixelBuffer m_pixels;
};

}  // namespace skingen
