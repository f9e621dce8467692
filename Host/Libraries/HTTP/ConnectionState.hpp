#pragma once

// What both platforms' client connections share: where a connection is in its exchange, the
// failure for an operation out of turn, the body channel, and closing on any failure.

#include "GSRoot/Channel.hpp"

#include <string>

namespace HTTP::Client {

enum class ConnectionState { NotConnected, Open, AwaitingResponse, ReceivingBody, Closed };

// Throws GS::GSException naming the operation and where the connection is, unless current is expected.
void RequireState(ConnectionState current, ConnectionState expected, const char* operation,
                  const std::string& originText);

// Every failure leaves the connection closed, whatever step it happened in.
template <typename Connection, typename Operation>
decltype(auto) AbortOnFailure(Connection& connection, Operation operation) {
    try {
        return operation();
    } catch (...) {
        connection.Abort();
        throw;
    }
}

// The response body as the caller reads it, piece by piece from the connection.
template <typename Connection>
class BodyChannel final : public GS::IBinaryChannel {
public:
    explicit BodyChannel(Connection& connection) : owner(connection) {}
    USize Read(char* destination, USize nBytes) override {
        return AbortOnFailure(owner, [&] { return owner.ReadBody(destination, nBytes); });
    }

private:
    Connection& owner;
};

} // namespace HTTP::Client
