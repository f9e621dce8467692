#include "TinyProxy.hpp"

#include "TestServer.hpp"

#include <array>
#include <fstream>

namespace HttpTest {

namespace {

// The configuration file.
std::filesystem::path Configured(const std::filesystem::path& folder, const ProxySettings& settings,
                                 std::uint16_t port) {
    std::ofstream file(folder / "tinyproxy.conf");
    file << "Port " << port << "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\n"
         << "LogFile \"" << (folder / "log").string() << "\"\nLogLevel Info\n";
    for (const std::uint16_t allowed : settings.connectPorts) {
        file << "ConnectPort " << allowed << "\n";
    }
    if (!settings.user.empty()) {
        file << "BasicAuth " << settings.user << " " << settings.password << "\n";
    }
    return folder / "tinyproxy.conf";
}

} // namespace

bool Accepts(std::uint16_t port) {
    boost::asio::io_context io;
    boost::asio::ip::tcp::socket socket(io);
    boost::system::error_code error;
    socket.connect({boost::asio::ip::address_v4::loopback(), port}, error);
    return !error;
}

TinyProxy::TinyProxy(const ProxySettings& settings)
    : port(ClosedPort()),
      process(KAVELO_TINYPROXY, {"-d", "-c", Configured(folder.Path(), settings, port).string()},
              {{}, folder.Path() / "output", folder.Path() / "output"}) {
    process.AwaitReady([this] { return Accepts(port); }, std::chrono::seconds(10));
}

const std::filesystem::path& TinyProxy::Folder() const {
    return folder.Path();
}

namespace net = boost::asio;
using tcp = net::ip::tcp;

ResettingListener::ResettingListener()
    : acceptor(io, tcp::endpoint(net::ip::address_v4::loopback(), 0)), thread([this] {
          tcp::socket socket(io);
          boost::system::error_code ignored;
          acceptor.accept(socket, ignored);
          std::array<char, 256> received;
          socket.read_some(net::buffer(received), ignored);
          socket.set_option(net::socket_base::linger(true, 0), ignored);
          socket.close(ignored);
      }) {}

ResettingListener::~ResettingListener() {
    {
        // Wakes an accept that is still waiting for a client that never came.
        tcp::socket poke(io);
        boost::system::error_code ignored;
        poke.connect(acceptor.local_endpoint(), ignored);
    }
    thread.join();
}

std::uint16_t ResettingListener::GetPort() const {
    return acceptor.local_endpoint().port();
}

} // namespace HttpTest
