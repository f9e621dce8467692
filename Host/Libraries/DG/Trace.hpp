#pragma once

// The trace lines of Host::SetTraceObserver, built only while someone listens.

#include <concepts>
#include <string>
#include <string_view>

namespace DG::Detail {

bool Tracing();
void EmitTrace(std::string_view line);

inline void AppendTracePart(std::string& line, std::string_view text) {
    line += text;
}

template <std::integral Number>
void AppendTracePart(std::string& line, Number number) {
    line += std::to_string(number);
}

template <typename... Parts>
void Trace(const Parts&... parts) {
    if (!Tracing())
        return;
    std::string line;
    (AppendTracePart(line, parts), ...);
    EmitTrace(line);
}

} // namespace DG::Detail
