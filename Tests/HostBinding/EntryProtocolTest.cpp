#include "BindingState.hpp"
#include "RecordingBodies.hpp"

#include <gtest/gtest.h>

#include <cstring>

extern "C" void GetExportedFuncAddrs(API_EntryPointRecord* record);
extern "C" GSErrCode SetImportedFuncAddrs(const HostFunction* table);

namespace {

using namespace HostBinding;

class EntryProtocol : public ::testing::Test {
protected:
    void SetUp() override { Recording::ResetBinding(); }
    void TearDown() override { Recording::ResetBinding(); }

    void SendTable() {
        HostFunction table[HostFunctionTableSlots] = {};
        ASSERT_EQ(SetImportedFuncAddrs(table), NoError);
    }

    int hostObject = 0;
    int registrationObject = 0;
};

template <typename T>
UInt64 Bits(T value) {
    UInt64 bits = 0;
    std::memcpy(&bits, &value, sizeof(value));
    return bits;
}

TEST_F(EntryProtocol, ExportedRecordIsWrittenFieldByFieldOverNonZeroBytes) {
    UInt8 bytes[sizeof(API_EntryPointRecord)];
    std::memset(bytes, 0xA5, sizeof(bytes));
    GetExportedFuncAddrs(reinterpret_cast<API_EntryPointRecord*>(bytes));

    const UInt8 version[] = {0x01, 0x00, 0x1D, 0x00};
    EXPECT_EQ(std::memcmp(bytes, version, 4), 0);
    const UInt8 hostVersion[] = {0x48, 0x71, 0x00, 0x00}; // 29000
    EXPECT_EQ(std::memcmp(bytes + 40, hostVersion, 4), 0);

    const UInt64 entries[] = {Bits(&EntryDescribeAddOn), Bits(&EntryRegisterCommands), Bits(&EntryInitialize),
                              Bits(&EntryShutDown)};
    for (std::size_t i = 0; i < 4; ++i) {
        UInt64 written = 0;
        std::memcpy(&written, bytes + 8 + 8 * i, 8);
        EXPECT_EQ(written, entries[i]) << "entry " << i;
    }
    for (std::size_t offset : {4, 5, 6, 7})
        EXPECT_EQ(bytes[offset], 0) << offset;
    for (std::size_t offset = 44; offset < sizeof(bytes); ++offset)
        EXPECT_EQ(bytes[offset], 0) << offset;
}

TEST_F(EntryProtocol, EveryEntryRefusesBeforeTheTableAndChangesNothing) {
    API_EnvirParams envir{};
    EXPECT_EQ(EntryDescribeAddOn(&envir), 0);
    EXPECT_EQ(EntryRegisterCommands(&registrationObject), APIERR_GENERAL);
    EXPECT_EQ(EntryInitialize(&hostObject), APIERR_GENERAL);
    EXPECT_EQ(EntryShutDown(), APIERR_GENERAL);

    EXPECT_TRUE(Recording::bodyCalls.empty());
    EXPECT_EQ(RegistrationContext, nullptr);
    EXPECT_EQ(HostContext, nullptr);
    EXPECT_FALSE(HostTableReceived);
}

TEST_F(EntryProtocol, TableIsCopiedWholeAndASecondCallReplacesIt) {
    HostFunction first[HostFunctionTableSlots];
    for (std::size_t i = 0; i < HostFunctionTableSlots; ++i)
        first[i] = reinterpret_cast<HostFunction>(i + 1);
    EXPECT_EQ(SetImportedFuncAddrs(first), NoError);
    EXPECT_TRUE(HostTableReceived);
    EXPECT_EQ(std::memcmp(HostFunctionTable, first, sizeof(first)), 0);
    static_assert(sizeof(HostFunctionTable) == 5152);

    HostFunction second[HostFunctionTableSlots] = {};
    second[643] = reinterpret_cast<HostFunction>(7);
    EXPECT_EQ(SetImportedFuncAddrs(second), NoError);
    EXPECT_EQ(std::memcmp(HostFunctionTable, second, sizeof(second)), 0);
}

TEST_F(EntryProtocol, EntriesKeepTheirContextsAndShutDownClearsTheHostContextAfterTheBody) {
    SendTable();
    API_EnvirParams envir{};
    EXPECT_EQ(EntryDescribeAddOn(&envir), 1);
    EXPECT_EQ(EntryRegisterCommands(&registrationObject), NoError);
    EXPECT_EQ(RegistrationContext, &registrationObject);
    EXPECT_EQ(HostContext, nullptr);

    EXPECT_EQ(EntryInitialize(&hostObject), NoError);
    EXPECT_EQ(HostContext, &hostObject);
    EXPECT_EQ(EntryShutDown(), NoError);
    EXPECT_EQ(HostContext, nullptr);

    ASSERT_EQ(Recording::bodyCalls.size(), 4u);
    EXPECT_EQ(Recording::bodyCalls[2].body, "Initialize");
    EXPECT_EQ(Recording::bodyCalls[2].hostContextSeen, &hostObject);
    EXPECT_EQ(Recording::bodyCalls[3].body, "ShutDown");
    EXPECT_EQ(Recording::bodyCalls[3].hostContextSeen, &hostObject);
}

TEST_F(EntryProtocol, EntriesAnswerTheBodiesResults) {
    SendTable();
    Recording::nextResult = APIERR_NOTSUPPORTED;
    EXPECT_EQ(EntryRegisterCommands(&registrationObject), APIERR_NOTSUPPORTED);
    EXPECT_EQ(EntryInitialize(&hostObject), APIERR_NOTSUPPORTED);
    EXPECT_EQ(EntryShutDown(), APIERR_NOTSUPPORTED);
    EXPECT_EQ(HostContext, nullptr);
}

} // namespace
