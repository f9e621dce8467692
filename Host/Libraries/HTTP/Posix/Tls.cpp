#include "Tls.hpp"

#include "Settings.hpp"
#include "Text.hpp"

#include <openssl/x509v3.h>

namespace HTTP::Tls {

boost::asio::ssl::context MakeClientContext() {
    boost::asio::ssl::context context(boost::asio::ssl::context::tls_client);
    if (SSL_CTX_set_min_proto_version(context.native_handle(), TLS1_2_VERSION) != 1) {
        Throw("could not restrict TLS to version 1.2 or later");
    }
    boost::system::error_code error;
    context.set_default_verify_paths(error);
    if (error) {
        Throw("could not load the system's trusted certificates: " + error.message());
    }
    if (!Settings::AddTrustedCertificates(context.native_handle())) {
        Throw("could not add the extra trusted certificates");
    }
    context.set_verify_mode(boost::asio::ssl::verify_peer);
    return context;
}

void ExpectServer(SSL* ssl, const std::string& host, bool isIpLiteral) {
    X509_VERIFY_PARAM* parameters = SSL_get0_param(ssl);
    bool accepted = false;
    if (isIpLiteral) {
        // Server names must not be IP addresses, so an IP literal goes without SNI.
        accepted = X509_VERIFY_PARAM_set1_ip_asc(parameters, host.c_str()) == 1;
    } else {
        // Names are matched against the subject alternative names only, as browsers and curl do:
        // a certificate that names the host only in its common name is not for that host.
        X509_VERIFY_PARAM_set_hostflags(parameters, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS |
                                                        X509_CHECK_FLAG_NEVER_CHECK_SUBJECT);
        accepted = X509_VERIFY_PARAM_set1_host(parameters, host.c_str(), host.size()) == 1 &&
                   SSL_set_tlsext_host_name(ssl, host.c_str()) == 1;
    }
    if (!accepted) {
        Throw("cannot verify the server name '" + host + "'");
    }
}

std::optional<std::string> DescribeVerifyFailure(const SSL* ssl, const std::string& host) {
    const long result = SSL_get_verify_result(ssl);
    if (result == X509_V_OK) {
        return std::nullopt;
    }
    return "certificate verify failed: " + std::string(X509_verify_cert_error_string(result)) + " (host " +
           host + ")";
}

} // namespace HTTP::Tls
