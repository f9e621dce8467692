#pragma once

// The resources of the built KAVELO.apx, registered with RS for the whole test program.

#include "RS/RS.hpp"

namespace DGTest {

// The module from $KAVELO_BIN_DIR, loaded for the test program, registered by its base address
// as a host registers a loaded module. Throws std::runtime_error when it could not be loaded.
GSResModule KaveloResModule();

} // namespace DGTest
