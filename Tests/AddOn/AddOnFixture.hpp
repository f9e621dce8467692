#pragma once

// The add-on linked into the test program with its binding, driven by a recording host; for tests
// that reach inside the add-on's units.

#include "ModuleHost.hpp"

#include <gtest/gtest.h>

extern "C" void GetExportedFuncAddrs(API_EntryPointRecord* record);
extern "C" GSErrCode SetImportedFuncAddrs(const HostFunction* table);

class AddOnFixture : public ::testing::Test {
protected:
    void SetUp() override {
        host.Start();
        host.calls.clear();
        host.debugLines.clear();
    }

    Testing::ModuleHost host{GetExportedFuncAddrs, SetImportedFuncAddrs};
};
