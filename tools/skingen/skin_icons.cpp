#include "tools/skingen/skin_icons.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <vector>

namespace skingen {
namespace {

using resources::SkinIcon;

// Draws in the icon's own units: (-1, -1) is the top-left corner of its square, (1, 1) the
// bottom-right, so each icon is written once for every size. Strokes keep at least 1.5
// pixels so that small icons stay visible.
class IconPen {
public:
    IconPen(Canvas& canvas, double centre_x, double centre_y, double size, Colour ink)
        : m_canvas(canvas), m_x(centre_x), m_y(centre_y), m_half(size / 2), m_ink(ink) {}

    Point At(double u, double v) const { return {m_x + u * m_half, m_y + v * m_half}; }
    double Length(double units) const { return units * m_half; }
    double Stroke(double units) const { return std::max(1.5, units * m_half); }

    void Line(double u0, double v0, double u1, double v1, double width) {
        m_canvas.Line(At(u0, v0), At(u1, v1), Stroke(width), m_ink);
    }
    void Ring(double u, double v, double radius, double width) {
        m_canvas.Ring(At(u, v), Length(radius), Stroke(width), m_ink);
    }
    void Arc(double u, double v, double radius, double width, double from_degrees, double to_degrees) {
        m_canvas.Arc(At(u, v), Length(radius), Stroke(width), from_degrees, to_degrees, m_ink);
    }
    void Disc(double u, double v, double radius) {
        const Point centre = At(u, v);
        m_canvas.Circle(centre.x, centre.y, Length(radius), m_ink);
    }
    void Box(double u0, double v0, double u1, double v1, double corner) {
        const Point a = At(u0, v0), b = At(u1, v1);
        m_canvas.RoundRect(a.x, a.y, b.x, b.y, Length(corner), m_ink, m_ink);
    }
    void Frame(double u0, double v0, double u1, double v1, double corner, double width) {
        const Point a = At(u0, v0), b = At(u1, v1);
        m_canvas.RoundFrame(a.x, a.y, b.x, b.y, Length(corner), Stroke(width), m_ink);
    }
    void Polygon(std::initializer_list<Point> corners) {
        std::vector<Point> points;
        for (const Point& corner : corners) points.push_back(At(corner.x, corner.y));
        m_canvas.Polygon(points, m_ink);
    }

private:
    Canvas& m_canvas;
    double m_x, m_y, m_half;
    Colour m_ink;
};

// The transport and list icons of the players, drawn straight in pixels.
void DrawPlayerIcon(Canvas& canvas, SkinIcon icon, double cx, double cy, double size, Colour ink) {
    const double h = size / 2;
    switch (icon) {
    case SkinIcon::Play: canvas.Triangle(cx - h * 0.7, cy - h, cx - h * 0.7, cy + h, cx + h, cy, ink); break;
    case SkinIcon::Pause:
        canvas.RoundRect(cx - h * 0.8, cy - h, cx - h * 0.2, cy + h, 1.5, ink, ink);
        canvas.RoundRect(cx + h * 0.2, cy - h, cx + h * 0.8, cy + h, 1.5, ink, ink);
        break;
    case SkinIcon::Stop: canvas.RoundRect(cx - h * 0.85, cy - h * 0.85, cx + h * 0.85, cy + h * 0.85, 2, ink, ink); break;
    case SkinIcon::Next:
        canvas.Triangle(cx - h, cy - h * 0.8, cx - h, cy + h * 0.8, cx + h * 0.1, cy, ink);
        canvas.Triangle(cx - h * 0.1, cy - h * 0.8, cx - h * 0.1, cy + h * 0.8, cx + h * 0.75, cy, ink);
        canvas.RoundRect(cx + h * 0.75, cy - h * 0.8, cx + h, cy + h * 0.8, 1, ink, ink);
        break;
    case SkinIcon::Previous:
        canvas.Triangle(cx + h, cy - h * 0.8, cx + h, cy + h * 0.8, cx - h * 0.1, cy, ink);
        canvas.Triangle(cx + h * 0.1, cy - h * 0.8, cx + h * 0.1, cy + h * 0.8, cx - h * 0.75, cy, ink);
        canvas.RoundRect(cx - h, cy - h * 0.8, cx - h * 0.75, cy + h * 0.8, 1, ink, ink);
        break;
    case SkinIcon::VolumeUp:
    case SkinIcon::VolumeDown: {
        // A speaker on the left, a plus or minus on the right.
        canvas.RoundRect(cx - h, cy - h * 0.3, cx - h * 0.55, cy + h * 0.3, 1, ink, ink);
        canvas.Triangle(cx - h * 0.75, cy, cx - h * 0.05, cy - h * 0.85, cx - h * 0.05, cy + h * 0.85, ink);
        const double sign_x = cx + h * 0.55, bar = h * 0.42, thick = std::max(1.5, h * 0.11);
        canvas.RoundRect(sign_x - bar, cy - thick, sign_x + bar, cy + thick, 1, ink, ink);
        if (icon == SkinIcon::VolumeUp) canvas.RoundRect(sign_x - thick, cy - bar, sign_x + thick, cy + bar, 1, ink, ink);
        break;
    }
    case SkinIcon::Home:
        canvas.Triangle(cx - h, cy - h * 0.05, cx + h, cy - h * 0.05, cx, cy - h, ink);
        canvas.Fill(static_cast<int>(cx - h * 0.65), static_cast<int>(cy - h * 0.1), static_cast<int>(cx - h * 0.15),
                    static_cast<int>(cy + h), ink);
        canvas.Fill(static_cast<int>(cx + h * 0.15), static_cast<int>(cy - h * 0.1), static_cast<int>(cx + h * 0.65),
                    static_cast<int>(cy + h), ink);
        canvas.Fill(static_cast<int>(cx - h * 0.65), static_cast<int>(cy - h * 0.1), static_cast<int>(cx + h * 0.65),
                    static_cast<int>(cy + h * 0.25), ink);
        break;
    case SkinIcon::List:
        for (int i = -1; i <= 1; ++i) {
            const double y = cy + i * h * 0.62;
            canvas.Circle(cx - h * 0.8, y, h * 0.15, ink);
            canvas.RoundRect(cx - h * 0.45, y - h * 0.12, cx + h, y + h * 0.12, 1, ink, ink);
        }
        break;
    default: break;
    }
}

void Navigation(IconPen& pen) {
    // A map pin: a ring whose lower tangents meet in the tip.
    pen.Ring(0, -0.35, 0.6, 0.34);
    pen.Polygon({{-0.532, -0.073}, {0.532, -0.073}, {0, 0.95}});
}

void Tv(IconPen& pen) {
    pen.Frame(-0.95, -0.48, 0.95, 0.66, 0.14, 0.15);
    pen.Line(0, -0.5, -0.38, -0.88, 0.12);
    pen.Line(0, -0.5, 0.38, -0.88, 0.12);
    pen.Line(-0.42, 0.88, 0.42, 0.88, 0.14);
}

void Music(IconPen& pen) {
    // Two beamed eighth notes.
    pen.Disc(-0.52, 0.6, 0.28);
    pen.Disc(0.48, 0.45, 0.28);
    pen.Line(-0.27, 0.6, -0.27, -0.6, 0.13);
    pen.Line(0.73, 0.45, 0.73, -0.75, 0.13);
    pen.Polygon({{-0.335, -0.52}, {0.795, -0.69}, {0.795, -0.95}, {-0.335, -0.78}});
}

void Multimedia(IconPen& pen) {
    pen.Frame(-0.95, -0.75, 0.95, 0.75, 0.2, 0.14);
    pen.Polygon({{-0.25, -0.38}, {-0.25, 0.38}, {0.42, 0}});
}

void Settings(IconPen& pen) {
    // A gear: eight tapered teeth around a thick ring.
    constexpr int kTeeth = 8;
    for (int i = 0; i < kTeeth; ++i) {
        const double angle = 2 * std::numbers::pi * i / kTeeth;
        const double along_x = std::cos(angle), along_y = std::sin(angle);
        const double across_x = -along_y, across_y = along_x;
        auto corner = [&](double radius, double half_width) {
            return Point{radius * along_x + half_width * across_x, radius * along_y + half_width * across_y};
        };
        pen.Polygon({corner(0.5, 0.2), corner(0.93, 0.13), corner(0.93, -0.13), corner(0.5, -0.2)});
    }
    pen.Ring(0, 0, 0.72, 0.36);
}

void Power(IconPen& pen) {
    pen.Arc(0, 0.05, 0.85, 0.2, -55, 235);
    pen.Line(0, -0.85, 0, -0.05, 0.2);
}

void Movie(IconPen& pen) {
    // A film strip: perforated bands above and below a frame with a play sign.
    pen.Frame(-0.95, -0.8, 0.95, 0.8, 0.1, 0.13);
    pen.Line(-0.85, -0.38, 0.85, -0.38, 0.08);
    pen.Line(-0.85, 0.38, 0.85, 0.38, 0.08);
    for (int i = -2; i <= 2; ++i) {
        const double x = i * 0.34;
        pen.Box(x - 0.09, -0.64, x + 0.09, -0.5, 0.03);
        pen.Box(x - 0.09, 0.5, x + 0.09, 0.64, 0.03);
    }
    pen.Polygon({{-0.16, -0.22}, {-0.16, 0.22}, {0.24, 0}});
}

void Photo(IconPen& pen) {
    pen.Frame(-0.95, -0.75, 0.95, 0.75, 0.12, 0.14);
    pen.Polygon({{-0.72, 0.56}, {-0.25, -0.12}, {0.05, 0.3}, {0.3, 0.0}, {0.72, 0.56}});
    pen.Disc(0.42, -0.36, 0.16);
}

void Game(IconPen& pen) {
    // A game pad: a rounded body, a cross on the left and two buttons on the right.
    pen.Frame(-0.95, -0.5, 0.95, 0.6, 0.45, 0.14);
    pen.Line(-0.66, 0.05, -0.26, 0.05, 0.15);
    pen.Line(-0.46, -0.15, -0.46, 0.25, 0.15);
    pen.Disc(0.34, -0.02, 0.11);
    pen.Disc(0.56, 0.18, 0.11);
}

void Camera(IconPen& pen) {
    pen.Polygon({{-0.45, -0.5}, {-0.3, -0.82}, {0.2, -0.82}, {0.35, -0.5}});
    pen.Frame(-0.95, -0.55, 0.95, 0.8, 0.16, 0.14);
    pen.Ring(0, 0.12, 0.42, 0.13);
    pen.Disc(0, 0.12, 0.15);
    pen.Disc(0.66, -0.3, 0.08);
}

void Brightness(IconPen& pen) {
    // A sun: a disc with eight rays.
    pen.Disc(0, 0, 0.38);
    for (int i = 0; i < 8; ++i) {
        const double angle = 2 * std::numbers::pi * i / 8;
        pen.Line(0.6 * std::cos(angle), 0.6 * std::sin(angle), 0.86 * std::cos(angle), 0.86 * std::sin(angle), 0.16);
    }
}

void Sound(IconPen& pen) {
    pen.Box(-0.95, -0.3, -0.55, 0.3, 0.05);
    pen.Polygon({{-0.75, 0}, {-0.12, -0.8}, {-0.12, 0.8}});
    pen.Arc(-0.1, 0, 0.52, 0.14, -45, 45);
    pen.Arc(-0.1, 0, 0.92, 0.14, -50, 50);
}

void Info(IconPen& pen) {
    pen.Ring(0, 0, 0.95, 0.14);
    pen.Disc(0, -0.42, 0.13);
    pen.Line(0, -0.08, 0, 0.5, 0.22);
}

void Calibration(IconPen& pen) {
    // A target cross: a ring, four ticks reaching in from the edge and the centre point.
    pen.Ring(0, 0, 0.62, 0.12);
    pen.Line(0, -0.9, 0, -0.3, 0.12);
    pen.Line(0, 0.3, 0, 0.9, 0.12);
    pen.Line(-0.9, 0, -0.3, 0, 0.12);
    pen.Line(0.3, 0, 0.9, 0, 0.12);
    pen.Disc(0, 0, 0.12);
}

void Add(IconPen& pen) {
    pen.Line(-0.8, 0, 0.8, 0, 0.26);
    pen.Line(0, -0.8, 0, 0.8, 0.26);
}

void Route(IconPen& pen) {
    // A winding path from a start point (bottom left) to a goal ring (top right).
    pen.Line(-0.68, 0.65, 0.25, 0.65, 0.14);
    pen.Arc(0.25, 0.35, 0.37, 0.14, -90, 90);
    pen.Line(0.25, 0.05, -0.35, 0.05, 0.14);
    pen.Arc(-0.35, -0.25, 0.37, 0.14, 90, 270);
    pen.Line(-0.35, -0.55, 0.45, -0.55, 0.14);
    pen.Disc(-0.7, 0.65, 0.2);
    pen.Ring(0.68, -0.55, 0.25, 0.1);
    pen.Disc(0.68, -0.55, 0.09);
}

void Arrow(IconPen& pen, double direction) {
    // Shaft and head, pointing left for direction -1 and right for 1.
    const double d = -direction;
    pen.Polygon({{-0.9 * d, 0}, {-0.2 * d, -0.7}, {-0.2 * d, -0.28}, {0.85 * d, -0.28}, {0.85 * d, 0.28},
                 {-0.2 * d, 0.28}, {-0.2 * d, 0.7}});
}


void Mute(IconPen& pen) {
    // Sound's speaker with a cross where its waves would be.
    pen.Box(-0.95, -0.3, -0.55, 0.3, 0.05);
    pen.Polygon({{-0.75, 0}, {-0.12, -0.8}, {-0.12, 0.8}});
    pen.Line(0.2, -0.38, 0.82, 0.38, 0.16);
    pen.Line(0.2, 0.38, 0.82, -0.38, 0.16);
}

void Scan(IconPen& pen) {
    // A magnifying glass for the channel search, with a wave in its lens.
    pen.Ring(-0.2, -0.2, 0.62, 0.16);
    pen.Line(0.26, 0.26, 0.8, 0.8, 0.26);
    pen.Arc(-0.42, -0.2, 0.36, 0.11, -50, 50);
    pen.Disc(-0.42, -0.2, 0.1);
}

void Radio(IconPen& pen) {
    // A radio set: its body with a round speaker and dial lines, the rod aerial leaning out.
    pen.Line(-0.55, -0.38, 0.55, -0.9, 0.1);
    pen.Frame(-0.95, -0.38, 0.95, 0.85, 0.16, 0.14);
    pen.Ring(-0.4, 0.24, 0.33, 0.12);
    pen.Disc(-0.4, 0.24, 0.1);
    for (const double y : {0.02, 0.24, 0.46}) pen.Line(0.2, y, 0.66, y, 0.09);
}

void Fm(IconPen& pen) {
    // A transmitter mast: two legs braced across, its lamp at the top and waves on both sides.
    pen.Line(0, -0.3, -0.42, 0.86, 0.13);
    pen.Line(0, -0.3, 0.42, 0.86, 0.13);
    pen.Line(-0.22, 0.3, 0.22, 0.3, 0.1);
    pen.Disc(0, -0.45, 0.15);
    pen.Arc(0, -0.45, 0.42, 0.12, -40, 40);
    pen.Arc(0, -0.45, 0.42, 0.12, 140, 220);
    pen.Arc(0, -0.45, 0.76, 0.12, -35, 35);
    pen.Arc(0, -0.45, 0.76, 0.12, 145, 215);
}

void Chevrons(IconPen& pen, double direction) {
    // Two stacked chevrons pointing up for direction -1 and down for 1.
    for (const double apex : {0.7 * direction, 0.0}) {
        const double arms = apex - 0.7 * direction;
        pen.Line(-0.72, arms, 0, apex, 0.2);
        pen.Line(0, apex, 0.72, arms, 0.2);
    }
}

void Close(IconPen& pen) {
    pen.Line(-0.68, -0.68, 0.68, 0.68, 0.24);
    pen.Line(-0.68, 0.68, 0.68, -0.68, 0.24);
}

void LeavePip(IconPen& pen) {
    // The big screen's frame, a small filled box over its corner on the way out, and an arrow
    // from the middle towards it.
    pen.Frame(-0.92, -0.5, 0.5, 0.88, 0.1, 0.13);
    pen.Box(0.12, -0.92, 0.92, -0.28, 0.06);
    pen.Line(-0.5, 0.45, -0.02, -0.03, 0.14);
    pen.Polygon({{0.12, -0.17}, {-0.36, -0.17}, {0.12, 0.31}});
}

}  // namespace

void DrawIcon(Canvas& canvas, SkinIcon icon, double centre_x, double centre_y, double size, Colour ink) {
    IconPen pen(canvas, centre_x, centre_y, size, ink);
    switch (icon) {
    case SkinIcon::None: break;
    case SkinIcon::Play:
    case SkinIcon::Pause:
    case SkinIcon::Stop:
    case SkinIcon::Next:
    case SkinIcon::Previous:
    case SkinIcon::VolumeUp:
    case SkinIcon::VolumeDown:
    case SkinIcon::Home:
    case SkinIcon::List: DrawPlayerIcon(canvas, icon, centre_x, centre_y, size, ink); break;
    case SkinIcon::Navigation: Navigation(pen); break;
    case SkinIcon::Tv: Tv(pen); break;
    case SkinIcon::Music: Music(pen); break;
    case SkinIcon::Multimedia: Multimedia(pen); break;
    case SkinIcon::Settings: Settings(pen); break;
    case SkinIcon::Power: Power(pen); break;
    case SkinIcon::Movie: Movie(pen); break;
    case SkinIcon::Photo: Photo(pen); break;
    case SkinIcon::Game: Game(pen); break;
    case SkinIcon::Camera: Camera(pen); break;
    case SkinIcon::Brightness: Brightness(pen); break;
    case SkinIcon::Sound: Sound(pen); break;
    case SkinIcon::Info: Info(pen); break;
    case SkinIcon::Calibration: Calibration(pen); break;
    case SkinIcon::Add: Add(pen); break;
    case SkinIcon::Route: Route(pen); break;
    case SkinIcon::Left: Arrow(pen, -1); break;
    case SkinIcon::Right: Arrow(pen, 1); break;
    case SkinIcon::Mute: Mute(pen); break;
    case SkinIcon::Scan: Scan(pen); break;
    case SkinIcon::Radio: Radio(pen); break;
    case SkinIcon::Fm: Fm(pen); break;
    case SkinIcon::PageUp: Chevrons(pen, -1); break;
    case SkinIcon::PageDown: Chevrons(pen, 1); break;
    case SkinIcon::Close: Close(pen); break;
    case SkinIcon::LeavePip: LeavePip(pen); break;
    }
}

}  // namespace skingen
