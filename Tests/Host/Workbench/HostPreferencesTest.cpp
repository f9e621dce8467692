// The preference slots as the add-on calls them: the two-call read, the write, the removal, and
// every way they refuse or fail.

#include "HostFixture.hpp"

#include "DataFolder.hpp"

#include <array>
#include <fstream>

namespace {

using namespace WorkbenchTest;

std::array<UInt8, 48> SampleRecord() {
    std::array<UInt8, 48> record{};
    const std::string linkId = "0f8fad5b-d9cb-469f-a165-70867728950e";
    std::copy(linkId.begin(), linkId.end(), record.begin());
    record[40] = 0x80; // a little-endian stamp
    record[41] = 0x51;
    record[42] = 0x01;
    return record;
}

struct WorkbenchHostPreferences : WorkbenchHostTable {
    const PreferenceStore store{PreferencesFolder(dataFolder), "mdid-TEST"};

    void SetUp() override { host.UsePreferenceStore(store); }

    void WriteStoreFile(const std::string& bytes) const {
        std::filesystem::create_directories(store.File().parent_path());
        std::ofstream(store.File(), std::ios::binary | std::ios::trunc) << bytes;
    }
};

TEST_F(WorkbenchHostPreferences, TheTwoCallReadGivesSizeFirstThenTheBytes) {
    Int32 version = 7, size = 9;
    EXPECT_EQ(GetPreferences(&version, &size, nullptr), NoError);
    EXPECT_EQ(version, 0);
    EXPECT_EQ(size, 0) << "nothing stored reads as version 0 and size 0";

    const auto record = SampleRecord();
    ASSERT_EQ(SetPreferences(1, 48, record.data()), NoError);
    ASSERT_EQ(GetPreferences(&version, &size, nullptr), NoError);
    EXPECT_EQ(version, 1);
    EXPECT_EQ(size, 48);
    std::array<UInt8, 48> buffer{};
    ASSERT_EQ(GetPreferences(&version, &size, buffer.data()), NoError);
    EXPECT_EQ(buffer, record);
    EXPECT_EQ(store.Read().record, (StoredPreferences{1, {record.begin(), record.end()}}));

    const auto events = Events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].Name(), "preferences-read");
    EXPECT_FALSE(events[0].Flag("data"));
    EXPECT_EQ(events[0].Number("size"), 0);
    EXPECT_EQ(events[1].Name(), "preferences-written");
    EXPECT_EQ(events[1].Text("by"), "module");
    EXPECT_EQ(events[1].Number("version"), 1);
    EXPECT_EQ(events[1].Number("size"), 48);
    EXPECT_EQ(events[1].Text("hex").substr(0, 8), "30663866");
    EXPECT_EQ(events[1].Text("hex").substr(80), "8051010000000000");
    EXPECT_EQ(events[3].Text("hex"), events[1].Text("hex"));
    EXPECT_TRUE(events[3].Flag("data"));
}

TEST_F(WorkbenchHostPreferences, ABufferSmallerThanTheRecordIsLeftUntouched) {
    const auto record = SampleRecord();
    ASSERT_EQ(SetPreferences(1, 48, record.data()), NoError);
    std::array<UInt8, 48> buffer;
    buffer.fill(0xAA);
    Int32 version = 1, size = 40;
    EXPECT_EQ(GetPreferences(&version, &size, buffer.data()), APIERR_BADPARS);
    EXPECT_EQ(size, 40);
    EXPECT_EQ(buffer[0], 0xAA);
    const auto read = EventsNamed(Events(), "preferences-read");
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].Number("room"), 40);
    EXPECT_EQ(read[0].Number("size"), 48);
}

TEST_F(WorkbenchHostPreferences, VersionZeroSizeZeroAndNoDataRemovesTheRecord) {
    const auto record = SampleRecord();
    ASSERT_EQ(SetPreferences(1, 48, record.data()), NoError);
    EXPECT_EQ(SetPreferences(0, 0, nullptr), NoError);
    EXPECT_FALSE(std::filesystem::exists(store.File()));
    EXPECT_EQ(SetPreferences(0, 0, nullptr), NoError) << "removing nothing succeeds";
    Int32 version = 1, size = 48;
    EXPECT_EQ(GetPreferences(&version, &size, nullptr), NoError);
    EXPECT_EQ(size, 0);

    // Size 0 of another version, or with data, is a record, not a removal.
    const UInt8 unused = 0;
    EXPECT_EQ(SetPreferences(3, 0, nullptr), NoError);
    EXPECT_EQ(store.Read().record, (StoredPreferences{3, {}}));
    EXPECT_EQ(SetPreferences(0, 0, &unused), NoError);
    EXPECT_EQ(store.Read().record, (StoredPreferences{0, {}}));

    const auto deleted = EventsNamed(Events(), "preferences-deleted");
    ASSERT_EQ(deleted.size(), 2u);
    EXPECT_EQ(deleted[0].Text("by"), "module");
    EXPECT_EQ(deleted[0].Number("result"), 0);
}

TEST_F(WorkbenchHostPreferences, BadArgumentsAreRefusedAndStoreNothing) {
    const std::vector<UInt8> large(MaxPreferencesBytes + 1, 1);
    EXPECT_EQ(SetPreferences(1, -1, large.data()), APIERR_BADPARS);
    EXPECT_EQ(SetPreferences(1, static_cast<Int32>(large.size()), large.data()), APIERR_BADPARS);
    EXPECT_EQ(SetPreferences(1, 4, nullptr), APIERR_BADPARS);
    EXPECT_FALSE(std::filesystem::exists(store.File()));
    EXPECT_EQ(SetPreferences(1, static_cast<Int32>(MaxPreferencesBytes), large.data()), NoError)
        << "the largest record is kept";

    Int32 size = 0;
    EXPECT_EQ(GetPreferences(nullptr, &size, nullptr), APIERR_BADPARS);
    const auto rejected = EventsNamed(Events(), "slot-rejected");
    ASSERT_EQ(rejected.size(), 1u);
    EXPECT_EQ(rejected[0].Number("slot"), 60);
    const auto written = EventsNamed(Events(), "preferences-written");
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(written[0].Number("result"), APIERR_BADPARS);
    EXPECT_FALSE(written[0].Has("hex"));
}

TEST_F(WorkbenchHostPreferences, InjectedFailuresAnswerTheCodeAndLeaveTheStoreAlone) {
    const auto record = SampleRecord();
    ASSERT_EQ(SetPreferences(1, 48, record.data()), NoError);
    host.SetSlotFailure(HostSlot_SetPreferences, Refused);
    host.SetSlotFailure(HostSlot_GetPreferences, Refused);

    const std::array<UInt8, 48> other{};
    EXPECT_EQ(SetPreferences(1, 48, other.data()), Refused);
    EXPECT_EQ(SetPreferences(0, 0, nullptr), Refused);
    Int32 version = 5, size = 6;
    EXPECT_EQ(GetPreferences(&version, &size, nullptr), Refused);
    EXPECT_EQ(version, 5);
    EXPECT_EQ(size, 6);
    EXPECT_EQ(store.Read().record, (StoredPreferences{1, {record.begin(), record.end()}}));

    // The user's own removal is no slot call: it works while the slots fail.
    EXPECT_TRUE(host.ClearPreferences());
    EXPECT_FALSE(std::filesystem::exists(store.File()));
    const auto deleted = EventsNamed(Events(), "preferences-deleted");
    ASSERT_EQ(deleted.size(), 2u);
    EXPECT_EQ(deleted[0].Number("result"), Refused);
    EXPECT_EQ(deleted[1].Text("by"), "workbench");
    EXPECT_EQ(deleted[1].Number("result"), 0);
}

TEST_F(WorkbenchHostPreferences, ADamagedStoreReadsAsNothingIsToldAndIsReplacedByTheNextWrite) {
    WriteStoreFile("KVWBPREF but then garbage");
    Int32 version = 1, size = 48;
    EXPECT_EQ(GetPreferences(&version, &size, nullptr), NoError);
    EXPECT_EQ(version, 0);
    EXPECT_EQ(size, 0);
    const auto damaged = EventsNamed(Events(), "preferences-damaged");
    ASSERT_EQ(damaged.size(), 1u);
    EXPECT_EQ(damaged[0].Text("path"), store.File().string());
    EXPECT_NE(damaged[0].Text("reason"), "");
    EXPECT_NE(err.str().find("reads as nothing stored"), std::string::npos) << err.str();

    const auto record = SampleRecord();
    EXPECT_EQ(SetPreferences(1, 48, record.data()), NoError);
    EXPECT_EQ(GetPreferences(&version, &size, nullptr), NoError);
    EXPECT_EQ(size, 48);
    EXPECT_EQ(EventsNamed(Events(), "preferences-damaged").size(), 1u);
}

TEST_F(WorkbenchHostPreferences, AStoreThatCannotBeWrittenIsAGeneralErrorWithTheReason) {
    std::filesystem::create_directories(dataFolder);
    std::ofstream(PreferencesFolder(dataFolder)) << "a file where the folder should be";
    const auto record = SampleRecord();
    EXPECT_EQ(SetPreferences(1, 48, record.data()), APIERR_GENERAL);
    const auto written = EventsNamed(Events(), "preferences-written");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_NE(written[0].Text("error").find("cannot make the folder"), std::string::npos);
    EXPECT_NE(err.str().find("cannot store the add-on's preferences"), std::string::npos) << err.str();
}

TEST_F(WorkbenchHostTable, PreferencesBeforeTheStoreIsKnownAreRefused) {
    const UInt8 byte = 1;
    EXPECT_EQ(SetPreferences(1, 1, &byte), APIERR_NOTINIT);
    Int32 version = 0, size = 0;
    EXPECT_EQ(GetPreferences(&version, &size, nullptr), APIERR_NOTINIT);
    EXPECT_FALSE(host.ClearPreferences());
    EXPECT_FALSE(std::filesystem::exists(dataFolder));
}

} // namespace
