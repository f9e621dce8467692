#include "Preferences.hpp"
#include "AddOnFixture.hpp"
#include "PreferencesSeams.hpp"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr GSErrCode Refusal = GSErrCode(0x8106012F); // APIERR_LOCKEDLAY

// The stored form, built byte by byte: 37 bytes of id, 3 of padding, the stamp little-endian.
std::vector<UInt8> StoredRecord(const std::string& linkId, Int64 stamp, UInt8 padding = 0) {
    std::vector<UInt8> bytes(48, 0);
    std::memcpy(bytes.data(), linkId.data(), std::min<std::size_t>(linkId.size(), 37));
    bytes[37] = bytes[38] = bytes[39] = padding;
    for (int i = 0; i < 8; ++i)
        bytes[40 + i] = UInt8(UInt64(stamp) >> (8 * i));
    return bytes;
}

const std::string SomeLinkId = "0f3e2a1b-9c8d-4e7f-a6b5-c4d3e2f1a0b9";

class Preferences : public FixedClockFixture {
protected:
    void Store(Int32 version, std::vector<UInt8> bytes) { host.StorePreferences(version, bytes); }
};

TEST_F(Preferences, NothingStoredReadsAsTheZeroRecordWithoutReport) {
    const PreferencesRecord record = ReadPreferences();
    EXPECT_EQ(std::memcmp(&record, StoredRecord("", 0).data(), 48), 0);
    EXPECT_FALSE(IsLinked());
    EXPECT_TRUE(IsBrowserVisitExpired());
    EXPECT_TRUE(host.reports.empty());
    EXPECT_EQ(host.calls, std::vector<std::string>(3, "GetPreferences"));
}

TEST_F(Preferences, AStoredVersionOneRecordIsReadWithTwoCalls) {
    Store(1, StoredRecord(SomeLinkId, 1234));
    const PreferencesRecord record = ReadPreferences();
    EXPECT_EQ(std::string(record.LinkId), SomeLinkId);
    EXPECT_EQ(record.BrowserOpenedAt, 1234);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"GetPreferences", "GetPreferences data"}));
    EXPECT_TRUE(IsLinked());
}

TEST_F(Preferences, OtherVersionsAndSizesAreIgnoredSilentlyAndReplacedByTheNextWrite) {
    for (const auto& [version, size] : {std::pair{1, 40}, std::pair{2, 48}, std::pair{0, 48}}) {
        std::vector<UInt8> bytes = StoredRecord(SomeLinkId, 99);
        bytes.resize(std::size_t(size));
        Store(version, bytes);
        host.calls.clear();
        EXPECT_FALSE(IsLinked()) << version << "/" << size;
        EXPECT_EQ(host.calls, std::vector<std::string>{"GetPreferences"});

        RefreshBrowserOpenedAt();
        ASSERT_TRUE(host.Preferences().has_value());
        EXPECT_EQ(host.Preferences()->version, 1);
        EXPECT_EQ(host.Preferences()->bytes, StoredRecord("", Now));
    }
    EXPECT_TRUE(host.reports.empty());
}

TEST_F(Preferences, AnIdWithoutTerminatorReadsAsNotLinked) {
    std::vector<UInt8> bytes = StoredRecord(std::string(36, 'a'), 77);
    bytes[36] = 'a';
    Store(1, bytes);
    const PreferencesRecord record = ReadPreferences();
    EXPECT_EQ(std::memcmp(&record, StoredRecord("", 0).data(), 48), 0);
    EXPECT_TRUE(host.reports.empty());
}

TEST_F(Preferences, AFailedFirstReadIsReportedOnceAndYieldsTheZeroRecord) {
    Store(1, StoredRecord(SomeLinkId, 5));
    host.FailSlot(HostSlot_GetPreferences, Refusal);
    EXPECT_FALSE(IsLinked());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"GetPreferences", "Alert %s: %s", "Beep"}));
    EXPECT_EQ(host.reports, std::vector<std::string>{"Error: APIERR_LOCKEDLAY"});
}

TEST_F(Preferences, AFailedSecondReadIsReportedOnce) {
    Store(1, StoredRecord(SomeLinkId, 5));
    host.FailSlot(HostSlot_GetPreferences, Refusal, 1);
    EXPECT_FALSE(IsLinked());
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"GetPreferences", "GetPreferences data", "Alert %s: %s", "Beep"}));
}

TEST_F(Preferences, AFailingHostGivesOneReportPerReadAndPerWrite) {
    host.FailSlot(HostSlot_GetPreferences, Refusal);
    host.FailSlot(HostSlot_SetPreferences, APIERR_GENERAL);
    RefreshBrowserOpenedAt();
    EXPECT_EQ(host.reports, (std::vector<std::string>{"Error: APIERR_LOCKEDLAY", "Error: APIERR_GENERAL"}));
    EXPECT_TRUE(IsBrowserVisitExpired());
    EXPECT_EQ(host.reports.size(), 3u);
}

TEST_F(Preferences, AHostWithoutPreferencesReportsNotSupported) {
    host.ClearSlot(HostSlot_GetPreferences);
    host.ClearSlot(HostSlot_SetPreferences);
    ASSERT_EQ(host.SendTable(), NoError);
    EXPECT_FALSE(IsLinked());
    DeletePreferences();
    EXPECT_EQ(host.reports,
              (std::vector<std::string>{"Error: APIERR_NOTSUPPORTED", "Error: APIERR_NOTSUPPORTED"}));
}

TEST_F(Preferences, WriteStoresVersionOneWith48Bytes) {
    PreferencesRecord record{};
    std::memcpy(record.LinkId, SomeLinkId.c_str(), 37);
    record.BrowserOpenedAt = -2;
    WritePreferences(record);
    EXPECT_EQ(host.calls, std::vector<std::string>{"SetPreferences 1 48"});
    EXPECT_EQ(host.Preferences()->bytes, StoredRecord(SomeLinkId, -2));
}

TEST_F(Preferences, BrowserVisitExpiresStrictlyAfterAnHour) {
    const std::pair<Int64, bool> cases[] = {{Now - 3600, false},
                                            {Now - 3601, true},
                                            {Now + 10, false},
                                            {0, true},
                                            {std::numeric_limits<Int64>::max(), false},
                                            {std::numeric_limits<Int64>::min(), true}};
    for (const auto& [stamp, expired] : cases) {
        Store(1, StoredRecord(SomeLinkId, stamp));
        EXPECT_EQ(IsBrowserVisitExpired(), expired) << "stamp " << stamp;
    }
}

TEST_F(Preferences, RefreshWhileNotLinkedStoresAnEmptyIdWithTheStamp) {
    RefreshBrowserOpenedAt();
    EXPECT_EQ(host.Preferences()->bytes, StoredRecord("", Now));
    EXPECT_FALSE(IsLinked());
    EXPECT_FALSE(IsBrowserVisitExpired());
}

TEST_F(Preferences, RenewKeepsStampAndPaddingAndGivesTheNewIdBack) {
    Store(1, StoredRecord(SomeLinkId, 4321, 0x5A));
    char first[37] = {};
    RenewLinkId(first);
    EXPECT_EQ(host.debugLines, std::vector<std::string>{"ACAPI_SetPreferences\n"});
    ASSERT_EQ(std::strlen(first), 36u);
    EXPECT_EQ(host.Preferences()->bytes, StoredRecord(first, 4321, 0x5A));

    char second[37] = {};
    RenewLinkId(second);
    EXPECT_NE(std::string(first), std::string(second));
    EXPECT_EQ(host.Preferences()->bytes, StoredRecord(second, 4321, 0x5A));
}

TEST_F(Preferences, RenewHandsTheIdBackEvenWhenTheWriteFails) {
    host.FailSlot(HostSlot_SetPreferences, Refusal);
    char linkId[37];
    std::memset(linkId, 0, sizeof(linkId));
    RenewLinkId(linkId);
    EXPECT_EQ(std::strlen(linkId), 36u);
    EXPECT_FALSE(host.Preferences().has_value());
    EXPECT_EQ(host.reports, std::vector<std::string>{"Error: APIERR_LOCKEDLAY"});
}

TEST_F(Preferences, DeleteRemovesTheRecordAndSaysSo) {
    Store(1, StoredRecord(SomeLinkId, 1));
    DeletePreferences();
    EXPECT_FALSE(host.Preferences().has_value());
    EXPECT_EQ(host.calls, std::vector<std::string>{"SetPreferences 0 0"});
    EXPECT_EQ(host.debugLines, std::vector<std::string>{"Preferences deleted successfully.\n"});
    EXPECT_FALSE(IsLinked());
    EXPECT_TRUE(IsBrowserVisitExpired());
}

TEST_F(Preferences, AFailedDeleteIsPrintedWithItsSignedCodeAndReported) {
    host.FailSlot(HostSlot_SetPreferences, APIERR_GENERAL);
    DeletePreferences();
    EXPECT_EQ(host.debugLines,
              std::vector<std::string>{"Failed to delete preferences. Error code: -2130313215\n"});
    EXPECT_EQ(host.reports, std::vector<std::string>{"Error: APIERR_GENERAL"});
}

// Against the clock it reads: time() reads a coarse clock that can lag a second boundary behind.
TEST(NowSeconds, FollowsTheSystemClock) {
    const auto seconds = [] {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    const Int64 before = seconds();
    const Int64 now = NowSeconds();
    EXPECT_LE(before, now);
    EXPECT_LE(now, seconds());
}

TEST(GenerateLinkId, AThousandFreshIdsFollowTheVersionFourPatternAndDiffer) {
    const std::regex pattern("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        const std::string id = GenerateLinkId();
        EXPECT_TRUE(std::regex_match(id, pattern)) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 1000u);
}

} // namespace
