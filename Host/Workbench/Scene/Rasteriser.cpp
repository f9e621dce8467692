#include "Rasteriser.hpp"

#include <array>

namespace Workbench::Scene {

namespace {

bool InFront(Vec3 view) {
    return view.z >= Camera::nearDepth;
}

// Always measured from the vertex in front, so that two triangles sharing a clipped edge get the
// same point.
Vec3 NearPlaneCrossing(Vec3 front, Vec3 behind) {
    const float t = (front.z - Camera::nearDepth) / (front.z - behind.z);
    Vec3 crossing = Lerp(front, behind, t);
    crossing.z = Camera::nearDepth;
    return crossing;
}

} // namespace

Rasteriser::Rasteriser(RgbImage& output, const Camera& view)
    : image(output), camera(view),
      inverseDepths(std::size_t(output.Width()) * std::size_t(output.Height()), 0.0f) {}

void Rasteriser::Draw(Vec3 a, Vec3 b, Vec3 c, Rgb colour) {
    const std::array<Vec3, 3> corners{camera.ToView(a), camera.ToView(b), camera.ToView(c)};
    // Cutting a triangle at the near plane leaves at most four corners, drawn as a fan.
    std::array<Vec3, 4> kept;
    std::size_t count = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const Vec3 current = corners[i];
        const Vec3 next = corners[(i + 1) % 3];
        if (InFront(current))
            kept[count++] = current;
        if (InFront(current) != InFront(next))
            kept[count++] =
                InFront(current) ? NearPlaneCrossing(current, next) : NearPlaneCrossing(next, current);
    }
    if (count < 3)
        return;
    std::array<ScreenVertex, 4> projected;
    for (std::size_t i = 0; i < count; ++i)
        projected[i] = camera.Project(kept[i]);
    DrawProjected(projected[0], projected[1], projected[2], colour);
    if (count == 4)
        DrawProjected(projected[0], projected[2], projected[3], colour);
}

void Rasteriser::DrawProjected(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                               Rgb colour) {
    const int width = image.Width();
    CoverTriangle(a, b, c, width, image.Height(), [&](int x, int y, float inverseDepth) {
        float& nearest = inverseDepths[std::size_t(y) * std::size_t(width) + std::size_t(x)];
        if (inverseDepth > nearest) {
            nearest = inverseDepth;
            image.Set(x, y, colour);
        }
    });
}

} // namespace Workbench::Scene
