#pragma once

// A pinhole camera for a window of a given size in pixels.

#include "Vector.hpp"

namespace Workbench::Scene {

// A point on the screen: pixel coordinates with y down (pixel centres at i + 0.5), and 1/depth,
// which unlike depth itself varies linearly across a projected triangle.
struct ScreenVertex {
    double x = 0;
    double y = 0;
    float inverseDepth = 0;
};

class Camera {
public:
    // Nothing nearer than this is drawn; triangles are clipped here, so projection never divides by
    // zero or flips what lies behind the eye.
    static constexpr float nearDepth = 0.5f;

    // `fieldOfView` (radians) spans the window's shorter side, so the subject stays framed whatever
    // the window's shape. `from` must not be straight above or below `target`.
    Camera(Vec3 from, Vec3 target, float fieldOfView, int width, int height);

    Vec3 Eye() const { return eye; }

    // x right, y up, z the depth in front of the eye.
    Vec3 ToView(Vec3 world) const;

    // A view-space point with z >= nearDepth.
    ScreenVertex Project(Vec3 view) const;

    // The world-space direction (not normalised) through the middle of the screen at height `y`.
    Vec3 DirectionAtRow(double y) const;

private:
    Vec3 eye;
    Vec3 right;
    Vec3 up;
    Vec3 forward;
    double focalLength; // in pixels
    double centreX;
    double centreY;
};

} // namespace Workbench::Scene
