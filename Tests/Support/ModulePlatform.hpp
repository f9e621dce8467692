#pragma once

// What loading an add-on module and watching its browser launches take on this platform.

#include "ACAPI/APIdefs.hpp"

#include <functional>
#include <string>
#include <string_view>

namespace Testing::ModulePlatform {

struct Entries {
    GetExportedFuncAddrsProc* getExported = nullptr;
    SetImportedFuncAddrsProc* setImported = nullptr;
};

// The loaded module's handle; throws std::runtime_error naming the loader's complaint.
void* Load(const std::string& modulePath);
// The two entry-protocol functions: by name from an ELF module, by ordinals 1 and 2 from a DLL.
// Null members when the module lacks one.
Entries FindEntries(void* module);
void Unload(void* module);

// Calls `launched` with the URL of every browser launch from now on, until called with null.
void ObserveLaunches(std::function<void(std::string_view url)> launched);

} // namespace Testing::ModulePlatform
