#pragma once

// Certificates made at test time: a test CA and server certificates for the test TLS server.

#include <string>

namespace HttpTest {

struct Credentials {
    std::string certificatePem;
    std::string privateKeyPem;
};

struct TestCertificates {
    std::string caCertificatePem;
    std::string caFile;    // caCertificatePem in a file of this process, for AddTrustedCertificateFile
    Credentials localhost; // issued by the test CA for localhost, 127.0.0.1 and ::1
    Credentials otherHost; // issued by the test CA for kavelo.test only
    Credentials
        nameInCommonNameOnly; // issued by the test CA: common name localhost, alternative name 127.0.0.1
    Credentials selfSigned;   // for localhost and 127.0.0.1, signed by its own key

    static const TestCertificates& Get(); // made once per process
};

} // namespace HttpTest
