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
