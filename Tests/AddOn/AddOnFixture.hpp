#pragma once

// The add-on linked into the test program with its binding, driven by a recording host; for tests
// that reach inside the add-on's units. The add-on's resources come from the built module file.

#include "BrowserLaunches.hpp"
#include "ModuleHost.hpp"

#include <gtest/gtest.h>

extern "C" void GetExportedFuncAddrs(API_EntryPointRecord* record);
extern "C" GSErrCode SetImportedFuncAddrs(const HostFunction* table);

// For a test of what the add-on's browser launches carry: on Windows the host sees them only where a
// recorder stands in for the browser, as in the tests' wine prefix.
#define SKIP_UNLESS_THE_HOST_SEES_LAUNCHES()                                                                 \
    if (!Testing::HostSeesBrowserLaunches)                                                                   \
    GTEST_SKIP() << "the add-on's browser launches go through the Windows shell to a real browser"

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
