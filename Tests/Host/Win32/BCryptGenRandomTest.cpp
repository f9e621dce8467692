#include "Win32/Windows.hpp"

#include "Win32Host.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

constexpr NTSTATUS InvalidParameter = NTSTATUS(0xC000000D);
constexpr NTSTATUS Unsuccessful = NTSTATUS(0xC0000001);

TEST(BCryptGenRandom, ServesOnlyTheSystemPreferredGenerator) {
    UCHAR buffer[16] = {};
    int algorithm = 0;
    EXPECT_EQ(BCryptGenRandom(&algorithm, buffer, sizeof(buffer), BCRYPT_USE_SYSTEM_PREFERRED_RNG),
              InvalidParameter);
    EXPECT_EQ(BCryptGenRandom(nullptr, buffer, sizeof(buffer), 0), InvalidParameter);
    EXPECT_EQ(BCryptGenRandom(nullptr, nullptr, 1, BCRYPT_USE_SYSTEM_PREFERRED_RNG), InvalidParameter);
    EXPECT_EQ(BCryptGenRandom(nullptr, nullptr, 0, BCRYPT_USE_SYSTEM_PREFERRED_RNG), 0);
}

TEST(BCryptGenRandom, FillsTheWholeBufferAfreshEachCallAndTellsTheObserverItsSize) {
    std::vector<std::string> calls;
    Win32::Host::SetCallObserver([&calls](std::string_view call, std::string_view argument) {
        calls.push_back(std::string(call) + " " + std::string(argument));
    });
    // Two 2496-byte draws that agree anywhere in a 32-byte stretch would be a broken source.
    std::array<UCHAR, 2496> first{}, second{};
    ASSERT_EQ(BCryptGenRandom(nullptr, first.data(), ULONG(first.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG),
              0);
    ASSERT_EQ(BCryptGenRandom(nullptr, second.data(), ULONG(second.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG),
              0);
    Win32::Host::SetCallObserver(nullptr);
    const std::array<UCHAR, 32> zero{};
    for (std::size_t at = 0; at + zero.size() <= first.size(); at += zero.size()) {
        EXPECT_FALSE(std::equal(zero.begin(), zero.end(), first.begin() + std::ptrdiff_t(at))) << at;
        EXPECT_FALSE(std::equal(first.begin() + std::ptrdiff_t(at), first.begin() + std::ptrdiff_t(at + 32),
                                second.begin() + std::ptrdiff_t(at)))
            << at;
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"BCryptGenRandom 2496", "BCryptGenRandom 2496"}));
}

TEST(BCryptGenRandom, ASourceThatFailsIsUnsuccessful) {
    Win32::Host::SetRandomSource([](unsigned char*, std::size_t) { return false; });
    UCHAR buffer[4] = {};
    EXPECT_EQ(BCryptGenRandom(nullptr, buffer, sizeof(buffer), BCRYPT_USE_SYSTEM_PREFERRED_RNG),
              Unsuccessful);
    Win32::Host::SetRandomSource(nullptr);
    EXPECT_EQ(BCryptGenRandom(nullptr, buffer, sizeof(buffer), BCRYPT_USE_SYSTEM_PREFERRED_RNG), 0);
}

} // namespace
