#include "LocalAuthority.hpp"

#include <fcntl.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace kavelo {

namespace {

template <class T, auto Free>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using Extension = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION, X509_EXTENSION_free>>;
using BigNumber = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_free>>;

constexpr long kDay = 24 * 60 * 60;
constexpr long kAuthorityDays = 3650;
// Browsers refuse server certificates valid for longer than 398 days.
constexpr long kServerDays = 397;
constexpr long kRenewWithinDays = 30;

constexpr const char* kLoopbackOnly = "critical,permitted;DNS:localhost,permitted;IP:127.0.0.0/255.0.0.0,"
                                      "permitted;IP:::1/ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff";

[[noreturn]] void Fail(const std::string& what) {
    const unsigned long code = ERR_get_error();
    char reason[256] = "no details";
    if (code != 0)
        ERR_error_string_n(code, reason, sizeof reason);
    ERR_clear_error();
    throw std::runtime_error(what + ": " + reason);
}

void Check(int result, const std::string& what) {
    if (result <= 0)
        Fail(what);
}

Key NewKey() {
    Key key(EVP_EC_gen("P-256"));
    if (!key)
        Fail("cannot generate a key");
    return key;
}

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    const Extension extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value));
    if (!extension)
        Fail(std::string("cannot make the certificate extension ") + OBJ_nid2sn(nid));
    Check(X509_add_ext(certificate, extension.get(), -1), "cannot add a certificate extension");
}

void SetName(X509_NAME* name, const char* commonName) {
    Check(X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>("KAVELO"), -1, -1, 0),
          "cannot set a certificate name");
    Check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0),
          "cannot set a certificate name");
}

// The common part of both certificates: version, random serial, validity from an hour before `now`
// (clocks disagree) and the subject's key. Self-issued when `issuer` is null.
Certificate NewCertificate(EVP_PKEY* subjectKey, const char* commonName, X509* issuer, long days,
                           std::time_t now) {
    Certificate certificate(X509_new());
    if (!certificate)
        Fail("cannot make a certificate");
    Check(X509_set_version(certificate.get(), X509_VERSION_3), "cannot set the certificate version");

    unsigned char serial[16];
    Check(RAND_bytes(serial, sizeof serial), "cannot make a serial number");
    serial[0] &= 0x7f; // positive
    const BigNumber number(BN_bin2bn(serial, sizeof serial, nullptr));
    if (!number || !BN_to_ASN1_INTEGER(number.get(), X509_get_serialNumber(certificate.get())))
        Fail("cannot set the serial number");

    std::time_t start = now;
    if (!X509_time_adj_ex(X509_getm_notBefore(certificate.get()), 0, -3600, &start) ||
        !X509_time_adj_ex(X509_getm_notAfter(certificate.get()), static_cast<int>(days), 0, &start))
        Fail("cannot set the validity");

    SetName(X509_get_subject_name(certificate.get()), commonName);
    Check(X509_set_issuer_name(certificate.get(), issuer ? X509_get_subject_name(issuer)
                                                         : X509_get_subject_name(certificate.get())),
          "cannot set the issuer");
    Check(X509_set_pubkey(certificate.get(), subjectKey), "cannot set the public key");
    return certificate;
}

Certificate MakeAuthority(EVP_PKEY* key, std::time_t now) {
    Certificate authority =
        NewCertificate(key, "KAVELO local service authority", nullptr, kAuthorityDays, now);
    X509* self = authority.get();
    AddExtension(self, self, NID_basic_constraints, "critical,CA:TRUE,pathlen:0");
    AddExtension(self, self, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(self, self, NID_subject_key_identifier, "hash");
    AddExtension(self, self, NID_name_constraints, kLoopbackOnly);
    Check(X509_sign(self, key, EVP_sha256()), "cannot sign the authority's certificate");
    return authority;
}

Certificate IssueServerCertificate(EVP_PKEY* serverKey, X509* authority, EVP_PKEY* authorityKey,
                                   std::time_t now) {
    Certificate certificate = NewCertificate(serverKey, "localhost", authority, kServerDays, now);
    X509* server = certificate.get();
    AddExtension(server, authority, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(server, authority, NID_key_usage, "critical,digitalSignature");
    AddExtension(server, authority, NID_ext_key_usage, "serverAuth");
    AddExtension(server, authority, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1,IP:::1");
    AddExtension(server, authority, NID_subject_key_identifier, "hash");
    AddExtension(server, authority, NID_authority_key_identifier, "keyid:always");
    Check(X509_sign(server, authorityKey, EVP_sha256()), "cannot sign the server certificate");
    return certificate;
}

// Replaces `path` with `text` in one step (temporary file, sync, rename), created with `mode`.
void WriteFileAtomically(const std::filesystem::path& path, const std::string& text, mode_t mode) {
    std::filesystem::path partial = path;
    partial += ".part";
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        throw std::runtime_error("cannot create " + partial.string());
    const bool written = ::fchmod(fd, mode) == 0 &&
                         ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                         ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(partial.c_str(), path.c_str()) != 0) {
        ::unlink(partial.c_str());
        throw std::runtime_error("cannot write " + path.string());
    }
}

template <class Write>
std::string ToPem(Write write) {
    const Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || write(bio.get()) <= 0)
        Fail("cannot encode PEM");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

void SaveCertificate(const std::filesystem::path& path, X509* certificate) {
    WriteFileAtomically(path, ToPem([&](BIO* bio) { return PEM_write_bio_X509(bio, certificate); }), 0644);
}

void SaveKey(const std::filesystem::path& path, EVP_PKEY* key) {
    WriteFileAtomically(path, ToPem([&](BIO* bio) {
                            return PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
                        }),
                        0600);
}

Bio OpenForReading(const std::filesystem::path& path) {
    Bio bio(BIO_new_file(path.c_str(), "r"));
    if (!bio)
        Fail("cannot open " + path.string());
    return bio;
}

Certificate LoadCertificate(const std::filesystem::path& path) {
    Certificate certificate(PEM_read_bio_X509(OpenForReading(path).get(), nullptr, nullptr, nullptr));
    if (!certificate)
        Fail("cannot read the certificate " + path.string() + " (delete it to have a new one made)");
    return certificate;
}

Key LoadKey(const std::filesystem::path& path) {
    Key key(PEM_read_bio_PrivateKey(OpenForReading(path).get(), nullptr, nullptr, nullptr));
    if (!key)
        Fail("cannot read the key " + path.string() + " (delete it to have a new one made)");
    return key;
}

bool ExpiresSoon(X509* certificate, std::time_t now) {
    std::time_t limit = now + kRenewWithinDays * kDay;
    return X509_cmp_time(X509_get0_notAfter(certificate), &limit) <= 0;
}

bool IssuedBy(X509* certificate, X509* authority, EVP_PKEY* authorityKey) {
    return X509_check_issued(authority, certificate) == X509_V_OK &&
           X509_verify(certificate, authorityKey) == 1;
}

} // namespace

ServerIdentity EnsureLocalIdentity(const std::filesystem::path& folder, std::time_t now) {
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    ServerIdentity identity{folder / "server.pem", folder / "server-key.pem", folder / "ca.pem"};
    const std::filesystem::path authorityKeyPath = folder / "ca-key.pem";

    Key authorityKey;
    Certificate authority;
    if (std::filesystem::exists(identity.authority) && std::filesystem::exists(authorityKeyPath)) {
        authority = LoadCertificate(identity.authority);
        authorityKey = LoadKey(authorityKeyPath);
    }
    if (!authority || ExpiresSoon(authority.get(), now)) {
        authorityKey = NewKey();
        authority = MakeAuthority(authorityKey.get(), now);
        SaveKey(authorityKeyPath, authorityKey.get());
        SaveCertificate(identity.authority, authority.get());
        identity.authorityCreated = true;
    }

    bool current = false;
    if (std::filesystem::exists(identity.certificate) && std::filesystem::exists(identity.key)) {
        const Certificate server = LoadCertificate(identity.certificate);
        const Key serverKey = LoadKey(identity.key);
        current = X509_check_private_key(server.get(), serverKey.get()) == 1 &&
                  IssuedBy(server.get(), authority.get(), authorityKey.get()) &&
                  !ExpiresSoon(server.get(), now);
        ERR_clear_error(); // a failed check above leaves its reasons queued
    }
    if (!current) {
        const Key serverKey = NewKey();
        const Certificate server =
            IssueServerCertificate(serverKey.get(), authority.get(), authorityKey.get(), now);
        SaveKey(identity.key, serverKey.get());
        SaveCertificate(identity.certificate, server.get());
        identity.certificateIssued = true;
    }
    return identity;
}

} // namespace kavelo
