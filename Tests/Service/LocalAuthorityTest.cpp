#include "LocalAuthority.hpp"

#include "ServiceProcess.hpp"

#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace kavelo {
namespace {

using test::TempDir;

constexpr std::time_t kDay = 24 * 60 * 60;

struct X509Free {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
using Certificate = std::unique_ptr<X509, X509Free>;

Certificate Load(const std::filesystem::path& path) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_file(path.c_str(), "r"), BIO_free);
    return Certificate(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Verifies `leaf` against `authority` as a TLS client would for `name` (a host name or an IP
// address) at `now`; returns OpenSSL's verdict.
int Verify(X509* leaf, X509* authority, const std::string& name, std::time_t now) {
    std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)> store(X509_STORE_new(), X509_STORE_free);
    X509_STORE_add_cert(store.get(), authority);
    std::unique_ptr<X509_STORE_CTX, decltype(&X509_STORE_CTX_free)> context(X509_STORE_CTX_new(),
                                                                            X509_STORE_CTX_free);
    X509_STORE_CTX_init(context.get(), store.get(), leaf, nullptr);
    X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(context.get());
    X509_VERIFY_PARAM_set_time(param, now);
    X509_VERIFY_PARAM_set_purpose(param, X509_PURPOSE_SSL_SERVER);
    if (X509_VERIFY_PARAM_set1_ip_asc(param, name.c_str()) != 1)
        X509_VERIFY_PARAM_set1_host(param, name.c_str(), 0);
    X509_verify_cert(context.get());
    return X509_STORE_CTX_get_error(context.get());
}

std::filesystem::perms Permissions(const std::filesystem::path& path) {
    return std::filesystem::status(path).permissions() & std::filesystem::perms::all;
}

class ServiceLocalAuthorityTest : public testing::Test {
protected:
    std::filesystem::path Folder() const { return temp_.Path() / "tls"; }
    TempDir temp_;
    const std::time_t now_ = std::time(nullptr);
};

TEST_F(ServiceLocalAuthorityTest, IssuesACertificateForEveryLoopbackName) {
    const ServerIdentity identity = EnsureLocalIdentity(Folder(), now_);
    EXPECT_TRUE(identity.authorityCreated);
    EXPECT_TRUE(identity.certificateIssued);
    EXPECT_EQ(identity.authority, Folder() / "ca.pem");
    const Certificate authority = Load(identity.authority);
    const Certificate server = Load(identity.certificate);
    ASSERT_TRUE(authority && server);
    for (const char* name : {"localhost", "127.0.0.1", "::1"})
        EXPECT_EQ(Verify(server.get(), authority.get(), name, now_), X509_V_OK) << name;
    EXPECT_EQ(Verify(server.get(), authority.get(), "example.com", now_), X509_V_ERR_HOSTNAME_MISMATCH);
    EXPECT_EQ(Verify(server.get(), authority.get(), "127.0.0.2", now_), X509_V_ERR_IP_ADDRESS_MISMATCH);
    // Valid now and for a year, as browsers accept.
    EXPECT_EQ(Verify(server.get(), authority.get(), "localhost", now_ + 390 * kDay), X509_V_OK);
    EXPECT_EQ(Verify(server.get(), authority.get(), "localhost", now_ + 400 * kDay),
              X509_V_ERR_CERT_HAS_EXPIRED);
}

TEST_F(ServiceLocalAuthorityTest, KeysAreTheOwnersAlone) {
    const ServerIdentity identity = EnsureLocalIdentity(Folder(), now_);
    EXPECT_EQ(Permissions(identity.key),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(Permissions(Folder() / "ca-key.pem"),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(Permissions(Folder()), std::filesystem::perms::owner_all);
}

TEST_F(ServiceLocalAuthorityTest, ReusesWhatItMade) {
    const ServerIdentity first = EnsureLocalIdentity(Folder(), now_);
    const std::string authority = ReadAll(first.authority);
    const std::string certificate = ReadAll(first.certificate);
    const ServerIdentity second = EnsureLocalIdentity(Folder(), now_ + kDay);
    EXPECT_FALSE(second.authorityCreated);
    EXPECT_FALSE(second.certificateIssued);
    EXPECT_EQ(ReadAll(second.authority), authority);
    EXPECT_EQ(ReadAll(second.certificate), certificate);
}

TEST_F(ServiceLocalAuthorityTest, RenewsTheServerCertificateBeforeItExpires) {
    const ServerIdentity first = EnsureLocalIdentity(Folder(), now_);
    const std::string authority = ReadAll(first.authority);
    const std::string certificate = ReadAll(first.certificate);
    const std::time_t later = now_ + 370 * kDay;
    const ServerIdentity renewed = EnsureLocalIdentity(Folder(), later);
    EXPECT_FALSE(renewed.authorityCreated);
    EXPECT_TRUE(renewed.certificateIssued);
    EXPECT_EQ(ReadAll(renewed.authority), authority);
    EXPECT_NE(ReadAll(renewed.certificate), certificate);
    EXPECT_EQ(Verify(Load(renewed.certificate).get(), Load(renewed.authority).get(), "localhost",
                     later + 300 * kDay),
              X509_V_OK);
}

TEST_F(ServiceLocalAuthorityTest, ReissuesACertificateFromAnotherAuthority) {
    const ServerIdentity mine = EnsureLocalIdentity(Folder(), now_);
    const ServerIdentity other = EnsureLocalIdentity(temp_.Path() / "other", now_);
    std::filesystem::copy_file(other.certificate, mine.certificate,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(other.key, mine.key, std::filesystem::copy_options::overwrite_existing);
    const ServerIdentity again = EnsureLocalIdentity(Folder(), now_);
    EXPECT_TRUE(again.certificateIssued);
    EXPECT_EQ(Verify(Load(again.certificate).get(), Load(again.authority).get(), "localhost", now_),
              X509_V_OK);
}

// Trusting the authority must not make any other site trusted, even if its key leaked.
TEST_F(ServiceLocalAuthorityTest, AuthorityCannotVouchForOtherNames) {
    const ServerIdentity identity = EnsureLocalIdentity(Folder(), now_);
    const Certificate authority = Load(identity.authority);
    std::unique_ptr<BIO, decltype(&BIO_free)> keyFile(BIO_new_file((Folder() / "ca-key.pem").c_str(), "r"),
                                                      BIO_free);
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> authorityKey(
        PEM_read_bio_PrivateKey(keyFile.get(), nullptr, nullptr, nullptr), EVP_PKEY_free);
    ASSERT_TRUE(authorityKey);

    const Certificate forged(X509_new());
    X509_set_version(forged.get(), X509_VERSION_3);
    ASN1_INTEGER_set(X509_get_serialNumber(forged.get()), 2);
    X509_gmtime_adj(X509_getm_notBefore(forged.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(forged.get()), 3600);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(forged.get()), "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("example.com"), -1, -1, 0);
    X509_set_issuer_name(forged.get(), X509_get_subject_name(authority.get()));
    X509_set_pubkey(forged.get(), authorityKey.get());
    X509V3_CTX context;
    X509V3_set_ctx(&context, authority.get(), forged.get(), nullptr, nullptr, 0);
    X509_EXTENSION* names = X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name, "DNS:example.com");
    X509_add_ext(forged.get(), names, -1);
    X509_EXTENSION_free(names);
    ASSERT_GT(X509_sign(forged.get(), authorityKey.get(), EVP_sha256()), 0);

    EXPECT_EQ(Verify(forged.get(), authority.get(), "example.com", now_), X509_V_ERR_PERMITTED_VIOLATION);
}

TEST_F(ServiceLocalAuthorityTest, DamagedFileIsReportedNotReplaced) {
    const ServerIdentity identity = EnsureLocalIdentity(Folder(), now_);
    std::ofstream(identity.authority) << "not a certificate";
    try {
        EnsureLocalIdentity(Folder(), now_);
        FAIL() << "a damaged authority certificate was accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(identity.authority.string()), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(ReadAll(identity.authority), "not a certificate");
}

} // namespace
} // namespace kavelo
