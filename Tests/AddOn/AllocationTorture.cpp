#include "AllocationTorture.hpp"

#include "DGHost.hpp"
#include "GSRootHost.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

namespace Torture {

void Run(const Testing::ModuleHost& host, const std::vector<Command>& commands) {
    for (const Command& command : commands) {
        command.run(); // first use of lazily built state
        const UInt64 baseline = GS::Host::GetMemoryStats().liveBlocks;
        const UInt64 before = GS::Host::GetMemoryStats().allocations;
        command.run();
        const UInt64 allocations = GS::Host::GetMemoryStats().allocations - before;
        const UInt64 step =
            allocations <= command.sample ? 1 : (allocations + command.sample - 1) / command.sample;
        UInt64 failed = 0;
        UInt64 silent = 0;
        for (UInt64 n = 1; n <= allocations; n += step) {
            const std::size_t callsBefore = host.calls.size();
            GS::Host::FailNthAllocation(n);
            EXPECT_NO_THROW(command.run()) << command.name << ", allocation " << n << " failed";
            GS::Host::FailNthAllocation(0);
            ASSERT_EQ(GS::Host::GetMemoryStats().liveBlocks, baseline)
                << command.name << ", allocation " << n << " failed";
            ++failed;
            if (std::find(host.calls.begin() + std::ptrdiff_t(callsBefore), host.calls.end(), "Beep") ==
                host.calls.end())
                ++silent;
        }
        if (step == 1)
            EXPECT_EQ(silent, command.silentFailures) << command.name;
        else
            EXPECT_LE(silent, command.silentFailures) << command.name;
        std::printf("%s: %llu allocations, %llu of them failed in turn\n", command.name,
                    static_cast<unsigned long long>(allocations), static_cast<unsigned long long>(failed));
    }
}

namespace {

std::string NoisePicture(std::size_t size) {
    std::mt19937 noise(7);
    std::string picture(size, '\0');
    for (char& byte : picture)
        byte = char(noise());
    return picture;
}

std::vector<UInt8> LinkedRecord() {
    std::vector<UInt8> linked(48, 0);
    std::memcpy(linked.data(), "0f3e2a1b-9c8d-4e7f-a6b5-c4d3e2f1a0b9", 36);
    return linked;
}

} // namespace

std::vector<Command> CommandsWithoutServer(Testing::ModuleHost& host) {
    return {
        {"open live connection", Every, 1, [&host] { host.PickMenu(32514); }},
        {"unlink account", Every, 0, [&host] { host.PickMenu(32513); }},
        {"toolbar toggle, and again if it opened", Every, 0,
         [&host] {
             host.PickMenu(32540);
             if (!DG::Host::ListPalettes().empty())
                 host.PickMenu(32540);
         }},
    };
}

std::function<void()> Export(Testing::ModuleHost& host, std::size_t pictureSize) {
    return [&host, picture = NoisePicture(pictureSize), linked = LinkedRecord()] {
        host.StorePreferences(1, linked);
        host.viewPicture = picture;
        host.PickMenu(32512);
    };
}

} // namespace Torture
