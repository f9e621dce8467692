#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavelo {

struct Target {
    std::string_view path;
    std::string_view query; // without the '?'
};

// Splits a request target ("/login?eid=…") into its path and query. Nothing is percent-decoded:
// paths are matched as sent, so an encoded "../" never turns into a file name.
Target SplitTarget(std::string_view target);

// A request target in absolute form ("https://host:port/path?query"), which HTTP/1.1 servers must
// accept: its parts, the origin form ("/path?query", "/" for an empty path) among them.
struct AbsoluteTarget {
    std::string_view scheme;
    std::string_view authority; // "host:port" as sent
    std::string originForm;
};

// Nothing for a target that is not in absolute form.
std::optional<AbsoluteTarget> SplitAbsoluteTarget(std::string_view target);

// The port of an authority ("host:port", "[::1]:port"), or `defaultPort` when it names none. Nothing
// when the port is not a number in range.
std::optional<std::uint16_t> AuthorityPort(std::string_view authority, std::uint16_t defaultPort);

// The value of `key` in application/x-www-form-urlencoded text (a query or a form body), with '+'
// and percent escapes decoded. Absent, or malformed escapes: no value.
std::optional<std::string> FormValue(std::string_view form, std::string_view key);

// Every byte but letters, digits and "-._~" as %XX, for a value inside a query.
std::string PercentEncode(std::string_view text);

// The value of cookie `name` in a Cookie header ("a=1; b=2"); empty when absent.
std::string_view CookieValue(std::string_view header, std::string_view name);

} // namespace kavelo
