#include "Tls.hpp"

#include "Failures.hpp"
#include "Settings.hpp"
#include "Text.hpp"

#include <openssl/err.h>
#include <openssl/x509v3.h>

#include <cstdlib>

namespace HTTP::Tls {

namespace {

// The system's authorities are looked up in its hashed certificate folder when a chain needs one,
// rather than all parsed from the bundle file for every connection: the bundle's 140-odd
// certificates cost more than the rest of a 1 MB upload. A bundle named in the environment
// (SSL_CERT_FILE) is still read whole. As with OpenSSL's default paths, a folder or bundle that
// is missing trusts nothing and is no error.
bool TrustSystemAuthorities(X509_STORE* store) {
    X509_LOOKUP* folder = X509_STORE_add_lookup(store, X509_LOOKUP_hash_dir());
    if (folder == nullptr) {
        return false;
    }
    X509_LOOKUP_add_dir(folder, nullptr, X509_FILETYPE_DEFAULT);
    if (std::getenv(X509_get_default_cert_file_env()) != nullptr) {
        X509_LOOKUP* bundle = X509_STORE_add_lookup(store, X509_LOOKUP_file());
        if (bundle == nullptr) {
            return false;
        }
        X509_LOOKUP_load_file(bundle, nullptr, X509_FILETYPE_DEFAULT);
    }
    ERR_clear_error();
    return true;
}

} // namespace

boost::asio::ssl::context MakeClientContext() {
    boost::asio::ssl::context context(boost::asio::ssl::context::tls_client);
    if (SSL_CTX_set_min_proto_version(context.native_handle(), TLS1_2_VERSION) != 1) {
        Throw("could not restrict TLS to version 1.2 or later");
    }
    if (!TrustSystemAuthorities(SSL_CTX_get_cert_store(context.native_handle()))) {
        Throw("could not load the system's trusted certificates");
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
    return Failures::CertificateRefused(std::string(X509_verify_cert_error_string(result)) + " (host " +
                                        host + ")");
}

} // namespace HTTP::Tls
