#include "Preferences.hpp"

#include "ACAPI/ACAPinc.hpp"
#include "ErrorReport.hpp"
#include "GSRoot/DBPrintf.hpp"
#include "PreferencesSeams.hpp"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>

namespace {

constexpr Int64 BrowserVisitLifetime = 3600;

Int64 (*clockOverride)() = nullptr;

// Created on first use and seeded once from the system's non-deterministic source.
std::mt19937& LinkIdGenerator() {
    static std::mt19937 generator(static_cast<std::mt19937::result_type>(std::random_device{}()));
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

void SeedLinkIdGenerator(UInt32 seed) {
    LinkIdGenerator().seed(seed);
}

void SetClock(Int64 (*nowSeconds)()) {
    clockOverride = nowSeconds;
}

} // namespace PreferencesSeams
