#pragma once

// Host-side controls of InputOutput, for the workbench and tests only; the add-on never sees them.

#include "GSRoot/Definitions.hpp"

namespace IO::Host {

// How a cut read ends: as at the end of the file (a file cut short while it was read), or as the
// system's read failing.
enum class ReadEnd { EndOfFile, Failure };

// Every File::ReadBin from now on ends after `bytes` bytes, as `end` says, as though the file ended
// or broke there; a shorter read is not changed.
void CutReads(UInt32 bytes, ReadEnd end);
// Reads go to the system whole again.
void ResetReads();

} // namespace IO::Host
