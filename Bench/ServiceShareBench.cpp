// kavelo-service under a stranger's load: how long a signed-in person's new connection needs to
// load a page while one address holds 64 live-view streams and 64 idle connections, and the memory
// the service holds with 64 upload headers whose bodies never come. Medians against a baseline
// measured in the same run, with nothing held.

#include "ServiceProcess.hpp"
#include "TestData.hpp"
#include "TlsClient.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace kavelo::test;
using Clock = std::chrono::steady_clock;

constexpr int kHeld = 64;
constexpr int kLoads = 25;

// A new connection, as a new client makes, and one page on it; milliseconds, or -1 on failure.
double LoadPage(const ServiceProcess& service, const Person& person) {
    const auto start = Clock::now();
    try {
        const Response page = Fetch(service.Port(), service.CaFile(), person.Page("/account"));
        if (page.status != 200)
            return -1;
    } catch (const std::runtime_error&) {
        return -1;
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Loads {
    double median = 0;
    int failed = 0;
};

Loads MeasureLoads(const ServiceProcess& service, const Person& person) {
    std::vector<double> times;
    Loads loads;
    for (int i = 0; i < kLoads; ++i) {
        const double time = LoadPage(service, person);
        if (time < 0)
            ++loads.failed;
        else
            times.push_back(time);
    }
    if (!times.empty()) {
        std::ranges::sort(times);
        loads.median = times[times.size() / 2];
    }
    return loads;
}

// What a stranger at `source` holds: live-view streams of its own account and idle connections.
struct Held {
    std::vector<std::unique_ptr<TlsClient>> clients;
    int refused = 0;
};

Held Hold(const ServiceProcess& service, const Person& stranger, const std::string& source) {
    TlsSettings settings;
    settings.source = source;
    settings.timeout = std::chrono::milliseconds(2000);
    Held held;
    const std::string stream =
        "GET /events HTTP/1.1\r\nHost: localhost\r\nCookie: " + stranger.cookie + "\r\n\r\n";
    for (int i = 0; i < 2 * kHeld; ++i) {
        try {
            auto client = std::make_unique<TlsClient>(service.Port(), service.CaFile(), settings);
            if (i < kHeld)
                client->Send(stream);
            held.clients.push_back(std::move(client));
        } catch (const std::runtime_error&) {
            ++held.refused;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the streams get their answers
    return held;
}

long StatusKib(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field + ":"))
            return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

// 64 clients, each from an address of its own, send an upload's header announcing 16 MiB and then
// nothing; the service's memory once their headers are in.
void MeasureHeaders(const ServiceProcess& service, const std::string& key, const char* label) {
    std::vector<std::unique_ptr<TlsClient>> clients;
    for (int i = 0; i < kHeld; ++i) {
        TlsSettings settings;
        settings.source = "127.0.3." + std::to_string(i + 1);
        clients.push_back(std::make_unique<TlsClient>(service.Port(), service.CaFile(), settings));
        clients.back()->Send("POST /api/v1/images HTTP/1.1\r\nHost: localhost\r\nX-Api-Key: " + key +
                             "\r\nExpect: 100-continue\r\nContent-Length: 16777216\r\n\r\n");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::printf("%-44s RSS %6ld KiB   VmData %8ld KiB\n", label, StatusKib(service.Pid(), "VmRSS"),
                StatusKib(service.Pid(), "VmData"));
}

void Report(const char* label, const Loads& loads, const Loads& baseline, int refused) {
    std::printf("%-44s median %7.2f ms  (x%.2f of baseline), %d of %d failed; stranger refused %d\n", label,
                loads.median, baseline.median > 0 ? loads.median / baseline.median : 0.0, loads.failed,
                kLoads, refused);
}

} // namespace

int main() {
    const TempDir folder;
    ServiceProcess service(folder.Path() / "data");
    const Person person = SignInFirst(service);
    const Person stranger = SignIn(service, AddUser(folder.Path() / "data", "stranger"));

    const Loads baseline = MeasureLoads(service, person);
    Report("page load, nothing held (baseline)", baseline, baseline, 0);
    for (const auto& [source, label] : {std::pair{"127.0.0.2", "page load, another address holds 64+64"},
                                        std::pair{"127.0.0.1", "page load, the same address holds 64+64"}}) {
        const Held held = Hold(service, stranger, source);
        Report(label, MeasureLoads(service, person), baseline, held.refused);
    }

    std::printf("%-44s RSS %6ld KiB   VmData %8ld KiB\n", "memory, idle", StatusKib(service.Pid(), "VmRSS"),
                StatusKib(service.Pid(), "VmData"));
    MeasureHeaders(service, NewLinkId(), "memory, 64 upload headers, unknown key");
    MeasureHeaders(service, LinkNewId(service, person), "memory, 64 upload headers, linked key");
    return 0;
}
