// The add-on's commands under allocation failures, through the real module, against the tests' TLS
// server standing in for the service, then with nobody listening.

#include "AllocationTorture.hpp"
#include "HTTPHost.hpp"
#include "OriginRoute.hpp"
#include "TestCertificates.hpp"
#include "TestServer.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace {

using Testing::ModuleHost;

// Every command gives back all it took, also when any one of its allocations fails, on pictures
// large enough that every copy of them allocates: the exports reach a server that takes the picture.
// No exception reaches the host, and every failure is reported (with a beep) except those a command
// ends on silently: the two blocks of the export's picture handle, the browser launch's URL buffer.
TEST(AddOnTorture, CommandsReleaseEverythingEvenWhenAnAllocationFails) {
    ModuleHost host{ModuleHost::BuiltModulePath()};
    HTTP::Host::AddTrustedCertificateFile(HttpTest::TestCertificates::Get().caFile);
    host.Start();
    {
        HttpTest::TestServer server(
            HttpTest::TestCertificates::Get().localhost,
            [](HttpTest::Connection& connection) {
                connection.ReadRequest();
                connection.Write("HTTP/1.1 201 Created\r\nContent-Length: 13\r\n\r\n{\"id\":\"abc\"}\n");
            },
            std::numeric_limits<int>::max(), Testing::OriginServerPort);
        Testing::RouteOriginTo(server.GetPort());

        // Every exchange with the server costs a TLS handshake: the kilobyte export fails every one of
        // its allocations, the megabyte export a spread.
        std::vector<Torture::Command> commands = Torture::CommandsWithoutServer(host);
        commands.push_back({"export of 3 kB", Torture::Every, 2, Torture::Export(host, 3000)});
        commands.push_back({"export of 2 MB", 16, 2, Torture::Export(host, 2'000'000)});
        Torture::Run(host, commands);
    }
    Testing::RouteOriginTo(HttpTest::ClosedPort());
    Torture::Run(host,
                 {{"export of 3 kB where nobody listens", Torture::Every, 2, Torture::Export(host, 3000)}});
    HTTP::Host::ResetSettings();
}

} // namespace
