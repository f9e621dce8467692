#include "TestServer.hpp"

#include <boost/asio/read.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/write.hpp>

#include <algorithm>
#include <array>
#include <cctype>

namespace HttpTest {

namespace {

namespace net = boost::asio;
namespace ssl = net::ssl;
using tcp = net::ip::tcp;
using boost::system::error_code;

// The client under test always frames its body with Content-Length.
std::size_t ContentLengthOf(const std::string& head) {
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    constexpr std::string_view Name = "\r\ncontent-length: ";
    const std::size_t field = lower.find(Name);
    return field == std::string::npos ? 0 : std::stoul(head.substr(field + Name.size()));
}

} // namespace

std::string Connection::ReadHead() {
    const std::size_t headLength = net::read_until(stream, net::dynamic_buffer(pending), "\r\n\r\n");
    std::string head = pending.substr(0, headLength);
    pending.erase(0, headLength);
    return head;
}

ReceivedRequest Connection::ReadRequest() {
    ReceivedRequest request{ReadHead(), {}};
    const std::size_t bodyLength = ContentLengthOf(request.head);
    if (pending.size() < bodyLength) {
        net::read(stream, net::dynamic_buffer(pending), net::transfer_exactly(bodyLength - pending.size()));
    }
    request.body = pending.substr(0, bodyLength);
    pending.erase(0, bodyLength);
    return request;
}

void Connection::Write(std::string_view bytes) {
    net::write(stream, net::buffer(bytes));
}

std::string Connection::ServerName() const {
    const char* name = SSL_get_servername(stream.native_handle(), TLSEXT_NAMETYPE_host_name);
    return name != nullptr ? name : "";
}

void Connection::ShutDown() {
    error_code ignored;
    stream.shutdown(ignored);
}

void Connection::Drop() {
    error_code ignored;
    stream.next_layer().close(ignored);
}

void Connection::AwaitClientClose() {
    char scratch[4096];
    error_code error;
    while (!error) {
        stream.read_some(net::buffer(scratch), error);
    }
    if (error == net::error::eof) {
        ShutDown();
    }
    Drop();
}

TestServer::TestServer(const Credentials& credentials, Session session, int connections)
    : tls(ssl::context::tls_server), acceptor(io, tcp::endpoint(net::ip::address_v4::loopback(), 0)),
      port(acceptor.local_endpoint().port()) {
    tls.use_certificate_chain(net::buffer(credentials.certificatePem));
    tls.use_private_key(net::buffer(credentials.privateKeyPem), ssl::context::pem);
    thread = std::thread([this, session = std::move(session), connections] { Serve(session, connections); });
}

TestServer::~TestServer() {
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

void TestServer::Serve(const Session& session, int connections) {
    for (int served = 0; served < connections; ++served) {
        ssl::stream<tcp::socket> stream(io, tls);
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
        Connection connection(stream);
        try {
            session(connection);
            connection.AwaitClientClose();
        } catch (const std::exception&) {
            // The client may leave at any point; what it saw is what the tests check.
        }
    }
}

SilentListener::SilentListener() : acceptor(io, tcp::endpoint(net::ip::address_v4::loopback(), 0)) {}

std::uint16_t SilentListener::GetPort() const {
    return acceptor.local_endpoint().port();
}

ResettingListener::ResettingListener()
    : acceptor(io, tcp::endpoint(net::ip::address_v4::loopback(), 0)), thread([this] {
          tcp::socket socket(io);
          error_code ignored;
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
        error_code ignored;
        poke.connect(acceptor.local_endpoint(), ignored);
    }
    thread.join();
}

std::uint16_t ResettingListener::GetPort() const {
    return acceptor.local_endpoint().port();
}

std::uint16_t ClosedPort() {
    net::io_context io;
    tcp::acceptor probe(io, tcp::endpoint(net::ip::address_v4::loopback(), 0));
    return probe.local_endpoint().port();
}

} // namespace HttpTest
