#include "ConnectionState.hpp"

#include "Text.hpp"

namespace HTTP::Client {

void RequireState(ConnectionState current, ConnectionState expected, const char* operation,
                  const std::string& originText) {
    if (current == expected) {
        return;
    }
    const char* where = "";
    switch (current) {
    case ConnectionState::NotConnected:
        where = "not connected yet";
        break;
    case ConnectionState::Open:
        where = "open with no request sent";
        break;
    case ConnectionState::AwaitingResponse:
        where = "waiting for the response to be received";
        break;
    case ConnectionState::ReceivingBody:
        where = "receiving a response";
        break;
    case ConnectionState::Closed:
        where = "closed";
        break;
    }
    Throw("cannot " + std::string(operation) + ": the connection to " + originText + " is " + where);
}

} // namespace HTTP::Client
