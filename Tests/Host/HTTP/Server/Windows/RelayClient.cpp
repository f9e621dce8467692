// The test server on Windows: the sessions run here, on plain loopback connections from the native
// TLS relay (TlsRelay.cpp), which the test's run starts and names in KAVELO_TLS_RELAY_PORT. A TCP
// end here is a TLS end there: shutting down the sending side sends close_notify, a reset drops the
// connection without one, and the client's close_notify arrives as a FIN.

#include "RelayedHelper.hpp"
#include "TestServer.hpp"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace HttpTest {

namespace {

// Today's WinHTTP under wine may wait for an answer without end; a session or a silent listener
// that waited as long would hang the suite, so each gives up after this and resets the connection.
constexpr DWORD GiveUpMilliseconds = 10000;
// Wine's WinHTTP keeps a connection whose response it read to the end in a pool of the whole process
// for 30 s, whichever handles the client closed; the client's close after its session is awaited
// only this long, a bound the tests' clients, done with their last response, never need.
constexpr DWORD ClientCloseMilliseconds = 2000;

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + " (Winsock error " + std::to_string(WSAGetLastError()) + ")");
}

class Socket {
public:
    Socket() {
        static const bool started = [] {
            WSADATA data;
            return WSAStartup(MAKEWORD(2, 2), &data) == 0;
        }();
        if (!started || (handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) == INVALID_SOCKET) {
            Fail("cannot make a socket");
        }
    }
    explicit Socket(SOCKET accepted) : handle(accepted) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() { Close(); }

    SOCKET Get() const { return handle; }
    void Close() {
        if (handle != INVALID_SOCKET) {
            closesocket(handle);
            handle = INVALID_SOCKET;
        }
    }
    void Reset() {
        const LINGER abortive{1, 0};
        setsockopt(handle, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive), sizeof abortive);
        Close();
    }

private:
    SOCKET handle = INVALID_SOCKET;
};

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

std::uint16_t PortOf(const Socket& socket) {
    sockaddr_in address{};
    int length = sizeof address;
    if (getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        Fail("cannot read a socket's port");
    }
    return ntohs(address.sin_port);
}

void Listen(Socket& socket, std::uint16_t port) {
    if (port != 0) {
        // A fixed port is bound again and again; under wine this is POSIX's reuse past TIME_WAIT.
        const BOOL reuse = TRUE;
        setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
                   sizeof reuse);
    }
    const sockaddr_in address = Loopback(port);
    if (bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(socket.Get(), SOMAXCONN) != 0) {
        Fail("cannot listen on 127.0.0.1:" + std::to_string(port));
    }
}

void Connect(Socket& socket, std::uint16_t port) {
    const sockaddr_in address = Loopback(port);
    if (connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        Fail("cannot connect to 127.0.0.1:" + std::to_string(port));
    }
}

void SendAll(const Socket& socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const int sent = send(socket.Get(), bytes.data(),
                              static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20)), 0);
        if (sent <= 0) {
            Fail("cannot send");
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

// Reads one byte at a time, so that nothing after the line is taken from the stream.
std::string ReceiveLine(const Socket& socket) {
    std::string line;
    char c;
    while (recv(socket.Get(), &c, 1, 0) == 1) {
        if (c == '\n') {
            return line;
        }
        line += c;
    }
    Fail("the TLS relay's line ended early");
}

std::string ReceiveBlock(const Socket& socket) {
    std::string block(std::stoul(ReceiveLine(socket)), '\0');
    for (std::size_t at = 0; at < block.size();) {
        const int read = recv(socket.Get(), block.data() + at, static_cast<int>(block.size() - at), 0);
        if (read <= 0) {
            Fail("the TLS relay's answer ended early");
        }
        at += static_cast<std::size_t>(read);
    }
    return block;
}

void SetReceiveTimeout(const Socket& socket, DWORD milliseconds) {
    setsockopt(socket.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&milliseconds),
               sizeof milliseconds);
}

// A control connection to the relay, with the request sent.
std::unique_ptr<Socket> AskRelay(const std::string& request) {
    const char* port = std::getenv("KAVELO_TLS_RELAY_PORT");
    if (port == nullptr) {
        throw std::runtime_error(
            "KAVELO_TLS_RELAY_PORT is not set: the test server's TLS relay is not running");
    }
    auto control = std::make_unique<Socket>();
    SetReceiveTimeout(*control, GiveUpMilliseconds);
    Connect(*control, static_cast<std::uint16_t>(std::stoul(port)));
    SendAll(*control, request);
    return control;
}

// Ends what the relay serves for a control connection, and waits until it has.
void EndControl(const Socket& control) {
    shutdown(control.Get(), SD_SEND);
    char ignored;
    while (recv(control.Get(), &ignored, 1, 0) > 0) {
    }
}

class RelayedTransport : public Transport {
public:
    explicit RelayedTransport(SOCKET accepted) : socket(accepted) {
        SetReceiveTimeout(socket, GiveUpMilliseconds);
        serverName = ReceiveLine(socket);
    }

    std::size_t ReadSome(char* buffer, std::size_t size) override {
        const int read = recv(socket.Get(), buffer, static_cast<int>(size), 0);
        if (read < 0) {
            Fail("the connection broke");
        }
        return static_cast<std::size_t>(read);
    }
    void Write(std::string_view bytes) override { SendAll(socket, bytes); }
    std::string ServerName() const override { return serverName; }
    void ShutDown() override { shutdown(socket.Get(), SD_SEND); }
    void Drop() override { socket.Reset(); }
    void SessionEnded() override { SetReceiveTimeout(socket, ClientCloseMilliseconds); }

private:
    Socket socket;
    std::string serverName;
};

} // namespace

const TestCertificates& TestCertificates::Get() {
    static const TestCertificates certificates = [] {
        const std::unique_ptr<Socket> relay = AskRelay("certificates\n");
        TestCertificates made;
        made.caFile = ReceiveLine(*relay);
        made.caCertificatePem = ReceiveBlock(*relay);
        for (Credentials* credentials :
             {&made.localhost, &made.otherHost, &made.nameInCommonNameOnly, &made.selfSigned}) {
            credentials->certificatePem = ReceiveBlock(*relay);
            credentials->privateKeyPem = ReceiveBlock(*relay);
        }
        return made;
    }();
    return certificates;
}

struct TestServer::Impl {
    Socket listener;
    std::unique_ptr<Socket> relay; // the relay serves while this stays open
    std::atomic<bool> stopping{false};
    std::atomic<bool> acceptedAll{false};
    std::thread thread;
};

TestServer::TestServer(const Credentials& credentials, Session serverSession, int connections,
                       std::uint16_t listenPort)
    : session(std::move(serverSession)), impl(std::make_unique<Impl>()) {
    Listen(impl->listener, 0);
    impl->relay = AskRelay("serve " + std::to_string(connections) + " " + std::to_string(listenPort) + " " +
                           std::to_string(PortOf(impl->listener)) + " " +
                           std::to_string(credentials.certificatePem.size()) + " " +
                           std::to_string(credentials.privateKeyPem.size()) + "\n" +
                           credentials.certificatePem + credentials.privateKeyPem);
    const std::string answer = ReceiveLine(*impl->relay);
    if (answer.rfind("error", 0) == 0) {
        throw std::runtime_error("the TLS relay refused to serve: " + answer);
    }
    port = static_cast<std::uint16_t>(std::stoul(answer));
    // Only connections whose handshake succeeded reach this side.
    impl->thread = std::thread([this, connections] {
        for (int served = 0; served < connections; ++served) {
            const SOCKET accepted = accept(impl->listener.Get(), nullptr, nullptr);
            impl->acceptedAll = served + 1 == connections;
            if (accepted == INVALID_SOCKET || impl->stopping) {
                Socket(accepted).Close();
                return;
            }
            try {
                RelayedTransport transport(accepted);
                RunSession(transport);
            } catch (const std::exception&) {
                // The relay found no client to hand over.
            }
        }
    });
}

TestServer::~TestServer() {
    impl->stopping = true;
    if (!impl->acceptedAll) {
        // Wakes an accept that is still waiting for a connection that never came.
        Socket poke;
        const sockaddr_in address = Loopback(PortOf(impl->listener));
        connect(poke.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    impl->thread.join();
    // The relay closes its end once its server stopped: the origin's port is free again for the next.
    EndControl(*impl->relay);
}

struct SilentListener::Impl {
    Socket socket;
    std::uint16_t port = 0;
    std::mutex mutex;
    std::condition_variable ended;
    bool ending = false;
    std::thread giveUp;
};

SilentListener::SilentListener(std::uint16_t port) : impl(std::make_unique<Impl>()) {
    Listen(impl->socket, port);
    impl->port = PortOf(impl->socket);
    // Closing a listener resets the connections it has not accepted.
    impl->giveUp = std::thread([state = impl.get()] {
        std::unique_lock lock(state->mutex);
        state->ended.wait_for(lock, std::chrono::milliseconds(GiveUpMilliseconds),
                              [state] { return state->ending; });
        state->socket.Close();
    });
}

SilentListener::~SilentListener() {
    {
        std::lock_guard lock(impl->mutex);
        impl->ending = true;
    }
    impl->ended.notify_one();
    impl->giveUp.join();
}

std::uint16_t SilentListener::GetPort() const {
    return impl->port;
}

std::uint16_t ClosedPort() {
    Socket probe;
    Listen(probe, 0);
    return PortOf(probe);
}

struct RelayedHelper::Control {
    std::unique_ptr<Socket> socket;
};

// The answer is "PORT FOLDER", the folder in the native file system, which wine shows as drive Z:.
RelayedHelper::RelayedHelper(const std::string& command)
    : control(std::make_unique<Control>(Control{AskRelay(command + "\n")})) {
    const std::string answer = ReceiveLine(*control->socket);
    const std::size_t blank = answer.find(' ');
    if (answer.rfind("error", 0) == 0 || blank == std::string::npos) {
        throw std::runtime_error("the TLS relay did not start '" + command + "': " + answer);
    }
    port = static_cast<std::uint16_t>(std::stoul(answer.substr(0, blank)));
    folder = "Z:" + answer.substr(blank + 1);
}

// The relay closes its end once the helper has stopped.
RelayedHelper::~RelayedHelper() {
    EndControl(*control->socket);
}

} // namespace HttpTest
