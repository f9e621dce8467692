#pragma once

// Seams for the add-on's own tests; the host cannot reach them (the module exports nothing else).

#include "GSRoot/Definitions.hpp"

namespace PreferencesSeams {

// Reseeds the identifier generator, creating it first if need be.
void SeedLinkIdGenerator(UInt32 seed);

// Replaces the system clock of NowSeconds; null restores it.
void SetClock(Int64 (*nowSeconds)());

} // namespace PreferencesSeams
