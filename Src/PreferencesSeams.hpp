#pragma once

// Seams for the add-on's own tests; the host cannot reach them (the module exports nothing else).

#include "GSRoot/Definitions.hpp"

namespace PreferencesSeams {

// Seeds the identifier generator afresh, as at its creation, from the system's random source.
void SeedLinkIdGeneratorFromSystem();

// Replaces the system clock of NowSeconds; null restores it.
void SetClock(Int64 (*nowSeconds)());

} // namespace PreferencesSeams
