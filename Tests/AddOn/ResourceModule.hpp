#pragma once

// The built module loaded into the test program for good, as the source of the resources of the
// add-on linked into it.

#include <string>

// The module's instance, as RSInitModuleImageCache takes it; throws std::runtime_error naming why the
// system could not load it.
void* LoadResourceModule(const std::string& path);
