#pragma once

// The report operation receives a printf-style format and the caller's argument list. The host
// formats it itself rather than trusting vsnprintf with a format it has not checked: only the
// conversions below are read, and a format with anything else is not formatted at all.
//
//   %s (const char*, null prints "(null)"), %d %i %u %x with no, "l" or "ll" length, and %%.

#include <cstdarg>
#include <string>
#include <string_view>

namespace Workbench {

struct ReportText {
    std::string text;    // the formatted text, or the raw format when malformed
    std::string problem; // empty when the format was understood
    bool Malformed() const { return !problem.empty(); }
};

// Checks the whole format before reading any argument, so a malformed one reads none. `args` is
// read through a copy; null is accepted only for a format without conversions.
ReportText FormatReport(std::string_view format, va_list* args);

} // namespace Workbench
