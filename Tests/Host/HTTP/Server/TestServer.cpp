#include "TestServer.hpp"

#include <algorithm>
#include <cctype>

namespace HttpTest {

namespace {

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

void Connection::ReadMore() {
    char buffer[16384];
    const std::size_t read = transport.ReadSome(buffer, sizeof buffer);
    if (read == 0) {
        throw std::runtime_error("the client closed the connection");
    }
    pending.append(buffer, read);
}

std::string Connection::ReadHead() {
    std::size_t end;
    while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
        ReadMore();
    }
    std::string head = pending.substr(0, end + 4);
    pending.erase(0, end + 4);
    return head;
}

ReceivedRequest Connection::ReadRequest() {
    ReceivedRequest request{ReadHead(), {}};
    const std::size_t bodyLength = ContentLengthOf(request.head);
    while (pending.size() < bodyLength) {
        ReadMore();
    }
    request.body = pending.substr(0, bodyLength);
    pending.erase(0, bodyLength);
    return request;
}

void Connection::AwaitClientClose() {
    char scratch[4096];
    try {
        while (transport.ReadSome(scratch, sizeof scratch) != 0) {
        }
        ShutDown();
    } catch (const std::exception&) {
        // A broken connection gets no close_notify.
    }
    Drop();
}

void TestServer::RunSession(Transport& transport) const {
    Connection connection(transport);
    try {
        session(connection);
        transport.SessionEnded();
        connection.AwaitClientClose();
    } catch (const std::exception&) {
        // The client may leave at any point; what it saw is what the tests check.
    }
}

} // namespace HttpTest
