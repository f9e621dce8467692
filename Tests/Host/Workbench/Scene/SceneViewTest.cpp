#include "Scene/SceneView.hpp"

#include "JpegInfo.hpp"
#include "Scene/Jpeg.hpp"
#include "SceneTestSupport.hpp"
#include "TestPlatform.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace Workbench::Scene;
using HostTest::ReadBytes;
using SceneTesting::DecodeJpeg;
using ScratchFolder = HostTest::TemporaryFolder;

struct Mean {
    double r = 0, g = 0, b = 0;
};

// The mean colour of the pixels whose centres lie in the given fractions of the picture.
Mean MeanColour(const RgbImage& image, double left, double top, double right, double bottom) {
    Mean mean;
    int count = 0;
    for (int y = int(top * image.Height());
         y < std::max(int(bottom * image.Height()), int(top * image.Height()) + 1); ++y)
        for (int x = int(left * image.Width());
             x < std::max(int(right * image.Width()), int(left * image.Width()) + 1); ++x) {
            const Rgb pixel = image.At(x, y);
            mean.r += pixel.r;
            mean.g += pixel.g;
            mean.b += pixel.b;
            ++count;
        }
    return {mean.r / count, mean.g / count, mean.b / count};
}

double Distance(Mean a, Mean b) {
    return std::sqrt((a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b));
}

class SceneInWindow : public testing::TestWithParam<ViewSize> {};

// Sky above, lawn below and a house between them, whatever the window's shape, as the JPEG shows it.
TEST_P(SceneInWindow, ShowsTheHouseBetweenSkyAndLawn) {
    const ViewSize size = GetParam();
    const RgbImage image = DecodeJpeg(EncodeJpeg(RenderHouseScene(size.width, size.height), jpegQuality));
    ASSERT_EQ(image.Width(), size.width);
    ASSERT_EQ(image.Height(), size.height);

    const Mean sky = MeanColour(image, 0.0, 0.0, 1.0, 0.05);
    EXPECT_GT(sky.b, sky.r + 40) << "sky " << sky.r << "," << sky.g << "," << sky.b;
    EXPECT_GT(sky.b, sky.g + 10);

    const Mean lawn = MeanColour(image, 0.6, 0.95, 1.0, 1.0);
    EXPECT_GT(lawn.g, lawn.r + 20) << "lawn " << lawn.r << "," << lawn.g << "," << lawn.b;
    EXPECT_GT(lawn.g, lawn.b + 20);

    const Mean house = MeanColour(image, 0.47, 0.47, 0.53, 0.53);
    EXPECT_GT(Distance(house, sky), 60) << "house " << house.r << "," << house.g << "," << house.b;
    EXPECT_GT(Distance(house, lawn), 60);
}

INSTANTIATE_TEST_SUITE_P(Shapes, SceneInWindow,
                         testing::Values(ViewSize{1600, 900}, ViewSize{640, 480}, ViewSize{401, 999},
                                         ViewSize{2001, 301}),
                         [](const auto& sizeInfo) {
                             return std::to_string(sizeInfo.param.width) + "x" +
                                    std::to_string(sizeInfo.param.height);
                         });

TEST(RenderHouseScene, TheSameSizeGivesTheSamePixelsAndTheSameJpeg) {
    const RgbImage first = RenderHouseScene(1600, 900);
    const RgbImage second = RenderHouseScene(1600, 900);
    EXPECT_TRUE(first == second);
    EXPECT_EQ(EncodeJpeg(first, jpegQuality), EncodeJpeg(second, jpegQuality));
}

TEST(RenderHouseScene, RendersTinyAndExtremeWindows) {
    for (const auto& [width, height] : {std::pair{1, 1}, {2, 1}, {1, 2}, {3, 7}, {8192, 1}, {1, 8192}}) {
        const RgbImage image = RenderHouseScene(width, height);
        EXPECT_EQ(image.Width(), width);
        EXPECT_EQ(image.Height(), height);
        const auto decoded = DecodeJpeg(EncodeJpeg(image, jpegQuality));
        EXPECT_EQ(decoded.Width(), width);
        EXPECT_EQ(decoded.Height(), height);
    }
    // One pixel sees the middle of the view: the house, neither sky nor lawn.
    const RgbImage pixel = RenderHouseScene(1, 1);
    const RgbImage large = RenderHouseScene(1601, 901);
    EXPECT_EQ(pixel.At(0, 0), large.At(800, 450));
}

TEST(RenderHouseScene, RefusesSizesOutsideTheLimits) {
    for (const auto& [width, height] :
         {std::pair{0, 1}, {1, 0}, {-1, 5}, {maxViewSide + 1, 1}, {1, maxViewSide + 1}})
        EXPECT_THROW(RenderHouseScene(width, height), std::invalid_argument) << width << "x" << height;
}

TEST(SaveView, WritesTheRenderedSceneAsAJpegOfTheViewsSize) {
    ScratchFolder folder;
    const FileResult result = SaveView({ViewSize{321, 123}, std::nullopt}, folder / "view.jpg");
    ASSERT_TRUE(result.Ok()) << result.error;
    const std::vector<unsigned char> jpeg = ReadBytes(folder / "view.jpg");
    const RgbImage decoded = DecodeJpeg(jpeg);
    EXPECT_EQ(decoded.Width(), 321);
    EXPECT_EQ(decoded.Height(), 123);
    EXPECT_EQ(WorkbenchTest::ReadJpegInfo(jpeg).sampling, WorkbenchTest::Chroma420);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"view.jpg"});
}

TEST(SaveView, SavesAGivenPictureByteForByte) {
    ScratchFolder folder;
    const std::vector<unsigned char> oneByte{0x42};
    HostTest::WriteBytes(folder / "given.jpg", oneByte);
    const FileResult result = SaveView({defaultViewSize, folder / "given.jpg"}, folder / "view.jpg");
    ASSERT_TRUE(result.Ok()) << result.error;
    EXPECT_EQ(ReadBytes(folder / "view.jpg"), oneByte);
}

TEST(SaveView, ReportsEveryFailureAsText) {
    ScratchFolder folder;
    EXPECT_EQ(SaveView({defaultViewSize, folder / "absent.jpg"}, folder / "view.jpg").error,
              "cannot save \"" + (folder / "view.jpg").string() + "\": cannot open \"" +
                  (folder / "absent.jpg").string() + "\": No such file or directory");
    EXPECT_EQ(SaveView({ViewSize{0, 9}, std::nullopt}, folder / "view.jpg").error,
              "cannot save \"" + (folder / "view.jpg").string() +
                  "\": a view of 0x9 pixels cannot be rendered; each side must be 1 to 8192");
    EXPECT_TRUE(folder.Entries().empty());
}

} // namespace
