#pragma once

#include "ServiceProcess.hpp"
#include "TestData.hpp"
#include "TlsClient.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace kavelo::test {

// A test with its own data folder and, once started, its own service.
class ServiceTest : public testing::Test {
protected:
    ServiceProcess& Start(const std::vector<std::string>& arguments = {}) {
        service_.reset();
        service_ = std::make_unique<ServiceProcess>(DataDir(), arguments);
        if (service_->FirstAccount())
            account_ = *service_->FirstAccount();
        return *service_;
    }
    // The first account, signed in anew; it is printed once, at the first start only.
    Person SignIn() { return kavelo::test::SignIn(*service_, account_); }
    std::filesystem::path DataDir() const { return folder_.Path() / "data"; }
    ServiceProcess& Service() { return *service_; }

    Response Get(const std::string& target) {
        HttpRequest request;
        request.target = target;
        return Send(request);
    }
    Response Send(const HttpRequest& request) { return Fetch(service_->Port(), service_->CaFile(), request); }
    std::unique_ptr<TlsClient> Connect() {
        return std::make_unique<TlsClient>(service_->Port(), service_->CaFile());
    }

    TempDir folder_;
    std::unique_ptr<ServiceProcess> service_;
    Credentials account_;
};

} // namespace kavelo::test
