#include "Origin.hpp"

#include <boost/asio/ip/address.hpp>

namespace HTTP {

bool IsIpLiteral(std::string_view host) {
    boost::system::error_code error;
    boost::asio::ip::make_address(host, error);
    return !error;
}

} // namespace HTTP
