#include "Scene/ViewSize.hpp"

#include <gtest/gtest.h>

namespace {

using namespace Workbench::Scene;

std::string ErrorOf(std::string_view text) {
    std::string error;
    const auto size = ParseViewSize(text, error);
    EXPECT_FALSE(size.has_value()) << text;
    return error;
}

TEST(ViewSize, AcceptsEverySizeFromOnePixelToTheLargest) {
    std::string error;
    EXPECT_EQ(ParseViewSize("1600x900", error), (ViewSize{1600, 900}));
    EXPECT_EQ(ParseViewSize("1x1", error), (ViewSize{1, 1}));
    EXPECT_EQ(ParseViewSize("8192x8192", error), (ViewSize{maxViewSide, maxViewSide}));
    EXPECT_EQ(ParseViewSize("1x8192", error), (ViewSize{1, 8192}));
    EXPECT_EQ(error, "");
}

TEST(ViewSize, SaysWhatIsWrongWithABadSize) {
    EXPECT_EQ(ErrorOf("abc"), "view size \"abc\": expected WIDTHxHEIGHT in pixels, e.g. 1600x900");
    EXPECT_EQ(ErrorOf(""), "view size \"\": expected WIDTHxHEIGHT in pixels, e.g. 1600x900");
    EXPECT_EQ(ErrorOf("1600X900"), "view size \"1600X900\": expected WIDTHxHEIGHT in pixels, e.g. 1600x900");
    EXPECT_EQ(ErrorOf("0x5"), "view size \"0x5\": the width must be at least 1");
    EXPECT_EQ(ErrorOf("5x00"), "view size \"5x00\": the height must be at least 1");
    EXPECT_EQ(ErrorOf("1600x"), "view size \"1600x\": the height is missing");
    EXPECT_EQ(ErrorOf("x900"), "view size \"x900\": the width is missing");
    EXPECT_EQ(ErrorOf("99999x99999"), "view size \"99999x99999\": the width 99999 is larger than 8192");
    EXPECT_EQ(ErrorOf("8192x8193"), "view size \"8192x8193\": the height 8193 is larger than 8192");
    EXPECT_EQ(ErrorOf("-5x5"), "view size \"-5x5\": the width \"-5\" is not a whole number");
    EXPECT_EQ(ErrorOf("+5x5"), "view size \"+5x5\": the width \"+5\" is not a whole number");
    EXPECT_EQ(ErrorOf("16.5x9"), "view size \"16.5x9\": the width \"16.5\" is not a whole number");
    EXPECT_EQ(ErrorOf(" 16x9"), "view size \" 16x9\": the width \" 16\" is not a whole number");
    EXPECT_EQ(ErrorOf("16x9 "), "view size \"16x9 \": the height \"9 \" is not a whole number");
    EXPECT_EQ(ErrorOf("1600x900x2"), "view size \"1600x900x2\": the height \"900x2\" is not a whole number");
}

TEST(ViewSize, NoCountOfDigitsOverflows) {
    EXPECT_EQ(
        ErrorOf("99999999999999999999999x1"),
        "view size \"99999999999999999999999x1\": the width 99999999999999999999999 is larger than 8192");
    EXPECT_EQ(ErrorOf("1x4294967297"),
              "view size \"1x4294967297\": the height 4294967297 is larger than 8192");
}

} // namespace
