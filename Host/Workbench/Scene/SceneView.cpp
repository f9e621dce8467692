#include "SceneView.hpp"

#include "HouseMesh.hpp"
#include "Jpeg.hpp"
#include "Rasteriser.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>

namespace Workbench::Scene {

namespace {

// Seen from the front right and a little above, the sun behind the viewer's left shoulder: the
// front is lit, the right gable in shade and the shadow falls behind to the right.
const Vec3 eye{15.0f, 7.5f, 21.0f};
const Vec3 lookAt{0.0f, 2.4f, 0.0f};
constexpr float fieldOfView = 0.72f; // about 41 degrees across the shorter side
const Vec3 towardsSun = Normalize({-0.55f, 0.85f, 0.6f});
constexpr float ambient = 0.42f;
constexpr float sunlight = 0.68f;

const Vec3 horizonSky{0.80f, 0.87f, 0.94f};
const Vec3 zenithSky{0.26f, 0.48f, 0.80f};
// Sine of the elevation at which the sky reaches its zenith colour.
constexpr float skyDepth = 0.55f;
// Distant lawn fades into the horizon's colour, hiding the lawn's edge.
constexpr float hazeDistance = 400.0f;

// Shadows lie just above the ground so that the depth test draws them over it.
constexpr float shadowHeight = 0.02f;
const Vec3 shadowedLawn = lawnAlbedo * ambient;

Rgb ToRgb(Vec3 colour) {
    const auto channel = [](float value) {
        return std::uint8_t(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
    };
    return {channel(colour.x), channel(colour.y), channel(colour.z)};
}

void PaintSky(RgbImage& image, const Camera& camera) {
    for (int y = 0; y < image.Height(); ++y) {
        const Vec3 direction = Normalize(camera.DirectionAtRow(y + 0.5));
        const float height = std::clamp(direction.y / skyDepth, 0.0f, 1.0f);
        const Rgb colour = ToRgb(Lerp(horizonSky, zenithSky, std::sqrt(height)));
        for (int x = 0; x < image.Width(); ++x)
            image.Set(x, y, colour);
    }
}

// The horizon's share in the colour of what lies `distance` away, 1 - exp(-(distance/hazeDistance)^2),
// tabulated in steps small enough to move a channel by less than one level: the haze pass then
// costs a division and a look-up a pixel.
float HazeShare(float distance) {
    constexpr int stepsPerHazeDistance = 256;
    constexpr int steps = 4 * stepsPerHazeDistance; // past four haze distances only the horizon shows
    static const std::array<float, steps> shares = [] {
        std::array<float, steps> table{};
        for (int i = 0; i < steps; ++i) {
            const float d = float(i) / stepsPerHazeDistance;
            table[i] = 1 - std::exp(-d * d);
        }
        return table;
    }();
    return shares[std::size_t(std::min(distance * (stepsPerHazeDistance / hazeDistance), float(steps - 1)))];
}

void AddHaze(RgbImage& image, const Rasteriser& rasteriser) {
    const Rgb horizon = ToRgb(horizonSky);
    const auto blend = [](std::uint8_t from, std::uint8_t to, float share) {
        return std::uint8_t(float(from) + (float(to) - float(from)) * share + 0.5f);
    };
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const float inverseDepth = rasteriser.InverseDepthAt(x, y);
            if (inverseDepth == 0)
                continue;
            const float share = HazeShare(1 / inverseDepth);
            const Rgb seen = image.At(x, y);
            image.Set(x, y,
                      {blend(seen.r, horizon.r, share), blend(seen.g, horizon.g, share),
                       blend(seen.b, horizon.b, share)});
        }
    }
}

Rgb Shade(const Triangle& triangle) {
    const float light = ambient + sunlight * std::max(0.0f, Dot(triangle.Normal(), towardsSun));
    return ToRgb(triangle.albedo * light);
}

// The triangle flattened onto the ground along the sun's rays.
void DrawShadow(Rasteriser& rasteriser, const Triangle& triangle) {
    const auto onGround = [](Vec3 p) {
        Vec3 q = p - towardsSun * ((p.y - shadowHeight) / towardsSun.y);
        q.y = shadowHeight;
        return q;
    };
    rasteriser.Draw(onGround(triangle.a), onGround(triangle.b), onGround(triangle.c), ToRgb(shadowedLawn));
}

} // namespace

RgbImage RenderHouseScene(int width, int height) {
    if (width < 1 || height < 1 || width > maxViewSide || height > maxViewSide)
        throw std::invalid_argument("a view of " + std::to_string(width) + "x" + std::to_string(height) +
                                    " pixels cannot be rendered; each side must be 1 to " +
                                    std::to_string(maxViewSide));
    RgbImage image(width, height);
    const Camera camera(eye, lookAt, fieldOfView, width, height);
    PaintSky(image, camera);
    Rasteriser rasteriser(image, camera);
    for (const Triangle& triangle : HouseScene()) {
        const Vec3 normal = triangle.Normal();
        if (triangle.castsShadow && Dot(normal, towardsSun) > 0)
            DrawShadow(rasteriser, triangle);
        // Faces turned away from the eye are hidden behind the ones turned towards it.
        if (Dot(normal, camera.Eye() - triangle.a) > 0)
            rasteriser.Draw(triangle.a, triangle.b, triangle.c, Shade(triangle));
    }
    AddHaze(image, rasteriser);
    return image;
}

FileResult SaveView(const ViewSource& source, const std::filesystem::path& target) {
    try {
        // The view goes into the host's temporary folder: replaced whole, but never synced.
        if (source.picture)
            return HostFiles::CopyFileDurably(*source.picture, target, HostFiles::Durability::Unsynced);
        const RgbImage image = RenderHouseScene(source.size.width, source.size.height);
        return HostFiles::WriteFileDurably(target, EncodeJpeg(image, jpegQuality),
                                           HostFiles::Durability::Unsynced);
    } catch (const std::bad_alloc&) {
        return {"cannot save \"" + target.string() + "\": out of memory"};
    } catch (const std::exception& error) {
        return {"cannot save \"" + target.string() + "\": " + error.what()};
    }
}

} // namespace Workbench::Scene
