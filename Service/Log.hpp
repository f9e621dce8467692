#pragma once

#include <concepts>
#include <string>
#include <string_view>

namespace kavelo {

// One structured line on standard error, written whole when the object goes out of scope:
//   time=2025-04-01T09:30:00.123Z level=info event=request method=GET status=200
// Values with blanks, quotes or '=' are quoted, so every line splits unambiguously into pairs.
class LogLine {
public:
    LogLine(std::string_view level, std::string_view event);
    ~LogLine();
    LogLine(const LogLine&) = delete;
    LogLine& operator=(const LogLine&) = delete;

    LogLine& Add(std::string_view key, std::string_view value);
    LogLine& Add(std::string_view key, const char* value) { return Add(key, std::string_view(value)); }
    LogLine& Add(std::string_view key, std::integral auto value) { return Add(key, std::to_string(value)); }
    LogLine& Add(std::string_view key, double value);

private:
    std::string text_;
};

inline LogLine LogInfo(std::string_view event) {
    return LogLine("info", event);
}
inline LogLine LogError(std::string_view event) {
    return LogLine("error", event);
}

} // namespace kavelo
