#include "HouseMesh.hpp"

namespace Workbench::Scene {

namespace {

constexpr Vec3 plaster{0.90f, 0.84f, 0.70f};
constexpr Vec3 tiles{0.66f, 0.26f, 0.17f};
constexpr Vec3 trim{0.93f, 0.92f, 0.88f};
constexpr Vec3 glass{0.22f, 0.34f, 0.46f};
constexpr Vec3 timber{0.40f, 0.20f, 0.11f};
constexpr Vec3 brick{0.56f, 0.31f, 0.24f};
constexpr Vec3 gravel{0.66f, 0.63f, 0.56f};

constexpr float wallHeight = 3.0f;
constexpr float halfLength = 5.0f; // along x
constexpr float halfDepth = 4.0f;  // along z
constexpr float ridgeHeight = 5.6f;
constexpr float roofSlope = (ridgeHeight - wallHeight) / halfDepth;
constexpr float eaveOverhang = 0.5f;
constexpr float gableOverhang = 0.4f;
constexpr float roofThickness = 0.22f;
// Doors and windows sit this far proud of their wall so that the depth buffer tells them apart.
constexpr float proud = 0.03f;

// The outside of a wall: `across` runs left to right as seen from outside, `outward` away from it.
struct Wall {
    Vec3 origin; // at ground level
    Vec3 across;
    Vec3 outward;

    Vec3 At(float u, float y, float out) const { return origin + across * u + Vec3{0, y, 0} + outward * out; }
};

const Wall frontWall{{0, 0, halfDepth}, {1, 0, 0}, {0, 0, 1}};
const Wall rightWall{{halfLength, 0, 0}, {0, 0, -1}, {1, 0, 0}};

class MeshBuilder {
public:
    void Add(Vec3 a, Vec3 b, Vec3 c, Vec3 albedo, bool castsShadow = true) {
        triangles.push_back({a, b, c, albedo, castsShadow});
    }

    // Corners counter-clockwise seen from the front.
    void Quad(Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3, Vec3 albedo, bool castsShadow = true) {
        Add(p0, p1, p2, albedo, castsShadow);
        Add(p0, p2, p3, albedo, castsShadow);
    }

    // A rectangle `out` metres in front of a wall, spanning [u0, u1] across and [y0, y1] up.
    void Panel(const Wall& wall, float out, float u0, float u1, float y0, float y1, Vec3 albedo) {
        Quad(wall.At(u0, y0, out), wall.At(u1, y0, out), wall.At(u1, y1, out), wall.At(u0, y1, out), albedo);
    }

    // Frame, pane and a cross of glazing bars, each a little prouder than the last.
    void Window(const Wall& wall, float u0, float u1, float y0, float y1) {
        const float um = (u0 + u1) / 2, ym = (y0 + y1) / 2;
        Panel(wall, proud, u0 - 0.1f, u1 + 0.1f, y0 - 0.1f, y1 + 0.1f, trim);
        Panel(wall, 2 * proud, u0, u1, y0, y1, glass);
        Panel(wall, 3 * proud, um - 0.04f, um + 0.04f, y0, y1, trim);
        Panel(wall, 3 * proud, u0, u1, ym - 0.04f, ym + 0.04f, trim);
    }

    // A slab hanging `thickness` below its top face (corners counter-clockwise from above), with
    // edges of their own colour; its underside is never seen.
    void Slab(const Vec3 (&top)[4], float thickness, Vec3 topAlbedo, Vec3 edgeAlbedo) {
        Quad(top[0], top[1], top[2], top[3], topAlbedo);
        const Vec3 down{0, -thickness, 0};
        for (int i = 0; i < 4; ++i) {
            const Vec3 p = top[i], q = top[(i + 1) % 4];
            Quad(p + down, q + down, q, p, edgeAlbedo);
        }
    }

    // An axis-aligned box without a bottom.
    void Box(Vec3 low, Vec3 high, Vec3 albedo) {
        const Vec3 top[4] = {{low.x, high.y, high.z},
                             {high.x, high.y, high.z},
                             {high.x, high.y, low.z},
                             {low.x, high.y, low.z}};
        Slab(top, high.y - low.y, albedo, albedo);
    }

    std::vector<Triangle> triangles;
};

void AddWalls(MeshBuilder& mesh) {
    const float x = halfLength, z = halfDepth, h = wallHeight;
    mesh.Quad({-x, 0, z}, {x, 0, z}, {x, h, z}, {-x, h, z}, plaster);
    mesh.Quad({x, 0, -z}, {-x, 0, -z}, {-x, h, -z}, {x, h, -z}, plaster);
    mesh.Quad({x, 0, z}, {x, 0, -z}, {x, h, -z}, {x, h, z}, plaster);
    mesh.Quad({-x, 0, -z}, {-x, 0, z}, {-x, h, z}, {-x, h, -z}, plaster);
    mesh.Add({x, h, z}, {x, h, -z}, {x, ridgeHeight, 0}, plaster);
    mesh.Add({-x, h, -z}, {-x, h, z}, {-x, ridgeHeight, 0}, plaster);
}

void AddRoof(MeshBuilder& mesh) {
    const float x = halfLength + gableOverhang, z = halfDepth + eaveOverhang;
    const float eave = wallHeight - eaveOverhang * roofSlope + roofThickness;
    const float ridge = ridgeHeight + roofThickness;
    const Vec3 front[4] = {{-x, eave, z}, {x, eave, z}, {x, ridge, 0}, {-x, ridge, 0}};
    const Vec3 back[4] = {{x, eave, -z}, {-x, eave, -z}, {-x, ridge, 0}, {x, ridge, 0}};
    mesh.Slab(front, roofThickness, tiles, trim);
    mesh.Slab(back, roofThickness, tiles, trim);
    // Behind the ridge, rising through the back slope.
    mesh.Box({2.0f, 4.0f, -2.2f}, {2.8f, 6.6f, -1.4f}, brick);
    mesh.Box({1.9f, 6.6f, -2.3f}, {2.9f, 6.75f, -1.3f}, trim);
}

void AddOpenings(MeshBuilder& mesh) {
    mesh.Panel(frontWall, proud, -0.65f, 0.65f, 0, 2.25f, trim);
    mesh.Panel(frontWall, 2 * proud, -0.55f, 0.55f, 0, 2.15f, timber);
    mesh.Window(frontWall, -3.9f, -2.3f, 1.0f, 2.2f);
    mesh.Window(frontWall, 2.3f, 3.9f, 1.0f, 2.2f);
    mesh.Window(rightWall, -2.6f, -1.2f, 1.0f, 2.2f);
    mesh.Window(rightWall, 1.2f, 2.6f, 1.0f, 2.2f);
    mesh.Window(rightWall, -0.5f, 0.5f, 3.5f, 4.4f); // in the gable
}

void AddGrounds(MeshBuilder& mesh) {
    // Far enough that its edge lies within a few pixels of the horizon.
    const float far = 2000.0f;
    mesh.Quad({-far, 0, far}, {far, 0, far}, {far, 0, -far}, {-far, 0, -far}, lawnAlbedo, false);
    mesh.Quad({-0.7f, 0.01f, 40.0f}, {0.7f, 0.01f, 40.0f}, {0.7f, 0.01f, halfDepth},
              {-0.7f, 0.01f, halfDepth}, gravel, false);
}

} // namespace

std::vector<Triangle> HouseScene() {
    MeshBuilder mesh;
    AddGrounds(mesh);
    AddWalls(mesh);
    AddRoof(mesh);
    AddOpenings(mesh);
    return std::move(mesh.triangles);
}

} // namespace Workbench::Scene
