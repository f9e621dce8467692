#pragma once

// The host's garbage collector, run as Archicad runs it: whenever the host is idle after a command,
// unless the user holds it back to look at objects that wait for deletion; an explicit run works
// held or not. Runs that delete something, and every explicit run, go to the transcript.

#include "Transcript.hpp"

#include <cstddef>

namespace Workbench {

class IdleCollector {
public:
    explicit IdleCollector(Transcript& events) : transcript(events) {}

    void Hold(bool hold);
    bool Held() const { return held; }

    // The host has finished a command: runs the default collector unless held.
    void Idle();
    // Runs the default collector now; answers how many objects it deleted.
    std::size_t Run();

    // How many objects the next run would delete.
    std::size_t Pending() const;

private:
    std::size_t Collect(const char* trigger, bool alwaysTell);

    Transcript& transcript;
    bool held = false;
};

} // namespace Workbench
