// The public face of a client connection; ClientConnectionImpl.hpp is the platform's own.

#include "HTTP/Client.hpp"

#include "ClientConnectionImpl.hpp"
#include "ConnectionState.hpp"

namespace HTTP::Client {

ClientConnection::ClientConnection(const IO::URI::URI& uri) : impl(new Impl(uri)) {}

ClientConnection::~ClientConnection() {
    impl->Close(false);
    delete impl;
}

void ClientConnection::SetTimeout(Int32 milliseconds) {
    AbortOnFailure(*impl, [&] { impl->SetTimeout(milliseconds); });
}

void ClientConnection::Connect() {
    AbortOnFailure(*impl, [&] { impl->Connect(); });
}

void ClientConnection::Send(const Request& request, const char* body, USize length) {
    AbortOnFailure(*impl, [&] { impl->Send(request, body, length); });
}

GS::IBinaryChannel& ClientConnection::BeginReceive(Response& response) {
    return AbortOnFailure(*impl, [&]() -> GS::IBinaryChannel& { return impl->BeginReceive(response); });
}

void ClientConnection::FinishReceive() {
    AbortOnFailure(*impl, [&] { impl->FinishReceive(); });
}

void ClientConnection::Close(bool graceful) {
    impl->Close(graceful);
}

} // namespace HTTP::Client
