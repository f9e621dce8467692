// The TLS end of the Windows tests' test server, run natively beside them: Debian has no mingw build
// of OpenSSL. A test process asks over a loopback control connection for the test certificates, or
// for a TLS server with given credentials; each connection with a good handshake is then relayed to
// a plain loopback port of the test process, its SNI first on a line of its own, so the sessions
// run in the test process. TCP's ends carry TLS's: the test's FIN is a close_notify to the client,
// its reset a close without one; the client's close_notify is a FIN to the test, its truncation a
// reset. The relay reads a side only once its last piece has been written to the other, so a test
// that stops reading stalls the client as it would on POSIX. It also starts the tests' native helper
// programs for them (a proxy, a slow link), which a Windows program under wine cannot.
//   kavelo-test-tls-relay PORT_FILE    (writes its control port there, then serves until killed)

#include "SlowLink.hpp"
#include "TinyProxy.hpp"
#include "TlsServer.hpp"

#include <boost/asio/connect.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/write.hpp>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

namespace {

namespace net = boost::asio;
using tcp = net::ip::tcp;
using boost::system::error_code;
using HttpTest::TlsStream;

void Reset(tcp::socket& socket) {
    error_code ignored;
    socket.set_option(tcp::socket::linger(true, 0), ignored);
    socket.close(ignored);
}

// Both directions of one relayed connection, on the TLS stream's own io_context.
class Pump {
public:
    Pump(TlsStream& tlsStream, tcp::socket testSocket) : tls(tlsStream), test(std::move(testSocket)) {}

    void Run() {
        auto& io = static_cast<net::io_context&>(net::query(tls.get_executor(), net::execution::context));
        io.restart();
        Up();
        Down();
        io.run();
    }

private:
    void Up() { // the client's bytes to the test
        tls.async_read_some(net::buffer(up), [this](error_code error, std::size_t read) {
            if (error == net::error::eof) {
                test.shutdown(tcp::socket::shutdown_send, error);
            } else if (error) {
                Reset(test);
            } else {
                net::async_write(test, net::buffer(up.data(), read),
                                 [this](error_code written, std::size_t) { written ? DropClient() : Up(); });
            }
        });
    }

    void Down() { // the test's bytes to the client
        test.async_read_some(net::buffer(down), [this](error_code error, std::size_t read) {
            if (error == net::error::eof) {
                tls.async_shutdown([](error_code) {});
                // A test that gives up on the client after its FIN resets: then the client goes too.
                test.async_wait(tcp::socket::wait_error, [this](error_code) { DropClient(); });
            } else if (error) {
                DropClient();
            } else {
                net::async_write(tls, net::buffer(down.data(), read),
                                 [this](error_code written, std::size_t) { written ? Reset(test) : Down(); });
            }
        });
    }

    void DropClient() {
        error_code ignored;
        tls.next_layer().close(ignored);
    }

    TlsStream& tls;
    tcp::socket test;
    std::array<char, 16384> up{};
    std::array<char, 16384> down{};
};

void Relay(TlsStream& tls, std::uint16_t testPort) {
    tcp::socket test(tls.get_executor());
    error_code error;
    test.connect(tcp::endpoint(net::ip::address_v4::loopback(), testPort), error);
    if (!error) {
        net::write(test, net::buffer(HttpTest::ServerNameOf(tls) + "\n"), error);
    }
    if (!error) {
        Pump(tls, std::move(test)).Run();
    }
}

std::string ReadLine(tcp::socket& control, std::string& buffer) {
    const std::size_t end = net::read_until(control, net::dynamic_buffer(buffer), '\n');
    std::string line = buffer.substr(0, end - 1);
    buffer.erase(0, end);
    return line;
}

std::string ReadBytes(tcp::socket& control, std::string& buffer, std::size_t size) {
    if (buffer.size() < size) {
        net::read(control, net::dynamic_buffer(buffer), net::transfer_exactly(size - buffer.size()));
    }
    std::string bytes = buffer.substr(0, size);
    buffer.erase(0, size);
    return bytes;
}

std::string Block(const std::string& bytes) {
    return std::to_string(bytes.size()) + "\n" + bytes;
}

// Until the test closes its end.
void AwaitClose(tcp::socket& control) {
    error_code closed;
    char ignored[64];
    while (!closed) {
        control.read_some(net::buffer(ignored), closed);
    }
}

// Answers "PORT FOLDER" for a helper that runs until the control connection closes.
template <typename Helper>
void Keep(tcp::socket& control, const Helper& helper) {
    net::write(control,
               net::buffer(std::to_string(helper.GetPort()) + " " + helper.Folder().string() + "\n"));
    AwaitClose(control);
}

// "certificates": the CA file's Windows path, then the PEMs, each as its length on a line and its bytes.
// "serve CONNECTIONS LISTEN_PORT TEST_PORT CERTIFICATE_LENGTH KEY_LENGTH", then the PEMs: the TLS
// port on a line, and the server serves until the control connection closes.
// "link SERVER_PORT RATE ROUND_TRIP_MS STALL_AT STALL_SECONDS": a SlowLink to the server's port;
// "proxy USER PASSWORD CONNECT_PORT...", "-" for no user and password: a TinyProxy.
void Control(tcp::socket control) {
    try {
        std::string buffer;
        std::istringstream command(ReadLine(control, buffer));
        std::string verb;
        command >> verb;
        if (verb == "link") {
            std::uint16_t serverPort = 0;
            HttpTest::LinkSettings settings;
            if (!(command >> serverPort >> settings.rate >> settings.roundTripMs >> settings.stallAt >>
                  settings.stallSeconds)) {
                throw std::runtime_error("bad link command");
            }
            const HttpTest::SlowLink link(serverPort, settings);
            Keep(control, link);
            return;
        }
        if (verb == "proxy") {
            HttpTest::ProxySettings settings;
            command >> settings.user >> settings.password;
            for (std::uint16_t port = 0; command >> port;) {
                settings.connectPorts.push_back(port);
            }
            if (settings.user == "-") {
                settings.user.clear();
                settings.password.clear();
            }
            const HttpTest::TinyProxy proxy(settings);
            Keep(control, proxy);
            return;
        }
        if (verb == "certificates") {
            const HttpTest::TestCertificates& made = HttpTest::TestCertificates::Get();
            std::string answer = "Z:" + made.caFile + "\n" + Block(made.caCertificatePem);
            for (const HttpTest::Credentials* credentials :
                 {&made.localhost, &made.otherHost, &made.nameInCommonNameOnly, &made.selfSigned}) {
                answer += Block(credentials->certificatePem) + Block(credentials->privateKeyPem);
            }
            net::write(control, net::buffer(answer));
            return;
        }
        int connections = 0;
        std::uint16_t listenPort = 0;
        std::uint16_t testPort = 0;
        std::size_t certificateLength = 0;
        std::size_t keyLength = 0;
        if (verb != "serve" ||
            !(command >> connections >> listenPort >> testPort >> certificateLength >> keyLength)) {
            throw std::runtime_error("unknown command");
        }
        HttpTest::Credentials credentials;
        credentials.certificatePem = ReadBytes(control, buffer, certificateLength);
        credentials.privateKeyPem = ReadBytes(control, buffer, keyLength);
        HttpTest::TlsServer server(
            credentials, [testPort](TlsStream& tls) { Relay(tls, testPort); }, connections, listenPort);
        net::write(control, net::buffer(std::to_string(server.GetPort()) + "\n"));
        AwaitClose(control);
    } catch (const std::exception& failure) {
        error_code ignored;
        net::write(control, net::buffer("error " + std::string(failure.what()) + "\n"), ignored);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: kavelo-test-tls-relay PORT_FILE\n";
        return 2;
    }
    net::io_context io;
    tcp::acceptor acceptor(io, tcp::endpoint(net::ip::address_v4::loopback(), 0));
    const std::filesystem::path portFile(argv[1]);
    const std::filesystem::path written = portFile.string() + ".part";
    std::ofstream(written) << acceptor.local_endpoint().port() << "\n";
    std::filesystem::rename(written, portFile); // whole or not at all for the waiting caller
    for (;;) {
        tcp::socket control(io);
        acceptor.accept(control);
        std::thread(Control, std::move(control)).detach();
    }
}
