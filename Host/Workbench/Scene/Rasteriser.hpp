#pragma once

// Triangle rasterisation with a depth buffer.

#include "Camera.hpp"
#include "RgbImage.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Workbench::Scene {

namespace Detail {

// Twice the signed area of (u, v, p), taken relative to p. Swapping u and v swaps the two products
// and so negates the result exactly: an edge shared by two triangles is decided bit for bit the
// same from both sides, which leaves neither cracks nor doubly covered pixels along it.
inline double EdgeFunction(double ux, double uy, double vx, double vy, double px, double py) {
    return (ux - px) * (vy - py) - (uy - py) * (vx - px);
}

// A pixel centre exactly on the edge u -> v belongs to the triangle if nudging the centre right (or,
// on an edge along the nudge, down) moves it inside. The same nudge applies to every triangle, so
// a shared edge or vertex goes to exactly one of them.
inline bool OwnsBoundary(const ScreenVertex& u, const ScreenVertex& v) {
    return u.y > v.y || (u.y == v.y && v.x > u.x);
}

inline int FirstCentreAtOrAfter(double coordinate, int limit) {
    return int(std::clamp(std::ceil(coordinate - 0.5), 0.0, double(limit)));
}

inline int LastCentreAtOrBefore(double coordinate, int limit) {
    return int(std::clamp(std::floor(coordinate - 0.5), -1.0, double(limit - 1)));
}

} // namespace Detail

// Calls visit(x, y, inverseDepth) for every pixel of a width x height screen whose centre the
// triangle covers, in either winding; a degenerate triangle covers nothing.
template <class Visit>
void CoverTriangle(ScreenVertex a, ScreenVertex b, ScreenVertex c, int width, int height, Visit&& visit) {
    using Detail::EdgeFunction;
    double area = EdgeFunction(a.x, a.y, b.x, b.y, c.x, c.y);
    if (area == 0 || !std::isfinite(area))
        return;
    if (area < 0) {
        std::swap(b, c);
        area = -area;
    }
    const bool ownsBc = Detail::OwnsBoundary(b, c);
    const bool ownsCa = Detail::OwnsBoundary(c, a);
    const bool ownsAb = Detail::OwnsBoundary(a, b);
    const auto inside = [](double e, bool owns) { return e > 0 || (e == 0 && owns); };

    const int x0 = Detail::FirstCentreAtOrAfter(std::min({a.x, b.x, c.x}), width);
    const int x1 = Detail::LastCentreAtOrBefore(std::max({a.x, b.x, c.x}), width);
    const int y0 = Detail::FirstCentreAtOrAfter(std::min({a.y, b.y, c.y}), height);
    const int y1 = Detail::LastCentreAtOrBefore(std::max({a.y, b.y, c.y}), height);
    for (int y = y0; y <= y1; ++y) {
        const double py = y + 0.5;
        bool entered = false;
        for (int x = x0; x <= x1; ++x) {
            const double px = x + 0.5;
            const double wa = EdgeFunction(b.x, b.y, c.x, c.y, px, py);
            const double wb = EdgeFunction(c.x, c.y, a.x, a.y, px, py);
            const double wc = EdgeFunction(a.x, a.y, b.x, b.y, px, py);
            if (inside(wa, ownsBc) && inside(wb, ownsCa) && inside(wc, ownsAb)) {
                entered = true;
                visit(x, y, float((wa * a.inverseDepth + wb * b.inverseDepth + wc * c.inverseDepth) / area));
            } else if (entered) {
                break; // a triangle's row is one run
            }
        }
    }
}

// Draws flat-coloured world-space triangles into a picture as the camera sees them; a triangle
// hides what lies behind it whatever the order of drawing.
class Rasteriser {
public:
    // The camera must be made for the picture's size.
    Rasteriser(RgbImage& output, const Camera& view);

    void Draw(Vec3 a, Vec3 b, Vec3 c, Rgb colour);

    // 1/depth of what was drawn at a pixel inside the picture, 0 where nothing was.
    float InverseDepthAt(int x, int y) const {
        return inverseDepths[std::size_t(y) * std::size_t(image.Width()) + std::size_t(x)];
    }

private:
    void DrawProjected(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, Rgb colour);

    RgbImage& image;
    const Camera& camera;
    std::vector<float> inverseDepths; // 0: nothing drawn yet, infinitely far
};

} // namespace Workbench::Scene
