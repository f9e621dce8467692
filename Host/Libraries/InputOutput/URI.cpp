#include "IO/URI.hpp"

#include "GSRootHost.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace IO::URI {
namespace {

constexpr UInt16 HttpPort = 80;
constexpr UInt16 HttpsPort = 443;

struct Parts {
    std::u16string scheme;
    std::u16string_view host;
    UInt16 port = 0;
    std::u16string_view path;
};

bool IsAlpha(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
bool IsHexDigit(char16_t c) {
    return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
bool IsBlankOrControl(char16_t c) {
    return c <= u' ' || c == 0x7F;
}

// RFC 3986 reg-name characters without percent-encoding (which no DNS name needs); ASCII only.
bool IsHostNameCharacter(char16_t c) {
    return IsAlpha(c) || IsDigit(c) ||
           std::u16string_view(u"-._~!$&'()*+,;=").find(c) != std::u16string_view::npos;
}

// The hex digits, colons and dots of an IPv6 literal (dots for an embedded IPv4 address).
bool IsIPv6Literal(std::u16string_view literal) {
    if (literal.find(u':') == literal.npos) {
        return false;
    }
    for (const char16_t c : literal) {
        if (!IsHexDigit(c) && c != u':' && c != u'.') {
            return false;
        }
    }
    return true;
}

std::optional<std::u16string> LowerCaseScheme(std::u16string_view scheme) {
    if (scheme.empty() || !IsAlpha(scheme.front())) {
        return std::nullopt;
    }
    std::u16string lower;
    for (const char16_t c : scheme) {
        if (!IsAlpha(c) && !IsDigit(c) && c != u'+' && c != u'-' && c != u'.') {
            return std::nullopt;
        }
        lower += c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
    }
    return lower;
}

// 1 to 65535; empty means the scheme's default.
std::optional<UInt16> PortOf(std::u16string_view digits, std::u16string_view scheme) {
    if (digits.empty()) {
        return scheme == u"https" ? HttpsPort : scheme == u"http" ? HttpPort : 0;
    }
    if (digits.size() > 5) {
        return std::nullopt;
    }
    UInt32 value = 0;
    for (const char16_t c : digits) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - u'0');
    }
    if (value == 0 || value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<UInt16>(value);
}

// Host and port text of an authority, or nothing when it is malformed.
std::optional<std::pair<std::u16string_view, std::u16string_view>>
SplitAuthority(std::u16string_view authority) {
    std::u16string_view host;
    std::u16string_view rest;
    if (!authority.empty() && authority.front() == u'[') {
        const std::size_t close = authority.find(u']');
        if (close == authority.npos || !IsIPv6Literal(authority.substr(1, close - 1))) {
            return std::nullopt;
        }
        host = authority.substr(1, close - 1);
        rest = authority.substr(close + 1);
    } else {
        const std::size_t colon = authority.find(u':');
        host = authority.substr(0, colon);
        rest = colon == authority.npos ? std::u16string_view() : authority.substr(colon);
        if (host.empty()) {
            return std::nullopt;
        }
        for (const char16_t c : host) {
            if (!IsHostNameCharacter(c)) {
                return std::nullopt;
            }
        }
    }
    if (!rest.empty() && rest.front() != u':') {
        return std::nullopt;
    }
    return std::pair(host, rest.empty() ? rest : rest.substr(1));
}

std::optional<Parts> Parse(std::u16string_view text) {
    for (const char16_t c : text) {
        if (IsBlankOrControl(c)) {
            return std::nullopt;
        }
    }
    const std::size_t schemeEnd = text.find(u"://");
    if (schemeEnd == text.npos) {
        return std::nullopt;
    }
    Parts parts;
    std::optional<std::u16string> scheme = LowerCaseScheme(text.substr(0, schemeEnd));
    if (!scheme) {
        return std::nullopt;
    }
    parts.scheme = std::move(*scheme);
    const std::u16string_view afterScheme = text.substr(schemeEnd + 3);
    const std::size_t authorityEnd = std::min(afterScheme.find_first_of(u"/?#"), afterScheme.size());
    const auto authority = SplitAuthority(afterScheme.substr(0, authorityEnd));
    if (!authority) {
        return std::nullopt;
    }
    const std::optional<UInt16> port = PortOf(authority->second, parts.scheme);
    if (!port) {
        return std::nullopt;
    }
    parts.host = authority->first;
    parts.port = *port;
    const std::u16string_view afterAuthority = afterScheme.substr(authorityEnd);
    parts.path = afterAuthority.substr(0, afterAuthority.find_first_of(u"?#"));
    return parts;
}

GS::UniString ToUniString(std::u16string_view units) {
    return GS::UniString(units.data(), static_cast<USize>(units.size()));
}

} // namespace

URI::URI(const GS::UniString& source) : text(source) {
    const std::u16string units = GS::Host::ToUtf16(text); // the parts are views into it
    const std::optional<Parts> parts = Parse(units);
    if (!parts) {
        return;
    }
    scheme = ToUniString(parts->scheme);
    host = ToUniString(parts->host);
    port = parts->port;
    path = ToUniString(parts->path);
}

URI::URI(const char* source) : URI(GS::UniString(source, GS::CC_UTF8)) {}

URI::URI(const URI& source) = default;

URI::~URI() = default;

GS::UniString URI::GetPath() const {
    return path;
}

} // namespace IO::URI
