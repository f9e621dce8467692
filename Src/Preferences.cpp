#include "Preferences.hpp"

#include "ACAPI/ACAPinc.hpp"
#include "ErrorReport.hpp"
#include "GSRoot/DBPrintf.hpp"
#include "PreferencesSeams.hpp"
#include "Win32/Windows.hpp"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <iterator>
#include <random>

namespace {

constexpr Int64 BrowserVisitLifetime = 3600;

Int64 (*clockOverride)() = nullptr;

using LinkIdState = UInt32[std::mt19937::state_size];

// A seed sequence that is the generator's whole state, word for word: every one of the 19937 bits
// of an identifier's generator is drawn, so no installation's first identifier can be guessed from
// a 32-bit seed or shared with another's.
struct WholeState {
    using result_type = UInt32;
    const LinkIdState& words;
    template <typename Output>
    void generate(Output first, Output last) const {
        std::copy_n(words, last - first, first);
    }
};

void SeedFromSystem(std::mt19937& generator) {
    LinkIdState state;
    const NTSTATUS status = BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(state), ULONG(sizeof(state)),
                                            BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (!BCRYPT_SUCCESS(status)) { // a system without its source: the standard library's takes its place
        std::random_device device;
        std::generate(std::begin(state), std::end(state), std::ref(device));
    }
    WholeState words{state};
    generator.seed(words);
}

// Created on first use and seeded once from the system's random source.
std::mt19937& LinkIdGenerator() {
    static std::mt19937 generator = [] {
        std::mt19937 seeded;
        SeedFromSystem(seeded);
        return seeded;
    }();
    return generator;
}

char HexDigit(UInt32 value) {
    return "0123456789abcdef"[value];
}

} // namespace

PreferencesRecord ReadPreferences() {
    PreferencesRecord record{};
    Int32 version = 0;
    Int32 nByte = 0;
    GSErrCode err = HostGetPreferences(&version, &nByte, nullptr);
    if (err == NoError && version == PreferencesVersion && nByte == Int32(sizeof(PreferencesRecord)))
        err = HostGetPreferences(&version, &nByte, &record);
    if (err != NoError)
        ErrorReport("Error", err);
    // The add-on never writes an identifier without its terminator; such a record is not ours.
    if (std::memchr(record.LinkId, '\0', sizeof(record.LinkId)) == nullptr)
        return PreferencesRecord{};
    return record;
}

void WritePreferences(const PreferencesRecord& record) {
    const GSErrCode err = ACAPI_SetPreferences(PreferencesVersion, Int32(sizeof(record)), &record);
    if (err != NoError)
        ErrorReport("Error", err);
}

void DeletePreferences() {
    const GSErrCode err = ACAPI_SetPreferences(0, 0, nullptr);
    if (err == NoError) {
        DBPrintf("Preferences deleted successfully.\n");
        return;
    }
    DBPrintf("Failed to delete preferences. Error code: %d\n", err);
    ErrorReport("Error", err);
}

bool IsLinked() {
    return ReadPreferences().LinkId[0] != '\0';
}

Int64 NowSeconds() {
    if (clockOverride != nullptr)
        return clockOverride();
    using Ticks = std::chrono::duration<Int64, std::ratio<1, 10'000'000>>;
    const auto ticks = std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch());
    return ticks.count() / 10'000'000;
}

bool IsBrowserVisitExpired() {
    const PreferencesRecord record = ReadPreferences();
    // now > stamp + lifetime, arranged so that no stored stamp can overflow the sum.
    return NowSeconds() - BrowserVisitLifetime > record.BrowserOpenedAt;
}

void RefreshBrowserOpenedAt() {
    PreferencesRecord record = ReadPreferences();
    record.BrowserOpenedAt = NowSeconds();
    WritePreferences(record);
}

std::string GenerateLinkId() {
    std::mt19937& generator = LinkIdGenerator();
    auto randomDigit = [&] { return HexDigit(UInt32(generator() >> 28)); };
    auto variantDigit = [&] { return HexDigit(UInt32(8 + (generator() >> 30))); };

    std::string id;
    id.reserve(LinkIdLength);
    auto append = [&](int count) {
        for (int i = 0; i < count; ++i)
            id += randomDigit();
    };
    append(8);
    id += '-';
    append(4);
    id += "-4";
    append(3);
    id += '-';
    id += variantDigit();
    append(3);
    id += '-';
    append(12);
    return id;
}

void RenewLinkId(char (&linkId)[LinkIdLength + 1]) {
    PreferencesRecord record = ReadPreferences();
    DBPrintf("ACAPI_SetPreferences\n");
    const std::string newId = GenerateLinkId();
    std::memset(record.LinkId, 0, sizeof(record.LinkId));
    std::memcpy(record.LinkId, newId.data(), std::min(newId.size(), LinkIdLength));
    WritePreferences(record);
    std::memcpy(linkId, record.LinkId, sizeof(record.LinkId));
}

namespace PreferencesSeams {

void SeedLinkIdGeneratorFromSystem() {
    SeedFromSystem(LinkIdGenerator());
}

void SetClock(Int64 (*nowSeconds)()) {
    clockOverride = nowSeconds;
}

} // namespace PreferencesSeams
