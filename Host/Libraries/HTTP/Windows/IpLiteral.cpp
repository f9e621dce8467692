#include "Origin.hpp"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

namespace HTTP {

bool IsIpLiteral(std::string_view host) {
    const std::string text(host);
    in6_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1 ||
           inet_pton(AF_INET6, text.c_str(), &address) == 1;
}

} // namespace HTTP
