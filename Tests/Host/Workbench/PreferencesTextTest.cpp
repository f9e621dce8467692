#include "PreferencesText.hpp"
#include "ModuleIdentity.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

using namespace Workbench;

std::vector<UInt8> KaveloRecord(std::string_view linkId, Int64 stamp) {
    std::vector<UInt8> record(48, 0);
    std::memcpy(record.data(), linkId.data(), std::min<std::size_t>(linkId.size(), 37));
    for (int i = 0; i < 8; ++i)
        record[40 + static_cast<std::size_t>(i)] = static_cast<UInt8>(static_cast<UInt64>(stamp) >> (8 * i));
    return record;
}

TEST(WorkbenchPreferencesText, HexDumpShowsOffsetsBytesAndText) {
    const std::vector<UInt8> bytes = {'K', 'A', 'V', 0,   0x7F, 0xFF, 'L', 'O', 'a',
                                      'b', 'c', 'd', 'e', 'f',  'g',  'h', 'Z'};
    EXPECT_EQ(HexDump(bytes), "0000  4B 41 56 00 7F FF 4C 4F 61 62 63 64 65 66 67 68  |KAV...LOabcdefgh|\n"
                              "0010  5A                                               |Z|\n");
    EXPECT_EQ(HexDump({}), "");
}

TEST(WorkbenchPreferencesText, DatesAreUtc) {
    EXPECT_EQ(UtcDate(0), "1970-01-01 00:00:00 UTC");
    EXPECT_EQ(UtcDate(1714564800), "2024-05-01 12:00:00 UTC");
    EXPECT_EQ(UtcDate(-1), "1969-12-31 23:59:59 UTC");
    EXPECT_EQ(UtcDate(INT64_MAX), "9223372036854775807 seconds after 1970");
}

TEST(WorkbenchPreferencesText, DecodesTheLinkIdAndTheBrowserStamp) {
    const std::string linkId = "0f8fad5b-d9cb-469f-a165-70867728950e";
    const std::string linked = DescribePreferences({1, KaveloRecord(linkId, 1714564800)});
    EXPECT_EQ(linked.substr(0, linked.find('\n')), "version 1, 48 bytes");
    EXPECT_NE(linked.find("link id: \"" + linkId + "\" (linked)\n"), std::string::npos) << linked;
    EXPECT_NE(linked.find("browser last opened: 2024-05-01 12:00:00 UTC (1714564800)\n"), std::string::npos)
        << linked;

    const std::string unlinked = DescribePreferences({1, KaveloRecord("", 0)});
    EXPECT_NE(unlinked.find("link id: none (not linked)\n"), std::string::npos) << unlinked;
    EXPECT_NE(unlinked.find("browser last opened: never (0)\n"), std::string::npos) << unlinked;

    const std::string unterminated = DescribePreferences({1, KaveloRecord(std::string(37, 'a'), 5)});
    EXPECT_NE(unterminated.find("no terminator"), std::string::npos) << unterminated;

    const std::string control = DescribePreferences({1, KaveloRecord("a\x01z", 5)});
    EXPECT_NE(control.find("\"a\\x01z\""), std::string::npos) << control;
}

TEST(WorkbenchPreferencesText, OtherRecordsAreShownButNotDecoded) {
    for (const StoredPreferences& other :
         {StoredPreferences{1, std::vector<UInt8>(40, 0)}, StoredPreferences{2, std::vector<UInt8>(48, 0)}}) {
        const std::string text = DescribePreferences(other);
        EXPECT_NE(text.find("not KAVELO's record"), std::string::npos) << text;
        EXPECT_EQ(text.find("link id"), std::string::npos) << text;
    }
}

std::vector<std::byte> Identity(std::initializer_list<UInt32> words) {
    std::vector<std::byte> bytes;
    for (const UInt32 word : words) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::byte>(word >> (8 * i)));
    }
    return bytes;
}

TEST(WorkbenchModuleIdentity, TheIdentityResourceNamesTheRecordElseTheFileName) {
    const auto kavelo = Identity({8, 0x4B41564C, 1});
    EXPECT_EQ(IdentifyModule(kavelo, "/any/where/KAVELO.apx").key, "mdid-4B41564C-00000001");
    EXPECT_EQ(IdentifyModule(kavelo, "/elsewhere/Renamed.apx").key, "mdid-4B41564C-00000001");

    const ModuleIdentity none = IdentifyModule(std::nullopt, "/m/My Add-on (2).apx");
    EXPECT_EQ(none.key, "file-My_Add-on__2_.apx");
    EXPECT_EQ(none.problem, "");

    for (const auto& bad : {Identity({4, 1}), Identity({8, 1, 2, 3}), Identity({12, 1, 2})}) {
        const ModuleIdentity fallback = IdentifyModule(bad, "/m/KAVELO.apx");
        EXPECT_EQ(fallback.key, "file-KAVELO.apx");
        EXPECT_NE(fallback.problem.find("MDID 32500"), std::string::npos);
    }
    EXPECT_EQ(IdentifyModule(std::vector<std::byte>{}, "/m/K.apx").key, "file-K.apx");
}

} // namespace
