#pragma once

#include "Win32Host.hpp"

#include <string>
#include <utility>
#include <vector>

// Records the Windows calls reported to the host while it lives.
class CallRecorder {
public:
    using Call = std::pair<std::string, std::string>;

    CallRecorder() {
        Win32::Host::SetCallObserver(
            [this](std::string_view call, std::string_view argument) { calls.emplace_back(call, argument); });
    }
    ~CallRecorder() { Win32::Host::SetCallObserver({}); }
    CallRecorder(const CallRecorder&) = delete;
    CallRecorder& operator=(const CallRecorder&) = delete;

    std::vector<Call> calls;
};
