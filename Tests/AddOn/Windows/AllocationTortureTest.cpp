// The add-on's commands under allocation failures, through the real module loaded by the system's
// loader. The tests' TLS server is built on OpenSSL and Boost.Asio, which have no mingw build in
// Debian, and WinHTTP connects where the module's origin says: the exports here reach nobody, at
// the origin, which the suite keeps free while this runs. The native suite's torture has the server.

#include "AllocationTorture.hpp"

#include <gtest/gtest.h>

namespace {

using Testing::ModuleHost;

TEST(AddOnTorture, CommandsReleaseEverythingEvenWhenAnAllocationFails) {
    ModuleHost host{ModuleHost::BuiltModulePath()};
    host.Start();
    std::vector<Torture::Command> commands = Torture::CommandsWithoutServer(host);
    commands.push_back(
        {"export of 3 kB where nobody listens", Torture::Every, 2, Torture::Export(host, 3000)});
    Torture::Run(host, commands);
}

} // namespace
