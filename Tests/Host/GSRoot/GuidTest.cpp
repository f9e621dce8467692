#include "GSRoot/Guid.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

using GS::Guid;

constexpr const char* PaletteGuidText = "{D8A0A01F-1184-40F2-B8A8-28CF30714FA4}";

std::array<UInt8, 16> MemoryForm(const Guid& guid) {
    std::array<UInt8, 16> bytes;
    std::memcpy(bytes.data(), &guid, bytes.size());
    return bytes;
}

UInt32 LittleEndianWord(const std::array<UInt8, 16>& bytes, std::size_t offset) {
    return UInt32(bytes[offset]) | UInt32(bytes[offset + 1]) << 8 | UInt32(bytes[offset + 2]) << 16 |
           UInt32(bytes[offset + 3]) << 24;
}

TEST(Guid, MemoryFormIsTheWindowsLayout) {
    EXPECT_THAT(MemoryForm(Guid(PaletteGuidText)),
                testing::ElementsAre(0x1F, 0xA0, 0xA0, 0xD8, 0x84, 0x11, 0xF2, 0x40, 0xB8, 0xA8, 0x28, 0xCF,
                                     0x30, 0x71, 0x4F, 0xA4));
}

TEST(Guid, WordSumOfThePaletteGuid) {
    const std::array<UInt8, 16> bytes = MemoryForm(Guid(PaletteGuidText));
    UInt32 sum = 0;
    for (std::size_t offset = 0; offset < bytes.size(); offset += 4) {
        sum += LittleEndianWord(bytes, offset);
    }
    EXPECT_EQ(sum, 0x8D0ACB8Bu);
}

TEST(Guid, BracesAreOptionalAndCaseDoesNotMatter) {
    const Guid braced(PaletteGuidText);
    EXPECT_FALSE(braced.IsNull());
    EXPECT_EQ(Guid("D8A0A01F-1184-40F2-B8A8-28CF30714FA4"), braced);
    EXPECT_EQ(Guid("{d8a0a01f-1184-40f2-b8a8-28cf30714fa4}"), braced);
    EXPECT_NE(Guid("{D8A0A01F-1184-40F2-B8A8-28CF30714FA5}"), braced);
}

TEST(Guid, TextIsUpperCaseWithBraces) {
    EXPECT_EQ(Guid("d8a0a01f-1184-40f2-b8a8-28cf30714fa4").ToUniString(), GS::UniString(PaletteGuidText));
    EXPECT_EQ(Guid().ToUniString(), GS::UniString("{00000000-0000-0000-0000-000000000000}"));
}

TEST(Guid, AllZeroTextIsTheNullGuid) {
    EXPECT_TRUE(Guid("00000000-0000-0000-0000-000000000000").IsNull());
    EXPECT_EQ(Guid("00000000-0000-0000-0000-000000000000"), Guid());
}

class MalformedGuid : public testing::TestWithParam<const char*> {};

TEST_P(MalformedGuid, GivesTheNullGuid) {
    EXPECT_TRUE(Guid(GetParam()).IsNull()) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, MalformedGuid,
    testing::Values("", "{}", "{D8A0A01F-1184-40F2-B8A8-28CF30714FA4",
                    "D8A0A01F-1184-40F2-B8A8-28CF30714FA4}", "(D8A0A01F-1184-40F2-B8A8-28CF30714FA4)",
                    "{D8A0A01F-1184-40F2-B8A8-28CF30714FA4}}", "{{D8A0A01F-1184-40F2-B8A8-28CF30714FA4}}",
                    "D8A0A01F-1184-40F2-B8A8-28CF30714FA", "D8A0A01F-1184-40F2-B8A8-28CF30714FA4A",
                    "D8A0A01F1184-40F2-B8A8-28CF30714FA4-", "D8A0A01F-118440F2-B8A8-28CF-30714FA4",
                    "D8A0A01F-1184-40F2-B8A828CF30714FA4", "D8A0A01F11840F2B8A828CF30714FA40000",
                    "D8A0A01G-1184-40F2-B8A8-28CF30714FA4", "D8A0A01F-1184-40F2-B8A8-28CF30714FA ",
                    " D8A0A01F-1184-40F2-B8A8-28CF30714FA4", "+8A0A01F-1184-40F2-B8A8-28CF30714FA4",
                    "0xA0A01F-1184-40F2-B8A8-28CF30714FA4", "D8A0A01F-1184-40F2-B8A8-28CF30714FA4\n",
                    "{D8A0A01F_1184_40F2_B8A8_28CF30714FA4}"));

TEST(Guid, NullTextGivesTheNullGuid) {
    EXPECT_TRUE(Guid(nullptr).IsNull());
}

} // namespace
