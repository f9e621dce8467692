// What the workbench does its own way on POSIX has no counterpart to test on Windows; what it does
// its own way on Windows.

#include "ModuleLoader.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(WorkbenchOptions, TheDefaultDataFolderIsXdgDataHomeElseUnderHome) {
    GTEST_SKIP() << "XDG_DATA_HOME and HOME name the data folder on POSIX only; Windows takes LOCALAPPDATA";
}

TEST(WorkbenchWindowsCalls, BrowserLaunchesAreShownAndOtherWindowsCallsRecorded) {
    GTEST_SKIP() << "the module calls Windows itself on Windows: the host sees only its browser launches, on "
                    "their way through its import table, which WorkbenchProgramTests check";
}

// A DLL of the name a module imports, planted in the current folder or on PATH, is never taken.
TEST(WorkbenchModuleLoader, TakesAModulesDependenciesFromBesideItNeverFromTheCurrentFolderOrPath) {
    const fs::path module = KAVELO_LOADER_PROBE, dependency = KAVELO_LOADER_PROBE_DEPENDENCY;
    const fs::path beside = module.parent_path() / dependency.filename();
    fs::remove(beside);
    const fs::path started = fs::current_path();
    fs::current_path(dependency.parent_path());
    const std::wstring path = _wgetenv(L"PATH") != nullptr ? _wgetenv(L"PATH") : L"";
    SetEnvironmentVariableW(L"PATH", (dependency.parent_path().wstring() + L";" + path).c_str());
    std::string error;
    void* planted = Workbench::Loader::Load(module.string(), error);
    SetEnvironmentVariableW(L"PATH", path.c_str());
    fs::current_path(started);
    EXPECT_EQ(planted, nullptr);
    EXPECT_NE(error.find("(error 126)"), std::string::npos) << error; // ERROR_MOD_NOT_FOUND
    if (planted != nullptr)
        Workbench::Loader::Unload(planted);

    fs::copy_file(dependency, beside);
    void* found = Workbench::Loader::Load(module.string(), error);
    EXPECT_NE(found, nullptr) << error;
    if (found != nullptr)
        Workbench::Loader::Unload(found);
    fs::remove(beside);
}

} // namespace
