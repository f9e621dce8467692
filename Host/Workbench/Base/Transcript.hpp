#pragma once

// The transcript: every host event as one JSON object per line, numbered from 1 and flushed at
// once, so a reader sees each event even if the workbench dies right after it.

#include "Json.hpp"

#include <cstdint>
#include <ostream>
#include <string_view>

namespace Workbench {

class Transcript {
public:
    // Events are numbered even without a stream, so the numbers do not depend on --transcript.
    Transcript() = default;
    // `errors` hears once, at the first failed write, that the transcript is incomplete.
    Transcript(std::ostream& output, std::ostream& errorStream) : stream(&output), errors(&errorStream) {}

    // Writes {"seq":N,"event":"<event>", <fields>}.
    void Write(std::string_view event, const JsonObject& fields = {});

    std::uint64_t LastSequence() const { return sequence; }
    bool WriteFailed() const { return failed; }

private:
    std::ostream* stream = nullptr;
    std::ostream* errors = nullptr;
    std::uint64_t sequence = 0;
    bool failed = false;
};

} // namespace Workbench
