// Anti-aliased shapes straight on a surface's pixels, for the skin generator's pictures.
#pragma once

#include <cstdint>
#include <span>

#include "platform/gfx/gfx.h"

namespace skingen {

struct Colour {
    int red = 0, green = 0, blue = 0;
    COLORREF Ref() const { return RGB(red, green, blue); }
};
Colour Mix(Colour a, Colour b, double t);  // t = 0 gives a, 1 gives b

struct Point {
    double x = 0, y = 0;
};

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
    // A stroke width pixels wide from one point to the other, with round ends.
    void Line(Point from, Point to, double width, Colour colour, Edge edge = Edge::Smooth);
    // A circle's outline: radius to its outer edge, width pixels thick inwards.
    void Ring(Point centre, double radius, double width, Colour colour, Edge edge = Edge::Smooth);
    // Part of that outline, clockwise on the screen from from_degrees to to_degrees, with 0
    // pointing right and 90 down; the ends are cut along the radius.
    void Arc(Point centre, double radius, double width, double from_degrees, double to_degrees, Colour colour,
             Edge edge = Edge::Smooth);
    // A filled polygon of any shape; where its outline crosses itself, the even-odd rule holds.
    void Polygon(std::span<const Point> corners, Colour colour, Edge edge = Edge::Smooth);

private:
    // Blends colour into every pixel of the box by the share of its sample points inside.
    template <class Inside>
    void Cover(double left, double top, double right, double bottom, Colour colour, Edge edge, Inside inside);
    // Blends colour into (x, y) by coverage in [0, 1].
    void Plot(int x, int y, Colour colour, double coverage, Edge edge);
    platform::PixelBuffer m_pixels;
};

}  // namespace skingen
