#include "Proxy.hpp"

#include "Origin.hpp"
#include "Text.hpp"

#include <openssl/evp.h>

#include <charconv>
#include <cstdlib>

namespace HTTP::Proxy {

namespace {

constexpr UInt16 DefaultPort = 1080; // curl's, for a proxy URL without one

struct Variable {
    std::string_view name;
    std::string_view value;
};

// The lower-case variable first, as curl reads them.
Variable Read(const char* lowerCase, const char* upperCase) {
    for (const char* name : {lowerCase, upperCase}) {
        if (const char* value = std::getenv(name)) {
            return {name, value};
        }
    }
    return {lowerCase, ""};
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low >= 0) {
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

[[noreturn]] void Unusable(std::string_view variable, const std::string& reason) {
    Throw("cannot use the proxy of " + std::string(variable) + ": " + reason);
}

Server Parse(std::string_view url, std::string_view variable) {
    if (const auto separator = url.find("://"); separator != std::string_view::npos) {
        const std::string_view scheme = url.substr(0, separator);
        if (!EqualsIgnoringCase(scheme, "http")) {
            Unusable(variable, "scheme '" + std::string(scheme) + "' is not supported, only http://");
        }
        url.remove_prefix(separator + 3);
    }
    url = url.substr(0, url.find_first_of("/?#"));
    Server server;
    if (const auto at = url.rfind('@'); at != std::string_view::npos) {
        const std::string_view userInfo = url.substr(0, at);
        const auto colon = userInfo.find(':');
        server.credentials =
            PercentDecoded(userInfo.substr(0, colon)) + ":" +
            (colon == std::string_view::npos ? "" : PercentDecoded(userInfo.substr(colon + 1)));
        url.remove_prefix(at + 1);
    }
    std::string_view port;
    if (url.starts_with('[')) {
        const auto close = url.find(']');
        if (close == std::string_view::npos) {
            Unusable(variable, "unclosed '[' in its host");
        }
        server.host = url.substr(1, close - 1);
        port = url.substr(close + 1);
        if (!port.empty() && !port.starts_with(':')) {
            Unusable(variable, "unexpected text after its host");
        }
    } else {
        const auto colon = url.find(':');
        server.host = url.substr(0, colon);
        port = colon == std::string_view::npos ? std::string_view{} : url.substr(colon);
    }
    if (server.host.empty()) {
        Unusable(variable, "it names no host");
    }
    server.port = DefaultPort;
    if (port.size() > 1) {
        const std::string_view digits = port.substr(1);
        unsigned number = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (error != std::errc{} || end != digits.data() + digits.size() || number == 0 || number > 65535) {
            Unusable(variable, "its port '" + std::string(digits) + "' is not a port number");
        }
        server.port = static_cast<UInt16>(number);
    }
    return server;
}

// curl's matching: a list of names separated by commas or spaces, each matching itself and the names
// below it ("example.com" and ".example.com" both match "www.example.com"); "*" alone matches all.
bool IsExempt(std::string_view host, std::string_view list) {
    const auto isSeparator = [](char c) { return c == ',' || c == ' '; };
    if (const auto first = list.find_first_not_of(", "); first != std::string_view::npos) {
        const std::string_view trimmed = list.substr(first, list.find_last_not_of(", ") - first + 1);
        if (trimmed == "*") {
            return true;
        }
    }
    if (host.ends_with('.')) {
        host.remove_suffix(1);
    }
    while (!list.empty()) {
        std::size_t end = 0;
        while (end < list.size() && !isSeparator(list[end])) {
            ++end;
        }
        std::string_view entry = list.substr(0, end);
        list.remove_prefix(std::min(end + 1, list.size()));
        if (entry.starts_with('.')) {
            entry.remove_prefix(1);
        }
        if (entry.size() > 2 && entry.starts_with('[') && entry.ends_with(']')) {
            entry = entry.substr(1, entry.size() - 2);
        }
        if (entry.ends_with('.')) {
            entry.remove_suffix(1);
        }
        if (entry.empty() || entry.size() > host.size()) {
            continue;
        }
        const std::string_view tail = host.substr(host.size() - entry.size());
        if (EqualsIgnoringCase(tail, entry) &&
            (tail.size() == host.size() || host[host.size() - entry.size() - 1] == '.')) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string Server::Name() const {
    return "proxy " + Authority(host, port);
}

std::optional<Server> ForOrigin(std::string_view originHost) {
    const Variable proxy = Read("https_proxy", "HTTPS_PROXY");
    if (proxy.value.empty() || IsExempt(originHost, Read("no_proxy", "NO_PROXY").value)) {
        return std::nullopt;
    }
    return Parse(proxy.value, proxy.name);
}

std::string BasicAuthorization(const std::string& credentials) {
    std::string encoded(4 * ((credentials.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                       reinterpret_cast<const unsigned char*>(credentials.data()),
                                       static_cast<int>(credentials.size()));
    encoded.resize(static_cast<std::size_t>(length));
    return "Basic " + encoded;
}

} // namespace HTTP::Proxy
