#include "Settings.hpp"

#include "HTTPHost.hpp"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

namespace HTTP {

namespace {

using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

struct Store {
    std::mutex mutex;
    std::vector<Certificate> trusted;
    std::map<std::pair<std::string, UInt16>, Settings::Endpoint> connectTo; // keyed by lower-case host
    UInt64 bodyLimit = Host::DefaultResponseBodyLimit;
};

Store& TheStore() {
    static Store store;
    return store;
}

std::string OpenSslReason() {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) {
        return "unknown error";
    }
    if (ERR_SYSTEM_ERROR(code)) {
        return std::generic_category().message(ERR_GET_REASON(code));
    }
    const char* reason = ERR_reason_error_string(code);
    return reason != nullptr ? reason : "OpenSSL error " + std::to_string(code);
}

std::vector<Certificate> ReadCertificates(const std::string& path) {
    ERR_clear_error();
    std::unique_ptr<BIO, decltype(&BIO_free)> file(BIO_new_file(path.c_str(), "r"), &BIO_free);
    if (!file) {
        throw std::runtime_error("cannot read trusted certificate file '" + path + "': " + OpenSslReason());
    }
    std::vector<Certificate> certificates;
    while (X509* certificate = PEM_read_bio_X509(file.get(), nullptr, nullptr, nullptr)) {
        certificates.emplace_back(certificate, &X509_free);
    }
    // The loop ends with "no start line" at the end of the file; anything else is a damaged entry.
    const unsigned long last = ERR_peek_last_error();
    if (ERR_GET_LIB(last) == ERR_LIB_PEM && ERR_GET_REASON(last) == PEM_R_NO_START_LINE) {
        ERR_clear_error();
    } else if (last != 0) {
        throw std::runtime_error("malformed certificate in '" + path + "': " + OpenSslReason());
    }
    if (certificates.empty()) {
        throw std::runtime_error("no PEM certificate in '" + path + "'");
    }
    return certificates;
}

} // namespace

namespace Host {

void AddTrustedCertificateFile(const std::string& path) {
    std::vector<Certificate> certificates = ReadCertificates(path);
    std::lock_guard lock(TheStore().mutex);
    std::move(certificates.begin(), certificates.end(), std::back_inserter(TheStore().trusted));
}

void SetConnectTo(const std::string& host, UInt16 port, const std::string& toHost, UInt16 toPort) {
    std::lock_guard lock(TheStore().mutex);
    TheStore().connectTo.insert_or_assign({LowerCase(host), port}, Settings::Endpoint{toHost, toPort});
}

void ClearConnectTo() {
    std::lock_guard lock(TheStore().mutex);
    TheStore().connectTo.clear();
}

void SetResponseBodyLimit(UInt64 bytes) {
    std::lock_guard lock(TheStore().mutex);
    TheStore().bodyLimit = bytes;
}

void ResetSettings() {
    std::lock_guard lock(TheStore().mutex);
    TheStore().trusted.clear();
    TheStore().connectTo.clear();
    TheStore().bodyLimit = DefaultResponseBodyLimit;
}

} // namespace Host

namespace Settings {

std::optional<Endpoint> FindConnectTo(std::string_view host, UInt16 port) {
    std::lock_guard lock(TheStore().mutex);
    const auto found = TheStore().connectTo.find({LowerCase(host), port});
    if (found == TheStore().connectTo.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool AddTrustedCertificates(SSL_CTX* context) {
    X509_STORE* store = SSL_CTX_get_cert_store(context);
    std::lock_guard lock(TheStore().mutex);
    return std::all_of(TheStore().trusted.begin(), TheStore().trusted.end(),
                       [store](const Certificate& certificate) {
                           return X509_STORE_add_cert(store, certificate.get()) == 1;
                       });
}

UInt64 ResponseBodyLimit() {
    std::lock_guard lock(TheStore().mutex);
    return TheStore().bodyLimit;
}

} // namespace Settings

} // namespace HTTP
