#include "Scene/Jpeg.hpp"

#include "JpegInfo.hpp"
#include "SceneTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

using namespace Workbench::Scene;
using SceneTesting::DecodeJpeg;

// Left half one colour, right half another, in blocks that 4:2:0 keeps apart.
RgbImage TwoColours(int width, int height, Rgb left, Rgb right) {
    RgbImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.Set(x, y, x < width / 2 ? left : right);
    return image;
}

void ExpectClose(Rgb seen, Rgb expected, int tolerance) {
    EXPECT_LE(std::abs(seen.r - expected.r), tolerance) << int(seen.r) << " vs " << int(expected.r);
    EXPECT_LE(std::abs(seen.g - expected.g), tolerance) << int(seen.g) << " vs " << int(expected.g);
    EXPECT_LE(std::abs(seen.b - expected.b), tolerance) << int(seen.b) << " vs " << int(expected.b);
}

TEST(EncodeJpeg, MakesAJpegThatDecodesToThePictureWithHalvedChroma) {
    const Rgb left{200, 30, 90}, right{20, 160, 220};
    const auto jpeg = EncodeJpeg(TwoColours(64, 48, left, right), 90);
    ASSERT_GE(jpeg.size(), 4u);
    EXPECT_EQ(jpeg[0], 0xFF); // start of image
    EXPECT_EQ(jpeg[1], 0xD8);
    EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF); // end of image
    EXPECT_EQ(jpeg[jpeg.size() - 1], 0xD9);
    EXPECT_EQ(WorkbenchTest::ReadJpegInfo(jpeg).sampling, WorkbenchTest::Chroma420);
    const RgbImage decoded = DecodeJpeg(jpeg);
    ASSERT_EQ(decoded.Width(), 64);
    ASSERT_EQ(decoded.Height(), 48);
    ExpectClose(decoded.At(8, 24), left, 4);
    ExpectClose(decoded.At(56, 24), right, 4);
}

void ExpectRefused(const RgbImage& image, int quality) {
    try {
        EncodeJpeg(image, quality);
        ADD_FAILURE() << "encoded " << image.Width() << "x" << image.Height() << " at quality " << quality;
    } catch (const JpegError& error) {
        // The encoder's own words come after the prefix.
        constexpr const char* Prefix = "JPEG encoding failed: ";
        EXPECT_THAT(error.what(), testing::StartsWith(Prefix));
        EXPECT_GT(std::strlen(error.what()), std::strlen(Prefix));
    }
}

TEST(EncodeJpeg, PassesOnTheEncodersReasonForRefusing) {
    const RgbImage image(8, 8);
    ExpectRefused(image, -1);
    ExpectRefused(image, 101);
    ExpectRefused(RgbImage(0, 0), 90);
    ExpectRefused(RgbImage(0, 8), 90);
}

} // namespace
