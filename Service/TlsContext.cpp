#include "TlsContext.hpp"

#include <openssl/ssl.h>

#include <stdexcept>

namespace kavelo {

boost::asio::ssl::context MakeTlsContext(const std::filesystem::path& certificateChain,
                                         const std::filesystem::path& key) {
    namespace ssl = boost::asio::ssl;
    ssl::context context(ssl::context::tls_server);
    SSL_CTX* native = context.native_handle();
    if (SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION) != 1 ||
        SSL_CTX_set_max_proto_version(native, TLS1_3_VERSION) != 1 ||
        SSL_CTX_set_cipher_list(native, "ECDHE+AESGCM:ECDHE+CHACHA20") != 1)
        throw std::runtime_error("cannot configure TLS");
    SSL_CTX_set_options(native,
                        SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE | SSL_OP_NO_COMPRESSION);

    boost::system::error_code error;
    context.use_certificate_chain_file(certificateChain.string(), error);
    if (error)
        throw std::runtime_error("cannot use the certificate " + certificateChain.string() + ": " +
                                 error.message());
    context.use_private_key_file(key.string(), ssl::context::pem, error);
    if (error)
        throw std::runtime_error("cannot use the key " + key.string() + ": " + error.message());
    if (SSL_CTX_check_private_key(native) != 1)
        throw std::runtime_error("the key " + key.string() + " does not belong to " +
                                 certificateChain.string());
    return context;
}

} // namespace kavelo
