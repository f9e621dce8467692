#include "ResponseHead.hpp"

#include "Failures.hpp"
#include "Text.hpp"

#include <algorithm>
#include <cctype>
#include <limits>

namespace HTTP::Client {

namespace {

constexpr std::string_view LineEnd = "\r\n";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// "HTTP/1.x NNN", then the end of the line or a blank and the reason.
UInt32 StatusOf(std::string_view line) {
    constexpr std::string_view Version = "HTTP/1.";
    const bool wellFormed = line.size() >= 12 && line.substr(0, Version.size()) == Version &&
                            IsDigit(line[7]) && line[8] == ' ' && IsDigit(line[9]) && IsDigit(line[10]) &&
                            IsDigit(line[11]) && (line.size() == 12 || line[12] == ' ') && line[9] != '0';
    if (!wellFormed) {
        Throw(Failures::Malformed("bad status line"));
    }
    return static_cast<UInt32>((line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0'));
}

UInt64 LengthOf(std::string_view value) {
    if (value.empty() || !std::all_of(value.begin(), value.end(), IsDigit)) {
        Throw(Failures::Malformed("bad Content-Length"));
    }
    UInt64 length = 0;
    for (const char digit : value) {
        const UInt64 next = static_cast<UInt64>(digit - '0');
        if (length > (std::numeric_limits<UInt64>::max() - next) / 10) {
            Throw(Failures::Malformed("bad Content-Length"));
        }
        length = length * 10 + next;
    }
    return length;
}

} // namespace

ResponseHead ParseResponseHead(std::string_view raw) {
    if (raw.size() > Failures::ResponseHeaderLimit) {
        Throw(Failures::HeaderTooLarge());
    }
    std::size_t end = raw.find(LineEnd);
    ResponseHead head;
    bool chunked = false;
    head.status = StatusOf(raw.substr(0, end));
    while (end != std::string_view::npos) {
        const std::size_t start = end + LineEnd.size();
        end = raw.find(LineEnd, start);
        const std::string_view line = raw.substr(start, end == std::string_view::npos ? end : end - start);
        if (line.empty()) {
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == 0 || colon == std::string_view::npos) {
            Throw(Failures::Malformed("bad field"));
        }
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = Trimmed(line.substr(colon + 1));
        if (EqualsIgnoringCase(name, "Content-Length")) {
            if (head.contentLength) {
                Throw(Failures::Malformed("repeated Content-Length"));
            }
            head.contentLength = LengthOf(value);
        }
        chunked = chunked || EqualsIgnoringCase(name, "Transfer-Encoding");
        head.fields.push_back({std::string(name), std::string(value)});
    }
    // Either frames the body; a length beside a transfer coding is how requests are smuggled.
    if (chunked && head.contentLength) {
        Throw(Failures::Malformed("Content-Length with Transfer-Encoding"));
    }
    return head;
}

} // namespace HTTP::Client
