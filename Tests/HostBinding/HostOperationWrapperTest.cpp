#include "ACAPI/ACAPinc.hpp"
#include "BindingState.hpp"
#include "RecordingBodies.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

extern "C" GSErrCode SetImportedFuncAddrs(const HostFunction* table);

namespace {

constexpr GSErrCode HostAnswer = GSErrCode(0x81060042);

struct SlotCall {
    void* context = nullptr;
    std::vector<UInt8> record;
    std::vector<GS::IntPtr> arguments;
    std::string text;
};

std::vector<SlotCall> slotCalls;

template <typename Record>
std::vector<UInt8> BytesOf(const Record* record) {
    const auto* bytes = reinterpret_cast<const UInt8*>(record);
    return {bytes, bytes + sizeof(Record)};
}

GSErrCode RegisterMenu(const API_MenuRegistrationRecord* record) {
    slotCalls.push_back({nullptr, BytesOf(record), {}, {}});
    return HostAnswer;
}

GSErrCode InstallMenuHandler(void* context, UInt16 menuStrResID, APIMenuCommandProc* handler) {
    slotCalls.push_back({context, {}, {GS::IntPtr(menuStrResID), reinterpret_cast<GS::IntPtr>(handler)}, {}});
    return HostAnswer;
}

GSErrCode SetPreferences(void* context, Int32 version, Int32 nByte, const void* data) {
    slotCalls.push_back({context, {}, {version, nByte, reinterpret_cast<GS::IntPtr>(data)}, {}});
    return HostAnswer;
}

GSErrCode GetPreferences(void* context, Int32* version, Int32* nByte, void* data) {
    slotCalls.push_back({context,
                         {},
                         {reinterpret_cast<GS::IntPtr>(version), reinterpret_cast<GS::IntPtr>(nByte),
                          reinterpret_cast<GS::IntPtr>(data)},
                         {}});
    return HostAnswer;
}

GSErrCode RegisterModelessWindow(void* context, const API_ModelessWindowRecord* record) {
    slotCalls.push_back({context, BytesOf(record), {}, {}});
    return HostAnswer;
}

GSErrCode UnregisterModelessWindow(void* context, Int32 referenceID) {
    slotCalls.push_back({context, {}, {referenceID}, {}});
    return HostAnswer;
}

GSErrCode ReportMessage(void* context, const GS::UniString* format, bool alert, va_list* args) {
    char text[256];
    std::vsnprintf(text, sizeof(text), format->ToCStr().Get(), *args);
    slotCalls.push_back({context, {}, {alert}, text});
    return HostAnswer;
}

GSErrCode Selector(void* context, UInt32 selector, void* param1, void* param2, GS::IntPtr last) {
    slotCalls.push_back({context,
                         {},
                         {GS::IntPtr(selector), reinterpret_cast<GS::IntPtr>(param1),
                          reinterpret_cast<GS::IntPtr>(param2), last},
                         {}});
    return HostAnswer;
}

GSErrCode MenuHandler(const API_MenuParams*) {
    return NoError;
}

GSErrCode PaletteCallback(Int32, Int32, GS::IntPtr) {
    return NoError;
}

class HostOperationWrapper : public ::testing::Test {
protected:
    void SetUp() override {
        Recording::ResetBinding();
        slotCalls.clear();
        HostBinding::HostContext = &hostObject;
    }
    void TearDown() override { Recording::ResetBinding(); }

    void SendFullTable() {
        HostFunction table[HostFunctionTableSlots] = {};
        table[HostSlot_RegisterMenu] = reinterpret_cast<HostFunction>(&RegisterMenu);
        table[HostSlot_InstallMenuHandler] = reinterpret_cast<HostFunction>(&InstallMenuHandler);
        table[HostSlot_SetPreferences] = reinterpret_cast<HostFunction>(&SetPreferences);
        table[HostSlot_GetPreferences] = reinterpret_cast<HostFunction>(&GetPreferences);
        table[HostSlot_RegisterModelessWindow] = reinterpret_cast<HostFunction>(&RegisterModelessWindow);
        table[HostSlot_UnregisterModelessWindow] = reinterpret_cast<HostFunction>(&UnregisterModelessWindow);
        table[HostSlot_ReportMessage] = reinterpret_cast<HostFunction>(&ReportMessage);
        table[HostSlot_GetCurrentWindow] = reinterpret_cast<HostFunction>(&Selector);
        table[HostSlot_GetSpecialFolder] = reinterpret_cast<HostFunction>(&Selector);
        table[HostSlot_SaveCurrentWindow] = reinterpret_cast<HostFunction>(&Selector);
        SetImportedFuncAddrs(table);
        HostBinding::HostContext = &hostObject;
    }

    const SlotCall& OnlyCall() const {
        EXPECT_EQ(slotCalls.size(), 1u);
        return slotCalls.front();
    }

    int hostObject = 0;
};

TEST_F(HostOperationWrapper, EmptySlotsAnswerNotSupportedWithoutLookingAtArguments) {
    HostFunction table[HostFunctionTableSlots] = {};
    SetImportedFuncAddrs(table);
    HostBinding::HostContext = &hostObject;

    EXPECT_EQ(HostRegisterMenu(32511, 32530, 0, 0), APIERR_NOTSUPPORTED);
    EXPECT_EQ(ACAPI_MenuItem_InstallMenuHandler(32511, MenuHandler), APIERR_NOTSUPPORTED);
    EXPECT_EQ(ACAPI_SetPreferences(1, 48, nullptr), APIERR_NOTSUPPORTED);
    EXPECT_EQ(HostGetPreferences(nullptr, nullptr, nullptr), APIERR_NOTSUPPORTED);
    EXPECT_EQ(ACAPI_RegisterModelessWindow(1, PaletteCallback, 4, GS::Guid()), APIERR_NOTSUPPORTED);
    EXPECT_EQ(HostUnregisterModelessWindow(1), APIERR_NOTSUPPORTED);
    EXPECT_EQ(HostGetCurrentWindow(nullptr), APIERR_NOTSUPPORTED);
    EXPECT_EQ(HostGetSpecialFolder(nullptr, nullptr), APIERR_NOTSUPPORTED);
    EXPECT_EQ(HostSaveCurrentWindow(nullptr, nullptr), APIERR_NOTSUPPORTED);
    // A report nobody can show is no error of the caller's.
    EXPECT_EQ(HostReportMessage(GS::UniString("%s: %s"), true, "a", "b"), NoError);
    EXPECT_TRUE(slotCalls.empty());
}

TEST_F(HostOperationWrapper, MenuRegistrationPassesOnlyThePacked32ByteRecord) {
    SendFullTable();
    EXPECT_EQ(HostRegisterMenu(32540, 0, 12, 0x01020304), HostAnswer);
    const SlotCall& call = OnlyCall();
    const std::vector<UInt8> expected = {0x1C, 0x7F, 0x00, 0x00, 12, 0, 0, 0, 0x04, 0x03, 0x02,
                                         0x01, 0,    0,    0,    0,  0, 0, 0, 0,    0,    0,
                                         0,    0,    0,    0,    0,  0, 0, 0, 0,    0};
    EXPECT_EQ(call.record, expected);
}

TEST_F(HostOperationWrapper, MenuHandlerIdIsZeroExtendedFrom16Bits) {
    SendFullTable();
    EXPECT_EQ(ACAPI_MenuItem_InstallMenuHandler(Int16(-32768), MenuHandler), HostAnswer);
    const SlotCall& call = OnlyCall();
    EXPECT_EQ(call.context, &hostObject);
    EXPECT_EQ(call.arguments[0], 0x8000);
    EXPECT_EQ(call.arguments[1], reinterpret_cast<GS::IntPtr>(&MenuHandler));
}

TEST_F(HostOperationWrapper, ModelessWindowRecordCarriesTheGuidAtOffset20) {
    SendFullTable();
    const GS::Guid guid("{D8A0A01F-1184-40F2-B8A8-28CF30714FA4}");
    EXPECT_EQ(ACAPI_RegisterModelessWindow(Int32(0x8D0ACB8B), PaletteCallback, 4, guid), HostAnswer);
    const SlotCall& call = OnlyCall();
    EXPECT_EQ(call.context, &hostObject);
    ASSERT_EQ(call.record.size(), 80u);

    std::vector<UInt8> expected(80, 0);
    const UInt8 head[] = {0x8B, 0xCB, 0x0A, 0x8D};
    std::memcpy(expected.data(), head, 4);
    const auto callback = reinterpret_cast<UInt64>(&PaletteCallback);
    std::memcpy(expected.data() + 8, &callback, 8);
    expected[16] = 4;
    const UInt8 guidBytes[] = {0x1F, 0xA0, 0xA0, 0xD8, 0x84, 0x11, 0xF2, 0x40,
                               0xB8, 0xA8, 0x28, 0xCF, 0x30, 0x71, 0x4F, 0xA4};
    std::memcpy(expected.data() + 20, guidBytes, 16);
    EXPECT_EQ(call.record, expected);
}

TEST_F(HostOperationWrapper, ContextOperationsPassTheirArgumentsUnchanged) {
    SendFullTable();
    const UInt8 data[48] = {};
    Int32 version = 0;
    Int32 size = 0;

    EXPECT_EQ(ACAPI_SetPreferences(1, 48, data), HostAnswer);
    EXPECT_EQ(HostGetPreferences(&version, &size, nullptr), HostAnswer);
    EXPECT_EQ(HostUnregisterModelessWindow(-5), HostAnswer);
    ASSERT_EQ(slotCalls.size(), 3u);
    for (const SlotCall& call : slotCalls)
        EXPECT_EQ(call.context, &hostObject);
    EXPECT_EQ(slotCalls[0].arguments, (std::vector<GS::IntPtr>{1, 48, reinterpret_cast<GS::IntPtr>(data)}));
    EXPECT_EQ(slotCalls[1].arguments, (std::vector<GS::IntPtr>{reinterpret_cast<GS::IntPtr>(&version),
                                                               reinterpret_cast<GS::IntPtr>(&size), 0}));
    EXPECT_EQ(slotCalls[2].arguments, (std::vector<GS::IntPtr>{-5}));
}

TEST_F(HostOperationWrapper, SelectorOperationsPassTheirFourCharacterCodes) {
    SendFullTable();
    API_WindowInfo window{};
    Int32 folderKind = 4;
    API_FileSavePars file{};
    API_SavePars_Picture picture{};
    EXPECT_EQ(HostGetCurrentWindow(&window), HostAnswer);
    EXPECT_EQ(HostGetSpecialFolder(&folderKind, nullptr), HostAnswer);
    EXPECT_EQ(HostSaveCurrentWindow(&file, &picture), HostAnswer);

    auto address = [](const void* pointer) { return reinterpret_cast<GS::IntPtr>(pointer); };
    ASSERT_EQ(slotCalls.size(), 3u);
    EXPECT_EQ(slotCalls[0].arguments, (std::vector<GS::IntPtr>{0x4757494E, address(&window), 0, 0}));
    EXPECT_EQ(slotCalls[1].arguments, (std::vector<GS::IntPtr>{0x47535046, address(&folderKind), 0, 0}));
    EXPECT_EQ(slotCalls[2].arguments,
              (std::vector<GS::IntPtr>{0x53415645, address(&file), address(&picture), 0}));
    for (const SlotCall& call : slotCalls)
        EXPECT_EQ(call.context, &hostObject);
}

TEST_F(HostOperationWrapper, ReportPassesTheRemainingArgumentsAsAList) {
    SendFullTable();
    EXPECT_EQ(HostReportMessage(GS::UniString("%s: %s"), true, "Caption", "APIERR_GENERAL"), HostAnswer);
    const SlotCall& call = OnlyCall();
    EXPECT_EQ(call.context, &hostObject);
    EXPECT_EQ(call.arguments[0], 1);
    EXPECT_EQ(call.text, "Caption: APIERR_GENERAL");
}

TEST_F(HostOperationWrapper, AfterShutDownOperationsPassANullContext) {
    SendFullTable();
    HostBinding::HostContext = nullptr;
    HostUnregisterModelessWindow(1);
    EXPECT_EQ(OnlyCall().context, nullptr);
}

} // namespace
