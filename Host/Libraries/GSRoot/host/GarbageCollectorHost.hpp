#pragma once

// Host-side running of GSRoot's garbage collectors, for the workbench and tests only.

#include "GSRoot/DisposableObject.hpp"

#include <cstddef>

namespace GS::Host {

// Deletes, in the order they were marked, the objects marked disposable that `collector` collects,
// telling each one's dispose handler right after its deletion. Objects marked while the run goes on
// wait for the next run; objects their owner deletes meanwhile are skipped. A run started from
// inside a run does nothing and says so on standard error. Answers how many objects it deleted.
std::size_t RunGarbageCollector(GarbageCollector& collector = defaultGarbageCollector);

// How many objects `collector` would delete if it ran now.
std::size_t PendingDisposables(const GarbageCollector& collector = defaultGarbageCollector);

} // namespace GS::Host
