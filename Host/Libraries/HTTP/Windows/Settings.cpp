// The host-side settings on Windows. Trust is the system's: an extra CA goes into the current user's
// root store, as a developer trusts a local development CA, and WinHTTP's own verification then
// accepts its servers before any byte of a request is sent.

#include "Settings.hpp"
#include "HTTPHost.hpp"

#include <windows.h>

#include <wincrypt.h> // after windows.h, whose types it uses

#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace HTTP {
namespace {

struct Store {
    std::mutex mutex;
    UInt64 bodyLimit = Host::DefaultResponseBodyLimit;
};

Store& TheStore() {
    static Store store;
    return store;
}

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (!file || !(text << file.rdbuf())) {
        throw std::runtime_error("cannot read trusted certificate file '" + path + "'");
    }
    return text.str();
}

// The DER bytes of each PEM certificate in the text.
std::vector<std::vector<BYTE>> DecodeCertificates(const std::string& text, const std::string& path) {
    constexpr std::string_view Begin = "-----BEGIN CERTIFICATE-----";
    constexpr std::string_view End = "-----END CERTIFICATE-----";
    std::vector<std::vector<BYTE>> certificates;
    for (std::size_t at = text.find(Begin); at != std::string::npos; at = text.find(Begin, at)) {
        const std::size_t end = text.find(End, at);
        if (end == std::string::npos) {
            throw std::runtime_error("malformed certificate in '" + path + "': no end line");
        }
        const std::string pem = text.substr(at, end + End.size() - at);
        DWORD size = 0;
        if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                                  nullptr, &size, nullptr, nullptr)) {
            throw std::runtime_error("malformed certificate in '" + path + "'");
        }
        std::vector<BYTE>& der = certificates.emplace_back(size);
        CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                             der.data(), &size, nullptr, nullptr);
        at = end + End.size();
    }
    if (certificates.empty()) {
        throw std::runtime_error("no PEM certificate in '" + path + "'");
    }
    return certificates;
}

} // namespace

namespace Host {

void AddTrustedCertificateFile(const std::string& path) {
    const std::vector<std::vector<BYTE>> certificates = DecodeCertificates(ReadText(path), path);
    const HCERTSTORE root = CertOpenSystemStoreW(0, L"ROOT");
    if (root == nullptr) {
        throw std::runtime_error("cannot open the current user's root certificate store");
    }
    const std::unique_ptr<void, void (*)(HCERTSTORE)> closer(
        root, [](HCERTSTORE store) { CertCloseStore(store, 0); });
    for (const std::vector<BYTE>& der : certificates) {
        if (!CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(),
                                              static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING,
                                              nullptr)) {
            throw std::runtime_error("the root store refused a certificate of '" + path + "' (error " +
                                     std::to_string(GetLastError()) + ")");
        }
    }
}

void SetConnectTo(const std::string&, UInt16, const std::string&, UInt16) {
    throw std::runtime_error("connect-to is not available on Windows: WinHTTP connects where the URL says");
}

void ClearConnectTo() {}

void SetResponseBodyLimit(UInt64 bytes) {
    std::lock_guard lock(TheStore().mutex);
    TheStore().bodyLimit = bytes;
}

// Certificates added to the user's root store stay there, as the system's own trust does.
void ResetSettings() {
    std::lock_guard lock(TheStore().mutex);
    TheStore().bodyLimit = DefaultResponseBodyLimit;
}

} // namespace Host

namespace Settings {

UInt64 ResponseBodyLimit() {
    std::lock_guard lock(TheStore().mutex);
    return TheStore().bodyLimit;
}

} // namespace Settings
} // namespace HTTP
