#include "Origin.hpp"

#include "Text.hpp"

namespace HTTP {

namespace {

constexpr UInt16 HttpsPort = 443;

std::string Bracketed(std::string_view host) {
    return host.find(':') == std::string_view::npos ? std::string(host) : "[" + std::string(host) + "]";
}

} // namespace

Origin OriginOf(const IO::URI::URI& uri) {
    const std::string text = ToUtf8(uri.ToString());
    const std::string scheme = ToUtf8(uri.GetScheme());
    if (scheme.empty()) {
        Throw("invalid URI '" + text + "': an absolute https URI is needed");
    }
    if (scheme != "https") {
        Throw("unsupported scheme '" + scheme + "' in '" + text + "': only https is supported");
    }
    std::string host = ToUtf8(uri.GetHost());
    const bool isIpLiteral = IsIpLiteral(host);
    return Origin{std::move(host), uri.GetPort(), isIpLiteral};
}

std::string Authority(std::string_view host, UInt16 port) {
    return Bracketed(host) + ":" + std::to_string(port);
}

std::string HostField(const Origin& origin) {
    return origin.port == HttpsPort ? Bracketed(origin.host) : Authority(origin.host, origin.port);
}

} // namespace HTTP
