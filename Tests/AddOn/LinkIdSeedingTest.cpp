// The link id generator's seeding from the system's random source, through the POSIX stand-in's
// control of that source; Windows' own BCryptGenRandom takes no bytes from a test.

#include "Preferences.hpp"
#include "PreferencesSeams.hpp"
#include "Win32Host.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The 32-bit Mersenne Twister written out from its definition, as the reference sequence.
class ReferenceMt19937 {
public:
    explicit ReferenceMt19937(UInt32 seed) {
        state[0] = seed;
        for (UInt32 i = 1; i < 624; ++i)
            state[i] = 1812433253u * (state[i - 1] ^ (state[i - 1] >> 30)) + i;
    }

    UInt32 Next() {
        if (index == 624)
            Twist();
        UInt32 y = state[index++];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9D2C5680u;
        y ^= (y << 15) & 0xEFC60000u;
        return y ^ (y >> 18);
    }

private:
    void Twist() {
        for (UInt32 i = 0; i < 624; ++i) {
            const UInt32 y = (state[i] & 0x80000000u) | (state[(i + 1) % 624] & 0x7FFFFFFFu);
            state[i] = state[(i + 397) % 624] ^ (y >> 1) ^ ((y & 1) ? 0x9908B0DFu : 0);
        }
        index = 0;
    }

    UInt32 index = 624;

public:
    UInt32 state[624];
};

// The system's random source gives `words` as its bytes, for the next seeding.
void GiveRandomSource(const UInt32 (&words)[624]) {
    Win32::Host::SetRandomSource([&words](unsigned char* buffer, std::size_t size) {
        EXPECT_EQ(size, sizeof(words));
        std::memcpy(buffer, words, std::min(size, sizeof(words)));
        return true;
    });
}

// The generator's whole state is the 624 words the system's random source gives, word for word.
TEST(GenerateLinkId, DrawsEachDigitFromTheTopBitsOfTheSequenceOfTheWholeStateDrawn) {
    ReferenceMt19937 check(5489);
    ASSERT_EQ(check.Next(), 3499211612u); // the published first output for seed 5489

    ReferenceMt19937 noise(0x5EED);
    std::vector<ReferenceMt19937> states = {ReferenceMt19937(5489), ReferenceMt19937(0xDEADBEEFu), noise};
    for (UInt32& word : states.back().state)
        word = noise.Next();
    PreferencesSeams::SeedLinkIdGeneratorFromSystem(); // the generator's first seeding is behind us
    std::vector<std::string> calls;
    Win32::Host::SetCallObserver([&calls](std::string_view call, std::string_view argument) {
        calls.push_back(std::string(call) + " " + std::string(argument));
    });
    for (std::size_t s = 0; s < states.size(); ++s) {
        GiveRandomSource(states[s].state);
        PreferencesSeams::SeedLinkIdGeneratorFromSystem();
        ReferenceMt19937 reference = states[s];
        for (int round = 0; round < 3; ++round) {
            std::string expected;
            const char* layout = "xxxxxxxx-xxxx-4xxx-vxxx-xxxxxxxxxxxx";
            for (const char* p = layout; *p != '\0'; ++p) {
                if (*p == 'x')
                    expected += "0123456789abcdef"[reference.Next() >> 28];
                else if (*p == 'v')
                    expected += "89ab"[reference.Next() >> 30];
                else
                    expected += *p;
            }
            EXPECT_EQ(GenerateLinkId(), expected) << "state " << s << " round " << round;
        }
    }
    Win32::Host::SetRandomSource(nullptr);
    Win32::Host::SetCallObserver(nullptr);
    EXPECT_EQ(calls, std::vector<std::string>(states.size(), "BCryptGenRandom 2496"));
}

// A system without a random source still gets identifiers no other seeding repeats.
TEST(GenerateLinkId, WithoutTheSystemSourceTheStandardLibrarysSeedsTheWholeState) {
    Win32::Host::SetRandomSource([](unsigned char*, std::size_t) { return false; });
    std::set<std::string> seen;
    for (int i = 0; i < 3; ++i) {
        PreferencesSeams::SeedLinkIdGeneratorFromSystem();
        seen.insert(GenerateLinkId());
    }
    Win32::Host::SetRandomSource(nullptr);
    EXPECT_EQ(seen.size(), 3u);
}

} // namespace
