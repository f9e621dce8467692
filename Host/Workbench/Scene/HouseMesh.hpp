#pragma once

// The built-in scene: a house with a pitched roof, a door, windows and a chimney, a path to the
// door, on a wide lawn. Metres, y up; the house stands on x in [-5, 5], z in [-4, 4], its front
// (with the door) facing +z.

#include "Vector.hpp"

#include <vector>

namespace Workbench::Scene {

struct Triangle {
    // Counter-clockwise seen from the side the triangle faces.
    Vec3 a;
    Vec3 b;
    Vec3 c;
    Vec3 albedo; // linear 0..1
    bool castsShadow = true;

    Vec3 Normal() const { return Normalize(Cross(b - a, c - a)); }
};

// The lawn the house stands on; shadows fall on it.
inline constexpr Vec3 lawnAlbedo{0.36f, 0.56f, 0.25f};

std::vector<Triangle> HouseScene();

} // namespace Workbench::Scene
