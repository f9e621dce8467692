#pragma once

// The fixture of the HTTP client's tests against the in-process test server.

#include "ClientChecks.hpp"
#include "HTTPHost.hpp"
#include "TestCertificates.hpp"
#include "TestServer.hpp"

#include <gtest/gtest.h>

namespace HttpTest {

// Every test starts with the test CA trusted, and leaves the settings as it found them.
class ClientTest : public testing::Test {
protected:
    void SetUp() override {
        HTTP::Host::ResetSettings();
        HTTP::Host::AddTrustedCertificateFile(TestCertificates::Get().caFile);
    }
    void TearDown() override { HTTP::Host::ResetSettings(); }

    static const TestCertificates& Certificates() { return TestCertificates::Get(); }
};

} // namespace HttpTest
