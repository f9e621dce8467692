#include "TestServer.hpp"

#include <boost/asio/read.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/parser.hpp>

namespace HttpTest {

namespace {

namespace net = boost::asio;
namespace ssl = net::ssl;
namespace http = boost::beast::http;
using tcp = net::ip::tcp;
using boost::system::error_code;

std::size_t ContentLengthOf(const std::string& head) {
    http::request_parser<http::empty_body> parser;
    parser.skip(true);
    error_code error;
    parser.put(net::buffer(head), error);
    if (error) {
        throw std::runtime_error("the test server got a malformed request head: " + error.message());
    }
    return static_cast<std::size_t>(parser.content_length().value_or(0));
}

} // namespace

ReceivedRequest Connection::ReadRequest() {
    const std::size_t headLength = net::read_until(stream, net::dynamic_buffer(pending), "\r\n\r\n");
    ReceivedRequest request{pending.substr(0, headLength), {}};
    pending.erase(0, headLength);
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

std::uint16_t ClosedPort() {
    net::io_context io;
    tcp::acceptor probe(io, tcp::endpoint(net::ip::address_v4::loopback(), 0));
    return probe.local_endpoint().port();
}

} // namespace HttpTest
