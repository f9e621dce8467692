#include "Scene/Rasteriser.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using namespace Workbench::Scene;

constexpr int width = 24;
constexpr int height = 18;

// How many times each pixel was visited, failing on any visit outside the screen.
class CoverageCount {
public:
    void Cover(ScreenVertex a, ScreenVertex b, ScreenVertex c) {
        CoverTriangle(a, b, c, width, height, [&](int x, int y, float) {
            ASSERT_TRUE(x >= 0 && x < width && y >= 0 && y < height) << x << "," << y;
            ++counts[std::size_t(y * width + x)];
        });
    }
    int At(int x, int y) const { return counts[std::size_t(y * width + x)]; }
    void ExpectEveryPixelOnce() const {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                EXPECT_EQ(At(x, y), 1) << "pixel " << x << "," << y;
    }

private:
    std::vector<int> counts = std::vector<int>(width * height, 0);
};

// A grid of quads over more than the screen, each cut into two triangles along alternating
// diagonals, with every other triangle wound the other way.
void CoverGrid(CoverageCount& coverage, const std::vector<std::vector<ScreenVertex>>& grid) {
    bool flip = false;
    for (std::size_t row = 0; row + 1 < grid.size(); ++row) {
        for (std::size_t column = 0; column + 1 < grid[row].size(); ++column) {
            const ScreenVertex p = grid[row][column], q = grid[row][column + 1];
            const ScreenVertex r = grid[row + 1][column + 1], s = grid[row + 1][column];
            if ((row + column) % 2 == 0) {
                coverage.Cover(p, q, r);
                flip ? coverage.Cover(p, s, r) : coverage.Cover(p, r, s);
            } else {
                coverage.Cover(q, r, s);
                flip ? coverage.Cover(q, p, s) : coverage.Cover(q, s, p);
            }
            flip = !flip;
        }
    }
}

TEST(CoverTriangle, AMeshWithEdgesAndCornersOnPixelCentresCoversEachPixelOnce) {
    // Corners at pixel centres put pixel centres on every edge and at every shared corner.
    std::vector<std::vector<ScreenVertex>> grid;
    for (int row = 0; row < 7; ++row) {
        grid.emplace_back();
        for (int column = 0; column < 8; ++column)
            grid.back().push_back({-4.5 + 5.0 * column, -3.5 + 4.0 * row, 1});
    }
    CoverageCount coverage;
    CoverGrid(coverage, grid);
    coverage.ExpectEveryPixelOnce();
}

TEST(CoverTriangle, AMeshWithArbitraryCornersCoversEachPixelOnce) {
    std::mt19937 random(7);
    // Small enough that every quad stays convex, so neither of its triangles folds over the other.
    std::uniform_real_distribution<double> jitter(-1.0, 1.0);
    std::vector<std::vector<ScreenVertex>> grid;
    for (int row = 0; row < 7; ++row) {
        grid.emplace_back();
        for (int column = 0; column < 9; ++column) {
            const bool border = row == 0 || row == 6 || column == 0 || column == 8;
            grid.back().push_back({-5.0 + 4.25 * column + (border ? 0 : jitter(random)),
                                   -4.0 + 4.1 * row + (border ? 0 : jitter(random)), 1});
        }
    }
    CoverageCount coverage;
    CoverGrid(coverage, grid);
    coverage.ExpectEveryPixelOnce();
}

TEST(CoverTriangle, AFanWithFarCornersCoversEachPixelOnce) {
    // Spokes through pixel centres out to corners a billion pixels away, where products of
    // coordinates lose their last bits: both triangles along a spoke must still agree about it.
    // The directions go once round, anticlockwise.
    const ScreenVertex centre{10.5, 7.5, 1};
    const double far = 1234567891.0;
    const std::vector<std::pair<double, double>> directions = {{3, 1},   {-1, 2}, {-3, 1},
                                                               {-2, -1}, {2, -3}, {1, -1}};
    CoverageCount coverage;
    for (std::size_t i = 0; i < directions.size(); ++i) {
        const auto [ax, ay] = directions[i];
        const auto [bx, by] = directions[(i + 1) % directions.size()];
        coverage.Cover(centre, {centre.x + ax * far, centre.y + ay * far, 1},
                       {centre.x + bx * far, centre.y + by * far, 1});
    }
    coverage.ExpectEveryPixelOnce();
}

TEST(CoverTriangle, WindingDoesNotChangeWhatIsCovered) {
    const ScreenVertex a{2.5, 1.5, 1}, b{20.25, 5.5, 1}, c{6.5, 16.5, 1};
    CoverageCount forwards, backwards;
    forwards.Cover(a, b, c);
    backwards.Cover(a, c, b);
    int covered = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            EXPECT_EQ(forwards.At(x, y), backwards.At(x, y)) << x << "," << y;
            covered += forwards.At(x, y);
        }
    EXPECT_GT(covered, 100);
}

TEST(CoverTriangle, DegenerateAndOffScreenTrianglesCoverNothing) {
    CoverageCount coverage;
    coverage.Cover({1, 1, 1}, {10, 10, 1}, {19, 19, 1});         // a line
    coverage.Cover({5.5, 5.5, 1}, {5.5, 5.5, 1}, {5.5, 5.5, 1}); // a point on a pixel centre
    coverage.Cover({-30, -30, 1}, {-10, -30, 1}, {-20, -5, 1});  // above and left
    coverage.Cover({30, 30, 1}, {1e9, 30, 1}, {30, 1e9, 1});     // below and right, far out
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            EXPECT_EQ(coverage.At(x, y), 0) << x << "," << y;
}

TEST(CoverTriangle, InterpolatesInverseDepthLinearlyOnTheScreen) {
    // 1/depth = 0.1 + 0.01 x + 0.02 y at each corner, so at every pixel centre too.
    const auto corner = [](double x, double y) {
        return ScreenVertex{x, y, float(0.1 + 0.01 * x + 0.02 * y)};
    };
    int visits = 0;
    CoverTriangle(corner(-3, -2), corner(40, 1), corner(2, 30), width, height,
                  [&](int x, int y, float inverse) {
                      ++visits;
                      EXPECT_NEAR(inverse, 0.1 + 0.01 * (x + 0.5) + 0.02 * (y + 0.5), 1e-5) << x << "," << y;
                  });
    EXPECT_GT(visits, 200);
}

// Looking along -z from 10 m up the z axis, at the height of the origin.
Camera FrontCamera() {
    return Camera({0, 0, 10}, {0, 0, 0}, 0.9f, width, height);
}

TEST(Camera, PutsTheTargetInTheMiddleWithRightAndUpWhereTheyBelong) {
    const Camera camera = FrontCamera();
    const ScreenVertex middle = camera.Project(camera.ToView({0, 0, 0}));
    EXPECT_DOUBLE_EQ(middle.x, width / 2.0);
    EXPECT_DOUBLE_EQ(middle.y, height / 2.0);
    EXPECT_FLOAT_EQ(middle.inverseDepth, 0.1f);
    EXPECT_GT(camera.Project(camera.ToView({1, 0, 0})).x, middle.x);
    EXPECT_LT(camera.Project(camera.ToView({0, 1, 0})).y, middle.y);
    EXPECT_FLOAT_EQ(camera.Project(camera.ToView({0, 0, 5})).inverseDepth, 0.2f);
    EXPECT_GT(camera.DirectionAtRow(0.5).y, 0);
    EXPECT_LT(camera.DirectionAtRow(height - 0.5).y, 0);
}

const Rgb red{200, 0, 0};
const Rgb blue{0, 0, 200};

RgbImage DrawTwoSquares(bool nearFirst) {
    RgbImage image(width, height);
    const Camera camera = FrontCamera();
    Rasteriser rasteriser(image, camera);
    const auto square = [&](float z, float half, Rgb colour) {
        rasteriser.Draw({-half, -half, z}, {half, -half, z}, {half, half, z}, colour);
        rasteriser.Draw({-half, -half, z}, {half, half, z}, {-half, half, z}, colour);
    };
    if (nearFirst) {
        square(2, 1, red);
        square(-2, 3, blue);
    } else {
        square(-2, 3, blue);
        square(2, 1, red);
    }
    return image;
}

TEST(Rasteriser, TheNearerTriangleHidesTheFartherWhateverTheOrder) {
    const RgbImage nearFirst = DrawTwoSquares(true);
    EXPECT_EQ(nearFirst, DrawTwoSquares(false));
    EXPECT_EQ(nearFirst.At(width / 2, height / 2), red);
    EXPECT_EQ(nearFirst.At(width / 2 - 5, height / 2), blue); // the far square shows around the near one
    EXPECT_EQ(nearFirst.At(0, 0), Rgb{});                     // and nothing beyond it
}

TEST(Rasteriser, ClipsAtTheNearPlaneWhatReachesBehindTheEye) {
    // Level with the eye 1 m up, a floor running from far ahead to far behind: it fills the lower
    // half up to the horizon, and nothing behind the eye folds over into the sky.
    RgbImage image(width, height);
    const Camera camera({0, 1, 0}, {0, 1, -10}, 0.9f, width, height);
    Rasteriser rasteriser(image, camera);
    rasteriser.Draw({-100, 0, 100}, {100, 0, 100}, {100, 0, -100}, red);
    rasteriser.Draw({-100, 0, 100}, {100, 0, -100}, {-100, 0, -100}, red);
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height / 2; ++y)
            EXPECT_EQ(image.At(x, y), Rgb{}) << x << "," << y;
        for (int y = height / 2; y < height; ++y)
            EXPECT_EQ(image.At(x, y), red) << x << "," << y;
        EXPECT_GT(rasteriser.InverseDepthAt(x, height - 1), rasteriser.InverseDepthAt(x, height / 2 + 1));
    }
}

TEST(Rasteriser, DrawsNothingOfATriangleWhollyBehindTheEye) {
    RgbImage image(width, height);
    const Camera camera = FrontCamera();
    Rasteriser rasteriser(image, camera);
    rasteriser.Draw({-50, -50, 10.2f}, {50, -50, 10.2f}, {0, 50, 30}, red);
    EXPECT_EQ(image, RgbImage(width, height));
}

} // namespace
