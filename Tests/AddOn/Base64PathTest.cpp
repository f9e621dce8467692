// The encoder's paths against each other, with no other reference: this runs on Windows too.

#include "Base64.hpp"
#include "TestPlatform.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct LengthRange {
    std::size_t first;
    std::size_t last;
};

// Each length up to 1024 puts every tail behind every vector round, the ones around one and two
// slices of 6144 bytes every tail behind a slice; the long ones are pictures.
constexpr LengthRange Lengths[] = {
    {0, 1024}, {6080, 6208}, {12224, 12352}, {1 << 20, 1 << 20}, {3 * 1048576 + 2, 3 * 1048576 + 2}};

} // namespace

// Every path that the processor supports writes what the scalar path writes on ordinary memory, and
// reads nothing past its input: the input ends where an unreadable page begins.
class Base64PathTest : public testing::TestWithParam<Base64Path> {};

TEST_P(Base64PathTest, WritesWhatTheScalarPathWritesAndReadsOnlyItsInput) {
    if (!IsBase64PathSupported(GetParam()))
        GTEST_SKIP() << "not supported by this processor";
    const HostTest::GuardedBytes guarded(std::end(Lengths)[-1].last);
    std::mt19937 random(5);
    for (unsigned char& byte : guarded.Bytes())
        byte = static_cast<unsigned char>(random());
    for (const LengthRange range : Lengths) {
        for (std::size_t length = range.first; length <= range.last; ++length) {
            const std::span<unsigned char> input = guarded.Bytes().last(length);
            const std::vector<unsigned char> copy(input.begin(), input.end());
            ASSERT_EQ(Base64Encode(input.data(), length, GetParam()),
                      Base64Encode(copy.data(), length, Base64Path::Scalar))
                << "length " << length;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPath, Base64PathTest,
                         testing::Values(Base64Path::Scalar, Base64Path::Avx2, Base64Path::Avx512),
                         [](const testing::TestParamInfo<Base64Path>& path) {
                             switch (path.param) {
                             case Base64Path::Scalar:
                                 return "Scalar";
                             case Base64Path::Avx2:
                                 return "Avx2";
                             case Base64Path::Avx512:
                                 return "Avx512";
                             }
                             return "Unknown";
                         });
