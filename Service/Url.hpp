#pragma once

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

// The value of `key` in application/x-www-form-urlencoded text (a query or a form body), with '+'
// and percent escapes decoded. Absent, or malformed escapes: no value.
std::optional<std::string> FormValue(std::string_view form, std::string_view key);

// Every byte but letters, digits and "-._~" as %XX, for a value inside a query.
std::string PercentEncode(std::string_view text);

// The value of cookie `name` in a Cookie header ("a=1; b=2"); empty when absent.
std::string_view CookieValue(std::string_view header, std::string_view name);

} // namespace kavelo
