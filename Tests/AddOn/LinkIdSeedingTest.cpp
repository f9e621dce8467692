// The link id generator's seeding from the system's random source, given known bytes: by the POSIX
// stand-in of that source, on Windows through the add-on's import of BCryptGenRandom.

#include "GivenRandomSource.hpp"
#include "Preferences.hpp"
#include "PreferencesSeams.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
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

// The system's random source gives `words` as its bytes, for the next seeding; each draw's size is
// added to `draws`.
GivenRandomSource WordsAsSource(const UInt32 (&words)[624], std::vector<std::size_t>& draws) {
    return GivenRandomSource([&words, &draws](unsigned char* buffer, std::size_t size) {
        draws.push_back(size);
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
    std::vector<std::size_t> draws;
    for (std::size_t s = 0; s < states.size(); ++s) {
        {
            const GivenRandomSource given = WordsAsSource(states[s].state, draws);
            PreferencesSeams::SeedLinkIdGeneratorFromSystem();
        }
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
    EXPECT_EQ(draws, std::vector<std::size_t>(states.size(), sizeof(states[0].state)));
}

// A system without a random source still gets identifiers no other seeding repeats.
TEST(GenerateLinkId, WithoutTheSystemSourceTheStandardLibrarysSeedsTheWholeState) {
    PreferencesSeams::SeedLinkIdGeneratorFromSystem(); // the generator's first seeding is behind us
    int draws = 0;
    const GivenRandomSource none([&draws](unsigned char*, std::size_t) {
        ++draws;
        return false;
    });
    std::set<std::string> seen;
    for (int i = 0; i < 3; ++i) {
        PreferencesSeams::SeedLinkIdGeneratorFromSystem();
        seen.insert(GenerateLinkId());
    }
    EXPECT_EQ(draws, 3);
    EXPECT_EQ(seen.size(), 3u);
}

} // namespace
