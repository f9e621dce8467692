#pragma once

// The system's loader, for ModuleFile: the few calls that differ between platforms.

#include "RSHost.hpp"

#include <string>

namespace Workbench::Loader {

// The loaded module, or null with `error` saying why the system refused it.
void* Load(const std::string& path, std::string& error);
// The address of an export, or null.
void* Find(void* module, const char* name);
void Unload(void* module);
// Whether the file is still in the process after its unloading.
bool IsLoaded(const std::string& path);
// The resources of a loaded module, copied out so that they outlive it.
RS::Host::ResourceFile Resources(void* module, const std::string& path);

} // namespace Workbench::Loader
