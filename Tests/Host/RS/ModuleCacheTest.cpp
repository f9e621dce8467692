#include "RSHost.hpp"
#include "ResourceContainer.hpp"
#include "TestModuleResources.hpp"
#include "TestPlatform.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;
using ::testing::StartsWith;
namespace TestModule = RSTest::TestModule;

namespace {

class ModuleCache : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(base, nullptr);
        RS::Host::SetCallObserver(
            [this](std::string_view call, GSResModule id) { calls.emplace_back(call, id); });
    }

    void TearDown() override {
        RS::Host::SetCallObserver({});
        for (const GSResModule id : registered)
            RSRemoveModuleImageCache(id);
    }

    GSResModule Register() {
        const GSResModule id = RSInitModuleImageCache(base);
        if (id != InvalidResModule)
            registered.push_back(id);
        return id;
    }

    const HostTest::LoadedLibrary library{HostTest::BuiltFile(RS_TEST_MODULE_FILE)};
    void* const base = library.Instance();
    std::vector<GSResModule> registered;
    std::vector<std::pair<std::string, GSResModule>> calls;
};

} // namespace

TEST_F(ModuleCache, RegistersAModuleByItsBaseAddress) {
    const GSResModule id = Register();

    ASSERT_GT(id, 0);
    const RS::Host::ResourceFile* file = RS::Host::FindModule(id);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->Find(RS::Host::FourCC("STRS"), TestModule::Strings));
    EXPECT_THAT(calls, ElementsAre(Pair("RSInitModuleImageCache", id)));
}

TEST_F(ModuleCache, GivesEveryRegistrationANewId) {
    const GSResModule first = Register();
    const GSResModule second = Register();

    ASSERT_GT(first, 0);
    EXPECT_GT(second, first);
    RSRemoveModuleImageCache(first);
    EXPECT_EQ(RS::Host::FindModule(first), nullptr);
    EXPECT_NE(RS::Host::FindModule(second), nullptr);
    EXPECT_GT(Register(), second); // a removed id is not handed out again
}

TEST_F(ModuleCache, TellsTheObserverOfEveryCallInOrder) {
    const GSResModule id = Register();
    RSRemoveModuleImageCache(id);
    RS::ResModuleClosed(id);

    EXPECT_THAT(calls, ElementsAre(Pair("RSInitModuleImageCache", id), Pair("RSRemoveModuleImageCache", id),
                                   Pair("RS::ResModuleClosed", id)));
    EXPECT_EQ(RS::Host::FindModule(id), nullptr);
}

TEST_F(ModuleCache, ClosingOrRemovingAnUnknownModuleIsHarmless) {
    const GSResModule id = Register();
    RS::ResModuleClosed(id + 1000);
    RSRemoveModuleImageCache(id + 1000);
    RS::ResModuleClosed(InvalidResModule);

    EXPECT_NE(RS::Host::FindModule(id), nullptr);
    EXPECT_THAT(calls, ElementsAre(Pair("RSInitModuleImageCache", id), Pair("RS::ResModuleClosed", id + 1000),
                                   Pair("RSRemoveModuleImageCache", id + 1000),
                                   Pair("RS::ResModuleClosed", InvalidResModule)));
}

TEST_F(ModuleCache, RefusesAnAddressOutsideEveryModule) {
    ::testing::internal::CaptureStderr();
    int onTheStack = 0;
    EXPECT_EQ(RSInitModuleImageCache(nullptr), InvalidResModule);
    EXPECT_EQ(RSInitModuleImageCache(&onTheStack), InvalidResModule);
    const std::string errors = ::testing::internal::GetCapturedStderr();

    EXPECT_THAT(errors, StartsWith("RS: no loaded module lies at"));
    EXPECT_THAT(calls, ElementsAre(Pair("RSInitModuleImageCache", InvalidResModule),
                                   Pair("RSInitModuleImageCache", InvalidResModule)));
}

TEST_F(ModuleCache, RefusesAModuleWithoutResources) {
    // The RS library itself carries no resource section.
    void* const rsLibrary = HostTest::InstanceOf(reinterpret_cast<const void*>(&RSInitModuleImageCache));
    ASSERT_NE(rsLibrary, nullptr);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RSInitModuleImageCache(rsLibrary), InvalidResModule);
    const std::string errors = ::testing::internal::GetCapturedStderr();

    EXPECT_THAT(errors, StartsWith("RS: "));
    EXPECT_THAT(calls, ElementsAre(Pair("RSInitModuleImageCache", InvalidResModule)));
}

// ---- RSGetIndString_ParamAdapter ----

TEST_F(ModuleCache, ReadsIndexedStringsFromOne) {
    const GSResModule id = Register();
    GS::UniString text;

    ASSERT_TRUE(RSGetIndString_ParamAdapter(&text, TestModule::Strings, 1, id));
    EXPECT_EQ(text, GS::UniString(u"KAVELO"));
}

TEST_F(ModuleCache, DecodesStringsAsUtf8) {
    const GSResModule id = Register();
    GS::UniString text;

    ASSERT_TRUE(RSGetIndString_ParamAdapter(&text, TestModule::Strings, 2, id));
    EXPECT_EQ(text, GS::UniString(u"Caf\u00E9 \u2013 5 \u20AC"));
    ASSERT_TRUE(RSGetIndString_ParamAdapter(&text, TestModule::Strings, 3, id));
    EXPECT_TRUE(text.IsEmpty());
}

TEST_F(ModuleCache, LeavesTheStringAloneForAMissingItem) {
    const GSResModule id = Register();
    const GS::UniString untouched(u"untouched");
    GS::UniString text = untouched;

    EXPECT_FALSE(RSGetIndString_ParamAdapter(&text, TestModule::Strings, 0, id));
    EXPECT_FALSE(RSGetIndString_ParamAdapter(&text, TestModule::Strings, -1, id));
    EXPECT_FALSE(RSGetIndString_ParamAdapter(&text, TestModule::Strings,
                                             static_cast<Int32>(TestModule::StringItems.size()) + 1, id));
    EXPECT_FALSE(RSGetIndString_ParamAdapter(&text, 999, 1, id));
    EXPECT_FALSE(RSGetIndString_ParamAdapter(&text, TestModule::FrenchOnly, 1, id)); // not in block 1033
    EXPECT_EQ(text, untouched);
}

TEST_F(ModuleCache, RefusesUnknownModulesAndANullString) {
    const GSResModule id = Register();
    GS::UniString text(u"untouched");

    EXPECT_FALSE(RSGetIndString_ParamAdapter(&text, TestModule::Strings, 1, id + 1000));
    EXPECT_FALSE(RSGetIndString_ParamAdapter(&text, TestModule::Strings, 1, InvalidResModule));
    EXPECT_FALSE(RSGetIndString_ParamAdapter(nullptr, TestModule::Strings, 1, id));
    RSRemoveModuleImageCache(id);
    EXPECT_FALSE(RSGetIndString_ParamAdapter(&text, TestModule::Strings, 1, id));
    EXPECT_EQ(text, GS::UniString(u"untouched"));
}

TEST_F(ModuleCache, ReportsAMalformedStringList) {
    const GSResModule id = Register();
    GS::UniString text(u"untouched");

    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(RSGetIndString_ParamAdapter(&text, TestModule::Malformed, 1, id));
    const std::string errors = ::testing::internal::GetCapturedStderr();

    EXPECT_THAT(errors, StartsWith("RS: string list 100: "));
    EXPECT_THAT(errors, HasSubstr("counts 10 bytes"));
    EXPECT_EQ(text, GS::UniString(u"untouched"));
}
