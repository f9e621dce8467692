#include "Url.hpp"

#include <charconv>

namespace kavelo {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> Decode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

Target SplitTarget(std::string_view target) {
    const auto mark = target.find('?');
    if (mark == std::string_view::npos)
        return {target, {}};
    return {target.substr(0, mark), target.substr(mark + 1)};
}

std::optional<AbsoluteTarget> SplitAbsoluteTarget(std::string_view target) {
    const auto separator = target.find("://");
    if (target.starts_with('/') || separator == std::string_view::npos || separator == 0)
        return std::nullopt;
    const std::string_view rest = target.substr(separator + 3);
    const auto pathStart = rest.find_first_of("/?");
    AbsoluteTarget absolute{target.substr(0, separator), rest.substr(0, pathStart), {}};
    if (pathStart != std::string_view::npos)
        absolute.originForm = rest.substr(pathStart);
    if (!absolute.originForm.starts_with('/'))
        absolute.originForm.insert(0, "/");
    return absolute;
}

std::optional<std::uint16_t> AuthorityPort(std::string_view authority, std::uint16_t defaultPort) {
    const auto colon = authority.rfind(':');
    if (colon == std::string_view::npos || authority.find(']', colon) != std::string_view::npos)
        return defaultPort;
    const std::string_view digits = authority.substr(colon + 1);
    if (digits.empty())
        return defaultPort;
    unsigned port = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (error != std::errc{} || end != digits.data() + digits.size() || port == 0 || port > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

std::optional<std::string> FormValue(std::string_view form, std::string_view key) {
    while (!form.empty()) {
        const auto end = form.find('&');
        const std::string_view pair = form.substr(0, end);
        form = end == std::string_view::npos ? std::string_view{} : form.substr(end + 1);
        const auto equals = pair.find('=');
        const std::string_view name = pair.substr(0, equals);
        if (name == key)
            return Decode(equals == std::string_view::npos ? std::string_view{} : pair.substr(equals + 1));
    }
    return std::nullopt;
}

std::string PercentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xf];
        }
    }
    return out;
}

std::string_view CookieValue(std::string_view header, std::string_view name) {
    while (!header.empty()) {
        const auto end = header.find(';');
        std::string_view pair = header.substr(0, end);
        header = end == std::string_view::npos ? std::string_view{} : header.substr(end + 1);
        while (pair.starts_with(' '))
            pair.remove_prefix(1);
        if (pair.size() > name.size() && pair.starts_with(name) && pair[name.size()] == '=')
            return pair.substr(name.size() + 1);
    }
    return {};
}

} // namespace kavelo
