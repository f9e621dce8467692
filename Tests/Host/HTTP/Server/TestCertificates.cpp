#include "TestCertificates.hpp"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <unistd.h>

namespace HttpTest {

namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

void Check(bool succeeded, const char* step) {
    if (!succeeded) {
        throw std::runtime_error(std::string("making test certificates failed at ") + step);
    }
}

Key MakeKey() {
    Key key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
    Check(key != nullptr, "key generation");
    return key;
}

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    Check(extension != nullptr, value);
    const int added = X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
    Check(added == 1, value);
}

struct Signer {
    X509* certificate; // nullptr: the certificate signs itself
    EVP_PKEY* key;
};

// A serial number of its own for every certificate: Windows takes a certificate with the issuer and
// serial of one already in a store as that one, so a fixed serial would let an earlier run's test CA,
// kept in the prefix's root store, stand for this run's.
std::uint64_t RandomSerial() {
    std::uint64_t serial = 0;
    Check(RAND_bytes(reinterpret_cast<unsigned char*>(&serial), sizeof(serial)) == 1, "serial number");
    return serial >> 1; // positive, as a serial must be
}

// A CA when subjectAltNames is empty, else a server certificate for those names.
Certificate MakeCertificate(const char* commonName, EVP_PKEY* key, Signer signer,
                            const std::string& subjectAltNames) {
    Certificate certificate(X509_new(), &X509_free);
    X509* made = certificate.get();
    X509* issuer = signer.certificate != nullptr ? signer.certificate : made;
    const bool isCa = subjectAltNames.empty();
    Check(X509_set_version(made, X509_VERSION_3) == 1 &&
              ASN1_INTEGER_set_uint64(X509_get_serialNumber(made), RandomSerial()) == 1 &&
              X509_gmtime_adj(X509_getm_notBefore(made), -3600) != nullptr &&
              X509_gmtime_adj(X509_getm_notAfter(made), 24 * 3600) != nullptr &&
              X509_set_pubkey(made, key) == 1,
          "certificate fields");
    Check(X509_NAME_add_entry_by_txt(X509_get_subject_name(made), "CN", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0) == 1 &&
              X509_set_issuer_name(made, X509_get_subject_name(issuer)) == 1,
          "names");
    AddExtension(made, issuer, NID_basic_constraints, isCa ? "critical,CA:TRUE" : "critical,CA:FALSE");
    AddExtension(made, issuer, NID_key_usage,
                 isCa ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature");
    AddExtension(made, issuer, NID_subject_key_identifier, "hash");
    AddExtension(made, issuer, NID_authority_key_identifier, "keyid:always");
    if (!isCa) {
        AddExtension(made, issuer, NID_ext_key_usage, "serverAuth");
        AddExtension(made, issuer, NID_subject_alt_name, subjectAltNames.c_str());
    }
    Check(X509_sign(made, signer.key, EVP_sha256()) > 0, "signing");
    return certificate;
}

template <typename Write>
std::string ToPem(Write write) {
    std::unique_ptr<BIO, decltype(&BIO_free)> memory(BIO_new(BIO_s_mem()), &BIO_free);
    Check(memory != nullptr && write(memory.get()) == 1, "PEM encoding");
    char* data = nullptr;
    const long length = BIO_get_mem_data(memory.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

std::string ToPem(X509* certificate) {
    return ToPem([certificate](BIO* out) { return PEM_write_bio_X509(out, certificate); });
}

Credentials MakeCredentials(const char* commonName, const std::string& subjectAltNames,
                            const Signer* issuer) {
    Key key = MakeKey();
    const Signer signer = issuer != nullptr ? *issuer : Signer{nullptr, key.get()};
    Certificate certificate = MakeCertificate(commonName, key.get(), signer, subjectAltNames);
    return Credentials{ToPem(certificate.get()), ToPem([&key](BIO* out) {
                           return PEM_write_bio_PrivateKey(out, key.get(), nullptr, nullptr, 0, nullptr,
                                                           nullptr);
                       })};
}

// The CA file lives as long as the process.
class ProcessFile {
public:
    explicit ProcessFile(const std::string& content)
        : path(std::filesystem::temp_directory_path() /
               ("kavelo-http-test-ca-" + std::to_string(getpid()) + ".pem")) {
        std::ofstream(path) << content;
    }
    ~ProcessFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    std::filesystem::path path;
};

TestCertificates Make() {
    Key caKey = MakeKey();
    Certificate ca = MakeCertificate("KAVELO Test CA", caKey.get(), Signer{nullptr, caKey.get()}, "");
    const Signer testCa{ca.get(), caKey.get()};
    TestCertificates made;
    made.caCertificatePem = ToPem(ca.get());
    made.localhost = MakeCredentials("localhost", "DNS:localhost,IP:127.0.0.1,IP:::1", &testCa);
    made.otherHost = MakeCredentials("kavelo.test", "DNS:kavelo.test", &testCa);
    made.selfSigned = MakeCredentials("localhost", "DNS:localhost,IP:127.0.0.1", nullptr);
    made.nameInCommonNameOnly = MakeCredentials("localhost", "IP:127.0.0.1", &testCa);
    static const ProcessFile caFile(made.caCertificatePem);
    made.caFile = caFile.path.string();
    return made;
}

} // namespace

const TestCertificates& TestCertificates::Get() {
    static const TestCertificates certificates = Make();
    return certificates;
}

} // namespace HttpTest
