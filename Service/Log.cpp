#include "Log.hpp"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace kavelo {

namespace {

std::string UtcNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(millis));
    return text;
}

bool NeedsQuotes(std::string_view value) {
    if (value.empty())
        return true;
    for (const char c : value) {
        if (c == ' ' || c == '"' || c == '=' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            return true;
    }
    return false;
}

void AppendValue(std::string& out, std::string_view value) {
    if (!NeedsQuotes(value)) {
        out += value;
        return;
    }
    out += '"';
    for (const char c : value) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

} // namespace

LogLine::LogLine(std::string_view level, std::string_view event) {
    text_ = "time=" + UtcNow();
    Add("level", level);
    Add("event", event);
}

LogLine::~LogLine() {
    text_ += '\n';
    // Worker threads log too; one write per line under a lock keeps lines whole.
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    std::fwrite(text_.data(), 1, text_.size(), stderr);
    std::fflush(stderr);
}

LogLine& LogLine::Add(std::string_view key, std::string_view value) {
    text_ += ' ';
    text_ += key;
    text_ += '=';
    AppendValue(text_, value);
    return *this;
}

LogLine& LogLine::Add(std::string_view key, double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return Add(key, std::string_view(text));
}

} // namespace kavelo
