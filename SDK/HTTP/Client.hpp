#pragma once

#include "GSRoot/Channel.hpp"
#include "HTTP/MessageHeader.hpp"
#include "IO/URI.hpp"

namespace HTTP::Client {

class Request {
public:
    Request(MessageHeader::Method::Id method, const GS::UniString& target,
            MessageHeader::HTTPVersion version);
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;
    ~Request();

    MessageHeader::Method::Id GetMethod() const { return method; }
    const GS::UniString& GetTarget() const { return target; }
    MessageHeader::HTTPVersion GetVersion() const { return version; }
    MessageHeader::HeaderFieldCollection& GetRequestHeaderFieldCollection() { return fields; }
    const MessageHeader::HeaderFieldCollection& GetRequestHeaderFieldCollection() const { return fields; }

private:
    MessageHeader::Method::Id method;
    GS::UniString target;
    MessageHeader::HTTPVersion version;
    MessageHeader::HeaderFieldCollection fields;
};

class Response {
public:
    Response();
    Response(const Response&) = delete;
    Response& operator=(const Response&) = delete;
    ~Response();

    UInt32 GetStatusCode() const { return statusCode; }
    const MessageHeader::HeaderFieldCollection& GetResponseHeaderFieldCollection() const { return fields; }

private:
    friend class ResponseAccess; // filled by the connection
    UInt32 statusCode = 0;
    MessageHeader::HeaderFieldCollection fields;
};

// One HTTPS connection. Every failure (name not resolved, refused, time-out, TLS, a peer that
// closes early or sends a malformed or oversized answer) throws GS::GSException with the cause.
class ClientConnection {
public:
    explicit ClientConnection(const IO::URI::URI& uri);
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;
    ~ClientConnection();

    void SetTimeout(Int32 milliseconds); // for each network operation from now on
    void Connect();
    // The library adds Host and Content-Length, nothing else.
    void Send(const Request& request, const char* body, USize length);
    // Reads the status line and header fields into response; the body is read through the channel.
    GS::IBinaryChannel& BeginReceive(Response& response);
    void FinishReceive();
    void Close(bool graceful);

private:
    class Impl;
    Impl* impl;
};

} // namespace HTTP::Client
