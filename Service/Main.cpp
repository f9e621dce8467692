// kavelo-service: the local KAVELO web service. See --help.

#include "Accounts.hpp"
#include "ImageFolder.hpp"
#include "LiveFeed.hpp"
#include "LocalAuthority.hpp"
#include "Log.hpp"
#include "Options.hpp"
#include "Routes.hpp"
#include "Server.hpp"
#include "Store.hpp"
#include "TlsContext.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/thread_pool.hpp>

#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <thread>

namespace {

namespace net = boost::asio;
using namespace kavelo;

constexpr std::string_view kFirstUser = "kavelo";

// Printed once, on standard output only: the log never holds a password.
void PrintAccount(std::string_view name, std::string_view password) {
    std::cout << "account " << name << ", password " << password << '\n'
              << "(the password is shown only this once)\n";
}

std::chrono::seconds Seconds(std::chrono::milliseconds duration) {
    return std::max(std::chrono::seconds(1), std::chrono::ceil<std::chrono::seconds>(duration));
}

int AddUser(const std::filesystem::path& dataDir, const Options& options) {
    Store store(dataDir / "kavelo.db");
    Accounts accounts(store, Seconds(options.sessionLifetime));
    const auto password = accounts.Create(options.addUser, std::time(nullptr));
    if (!password)
        throw std::runtime_error("cannot add " + options.addUser +
                                 ": the name is taken, or not 1 to 64 letters, digits and \".-_@\"");
    PrintAccount(options.addUser, *password);
    return 0;
}

std::string UrlOf(const net::ip::tcp::endpoint& endpoint) {
    const std::string host = endpoint.address().is_v6() ? "[" + endpoint.address().to_string() + "]"
                                                        : endpoint.address().to_string();
    return "https://" + host + ":" + std::to_string(endpoint.port());
}

int Run(const Options& options) {
    const std::filesystem::path dataDir =
        options.dataDir.empty() ? DefaultDataDir(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"))
                                : options.dataDir;
    if (dataDir.empty())
        throw std::runtime_error("no data folder: set HOME or pass --data-dir");
    std::filesystem::create_directories(dataDir);
    if (!options.addUser.empty())
        return AddUser(dataDir, options);

    ServerIdentity identity{options.certificate, options.key, {}};
    if (options.certificate.empty())
        identity = EnsureLocalIdentity(dataDir / "tls", std::time(nullptr));
    net::ssl::context tls = MakeTlsContext(identity.certificate, identity.key);

    Store store(dataDir / "kavelo.db");
    Accounts accounts(store, Seconds(options.sessionLifetime));
    std::optional<std::string> firstPassword;
    if (!store.HasAccounts())
        firstPassword = accounts.Create(kFirstUser, std::time(nullptr));
    const ImageFolder images(dataDir / "images");
    const std::size_t stray =
        images.RemoveStray([&store](std::string_view id) { return store.FindImage(id).has_value(); });

    net::io_context io(1);
    LiveFeed feed(store.NewestImages());
    Routes routes(store, accounts, images, [&io, &feed](const ImageRecord& image) {
        net::post(io, [&feed, image] { feed.Publish(image); });
    });
    // Workers block on the disk (fsync) more than they compute: at least four, even on two cores.
    net::thread_pool workers(std::max(4u, std::thread::hardware_concurrency()));
    const Limits limits{options.maxBody,
                        options.maxConnections,
                        std::min(options.maxConnectionsPerAddress, options.maxConnections),
                        options.maxStreamsPerAddress,
                        options.streamLifetime,
                        options.readTimeout,
                        options.idleTimeout,
                        options.shutdownGrace};
    Server server(io, tls, options.listen, limits, routes, workers, feed);

    net::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](boost::system::error_code error, int signal) {
        if (error)
            return;
        LogInfo("signal").Add("signal", signal);
        // A second signal does not wait for the grace period.
        signals.async_wait([&server](boost::system::error_code again, int) {
            if (!again)
                server.CloseAll();
        });
        server.Shutdown([&signals] { signals.cancel(); });
    });
    server.Start();

    LogInfo("started")
        .Add("url", UrlOf(server.LocalEndpoint()))
        .Add("data_dir", dataDir.string())
        .Add("authority_created", identity.authorityCreated)
        .Add("certificate_issued", identity.certificateIssued)
        .Add("stray_files_removed", stray)
        .Add("account_created", firstPassword.has_value());
    if (firstPassword)
        PrintAccount(kFirstUser, *firstPassword);
    // Last: whoever waits for this line may use the service at once.
    if (!identity.authority.empty())
        std::cout << "CA certificate: " << identity.authority.string() << '\n';
    std::cout << "listening on " << UrlOf(server.LocalEndpoint()) << std::endl;

    io.run();
    workers.join();
    LogInfo("stopped");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    ::umask(077); // the database, pictures and keys are the user's alone

    const auto parsed =
        ParseOptions(std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc - 1)));
    if (const auto* problem = std::get_if<std::string>(&parsed)) {
        std::cerr << "kavelo-service: " << *problem << "\n\n" << kUsage;
        return 2;
    }
    const Options& options = std::get<Options>(parsed);
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }
    try {
        return Run(options);
    } catch (const std::exception& error) {
        std::cerr << "kavelo-service: " << error.what() << '\n';
        return 1;
    }
}
