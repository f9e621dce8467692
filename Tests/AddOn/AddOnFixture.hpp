#pragma once

// The add-on linked into the test program with its binding, driven by a recording host; for tests
// that reach inside the add-on's units. The add-on's resources come from the built module file.

#include "ModuleHost.hpp"

#include <gtest/gtest.h>

extern "C" void GetExportedFuncAddrs(API_EntryPointRecord* record);
extern "C" GSErrCode SetImportedFuncAddrs(const HostFunction* table);

class AddOnFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite();

    void SetUp() override {
        host.Start();
        host.calls.clear();
        host.debugLines.clear();
    }

    void TearDown() override {
        EXPECT_EQ(host.UnusedDialogAnswers(), 0u) << "the test expected more dialogs";
    }

    Testing::ModuleHost host{GetExportedFuncAddrs, SetImportedFuncAddrs};
};

// The add-on with its clock stopped at a fixed time, for the browser-visit rules.
class FixedClockFixture : public AddOnFixture {
public:
    static constexpr Int64 Now = 1'765'432'100;

protected:
    void SetUp() override;
    void TearDown() override;
};
