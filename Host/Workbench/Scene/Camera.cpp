#include "Camera.hpp"

#include <algorithm>

namespace Workbench::Scene {

Camera::Camera(Vec3 from, Vec3 target, float fieldOfView, int width, int height)
    : eye(from), forward(Normalize(target - from)), centreX(width / 2.0), centreY(height / 2.0) {
    right = Normalize(Cross(forward, Vec3{0, 1, 0}));
    up = Cross(right, forward);
    focalLength = 0.5 * std::min(width, height) / std::tan(0.5 * double(fieldOfView));
}

Vec3 Camera::ToView(Vec3 world) const {
    const Vec3 d = world - eye;
    return {Dot(d, right), Dot(d, up), Dot(d, forward)};
}

ScreenVertex Camera::Project(Vec3 view) const {
    const double scale = focalLength / view.z;
    return {centreX + view.x * scale, centreY - view.y * scale, 1 / view.z};
}

Vec3 Camera::DirectionAtRow(double y) const {
    return forward + up * float((centreY - y) / focalLength);
}

} // namespace Workbench::Scene
