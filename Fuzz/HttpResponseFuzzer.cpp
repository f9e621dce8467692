// The HTTP client against a peer that answers anything. A TLS server on a loopback port reads each
// request and writes the input as its answer; the first byte chooses how it then leaves (close_notify
// or a dropped socket). The client's every failure is a GS::GSException; a response it accepts reads
// to its end and finishes.

#include "GSRoot/Channel.hpp"
#include "GSRoot/GSException.hpp"
#include "HTTP/Client.hpp"
#include "IO/URI.hpp"
#include "TestCertificates.hpp"
#include "TestServer.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Answer {
    std::mutex mutex;
    std::string bytes;
    bool drop = false;
};

Answer& Current() {
    static Answer& answer = *new Answer;
    return answer;
}

// Serves for as long as the fuzzer runs; the process ends without taking it down.
std::uint16_t PeerPort() {
    static const std::uint16_t port = [] {
        // Each connection loads the system's trusted certificates afresh; the test authority alone
        // stands in for them, or loading them would be all a run does.
        setenv("SSL_CERT_FILE", HttpTest::TestCertificates::Get().caFile.c_str(), 1);
        setenv("SSL_CERT_DIR", "/nonexistent", 1);
        auto* server = new HttpTest::TestServer(
            HttpTest::TestCertificates::Get().localhost,
            [](HttpTest::Connection& connection) {
                connection.ReadHead();
                std::string bytes;
                bool drop = false;
                {
                    std::lock_guard lock(Current().mutex);
                    bytes = Current().bytes;
                    drop = Current().drop;
                }
                connection.Write(bytes);
                if (drop)
                    connection.Drop();
                else
                    connection.ShutDown();
            },
            std::numeric_limits<int>::max());
        return server->GetPort();
    }();
    return port;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint16_t port = PeerPort();
    {
        std::lock_guard lock(Current().mutex);
        Current().drop = (data[0] & 1) != 0;
        Current().bytes.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    }
    try {
        HTTP::Client::ClientConnection connection(
            IO::URI::URI(("https://localhost:" + std::to_string(port)).c_str()));
        connection.SetTimeout(2000);
        connection.Connect();
        HTTP::Client::Request request(HTTP::MessageHeader::Method::Get, "/",
                                      HTTP::MessageHeader::HTTPVersion::Version11);
        connection.Send(request, nullptr, 0);
        HTTP::Client::Response response;
        GS::IBinaryChannel& body = connection.BeginReceive(response);
        std::vector<char> piece(4096);
        while (body.Read(piece.data(), USize(piece.size())) != 0) {
        }
        connection.FinishReceive();
        connection.Close(false);
    } catch (const GS::GSException&) {
    }
    return 0;
}
