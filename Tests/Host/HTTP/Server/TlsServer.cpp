#include "TlsServer.hpp"
#include "TestServer.hpp"

#include <boost/asio/write.hpp>

namespace HttpTest {

namespace net = boost::asio;
namespace ssl = net::ssl;
using tcp = net::ip::tcp;
using boost::system::error_code;

namespace {

class TlsTransport : public Transport {
public:
    explicit TlsTransport(TlsStream& tlsStream) : stream(tlsStream) {}

    std::size_t ReadSome(char* buffer, std::size_t size) override {
        error_code error;
        const std::size_t read = stream.read_some(net::buffer(buffer, size), error);
        if (error == net::error::eof) {
            return 0;
        }
        if (error) {
            throw boost::system::system_error(error);
        }
        return read;
    }
    void Write(std::string_view bytes) override { net::write(stream, net::buffer(bytes)); }
    std::string ServerName() const override { return ServerNameOf(stream); }
    void ShutDown() override {
        error_code ignored;
        stream.shutdown(ignored);
    }
    void Drop() override {
        error_code ignored;
        stream.next_layer().close(ignored);
    }

private:
    TlsStream& stream;
};

} // namespace

std::string ServerNameOf(TlsStream& stream) {
    const char* name = SSL_get_servername(stream.native_handle(), TLSEXT_NAMETYPE_host_name);
    return name != nullptr ? name : "";
}

TlsServer::TlsServer(const Credentials& credentials, Handler handle, int connections,
                     std::uint16_t listenPort)
    : tls(ssl::context::tls_server), acceptor(io, tcp::endpoint(net::ip::address_v4::loopback(), listenPort)),
      port(acceptor.local_endpoint().port()) {
    tls.use_certificate_chain(net::buffer(credentials.certificatePem));
    tls.use_private_key(net::buffer(credentials.privateKeyPem), ssl::context::pem);
    thread = std::thread([this, handle = std::move(handle), connections] { Serve(handle, connections); });
}

TlsServer::~TlsServer() {
    stopping = true;
    if (!acceptedAll) {
        // Wakes an accept that is still waiting for a client that never came.
        net::io_context pokeIo;
        tcp::socket poke(pokeIo);
        error_code ignored;
        poke.connect(acceptor.local_endpoint(), ignored);
    }
    thread.join();
}

void TlsServer::Serve(const Handler& handle, int connections) {
    for (int served = 0; served < connections; ++served) {
        TlsStream stream(io, tls);
        error_code error;
        acceptor.accept(stream.next_layer(), error);
        acceptedAll = served + 1 == connections;
        if (error || stopping) {
            return;
        }
        stream.handshake(ssl::stream_base::server, error);
        if (error) {
            continue; // the client refused the certificate, as some tests want
        }
        handle(stream);
    }
}

struct TestServer::Impl {
    TlsServer server;
};

TestServer::TestServer(const Credentials& credentials, Session serverSession, int connections,
                       std::uint16_t listenPort)
    : session(std::move(serverSession)), impl(new Impl{TlsServer(
                                             credentials,
                                             [this](TlsStream& stream) {
                                                 TlsTransport transport(stream);
                                                 RunSession(transport);
                                             },
                                             connections, listenPort)}),
      port(impl->server.GetPort()) {}

TestServer::~TestServer() = default;

struct SilentListener::Impl {
    explicit Impl(std::uint16_t port) : acceptor(io, tcp::endpoint(net::ip::address_v4::loopback(), port)) {}

    net::io_context io;
    tcp::acceptor acceptor;
};

SilentListener::SilentListener(std::uint16_t port) : impl(std::make_unique<Impl>(port)) {}

SilentListener::~SilentListener() = default;

std::uint16_t SilentListener::GetPort() const {
    return impl->acceptor.local_endpoint().port();
}

std::uint16_t ClosedPort() {
    net::io_context io;
    tcp::acceptor probe(io, tcp::endpoint(net::ip::address_v4::loopback(), 0));
    return probe.local_endpoint().port();
}

} // namespace HttpTest
