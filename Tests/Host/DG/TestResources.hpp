#pragma once

// The tests' own resource module, registered with RS for the whole test program, and its ids.

#include "DGTestResourceIds.h"
#include "RS/RS.hpp"

#include <string>
#include <string_view>

namespace DGTest {

constexpr short TwoButtonDialog = DGTEST_DLG_TWO_BUTTONS; // 1 accept, 2 second, 3 separator, 4 text
constexpr short OneButtonDialog = DGTEST_DLG_ONE_BUTTON;  // 1 accept, 2 separator, 3 text
constexpr short PaletteResource = DGTEST_PALETTE;         // 1 and 2 icon buttons
constexpr short NotADialog = DGTEST_STRS;
constexpr short MissingResource = 12345; // no resource of the module has this id

// `text` with every '#' replaced by `id`: the lines the library and the probes write name panels
// by their resource id.
std::string Numbered(std::string_view text, short id);

// The module built beside the tests, loaded for the test program and registered by its base address
// as a host registers a loaded module. Throws std::runtime_error when it could not be loaded.
GSResModule TestResModule();

} // namespace DGTest
