#pragma once

// Client-side helpers shared by the HTTP client's tests, with or without a test server.

#include "HTTP/Client.hpp"

#include "GSRoot/GSException.hpp"
#include "GSRootHost.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace HttpTest {

inline std::string Utf8(const GS::UniString& text) {
    return GS::Host::Utf16ToUtf8(std::u16string_view(text.ToUStr(), text.GetLength()));
}

inline IO::URI::URI UriFor(const std::string& host, std::uint16_t port, const std::string& path = "/") {
    return IO::URI::URI(("https://" + host + ":" + std::to_string(port) + path).c_str());
}

// The message of the GS::GSException the action throws.
inline std::string FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const GS::GSException& exception) {
        return Utf8(exception.GetMessage());
    }
    return "(no GS::GSException)";
}

// This platform's expectation where wine's WinHTTP, which the Windows build's tests run on, answers
// otherwise than Windows' does; each use says what Windows does.
inline std::string PosixOrWine(const std::string& posix, const std::string& wine) {
#ifdef _WIN32
    static_cast<void>(posix);
    return wine;
#else
    static_cast<void>(wine);
    return posix;
#endif
}

// The failure of a connection's first network operation. On Windows that is the first Send():
// WinHTTP resolves, connects and verifies the server inside it, so Connect() alone reports nothing
// there; on POSIX Connect() does all of it and the Send() is not reached.
inline std::string FailureOfConnecting(HTTP::Client::ClientConnection& connection) {
    return FailureOf([&] {
        connection.Connect();
        connection.Send(HTTP::Client::Request(HTTP::MessageHeader::Method::Get, "/",
                                              HTTP::MessageHeader::HTTPVersion::Version11),
                        nullptr, 0);
    });
}

// Reads the channel to its end in pieces of at most pieceSize bytes, noting each piece's size.
inline std::string ReadAll(GS::IBinaryChannel& channel, USize pieceSize = 4096,
                           std::vector<USize>* pieces = nullptr) {
    std::string content;
    std::vector<char> piece(pieceSize);
    while (const USize read = channel.Read(piece.data(), pieceSize)) {
        content.append(piece.data(), read);
        if (pieces != nullptr) {
            pieces->push_back(read);
        }
    }
    return content;
}

// Connects to uri, posts body to its path with an API key and reads the answer's body to its end.
inline std::string Upload(const IO::URI::URI& uri, const std::string& key, const std::string& body,
                          Int32 timeout) {
    namespace Method = HTTP::MessageHeader::Method;
    HTTP::Client::ClientConnection connection(uri);
    connection.SetTimeout(timeout);
    connection.Connect();
    HTTP::Client::Request request(Method::Post, uri.GetPath(), HTTP::MessageHeader::HTTPVersion::Version11);
    request.GetRequestHeaderFieldCollection().Add("X-Api-Key", key.c_str());
    connection.Send(request, body.data(), static_cast<USize>(body.size()));
    HTTP::Client::Response response;
    const std::string answer = ReadAll(connection.BeginReceive(response));
    connection.FinishReceive();
    connection.Close(true);
    return answer;
}

inline std::string FieldOf(const HTTP::MessageHeader::HeaderFieldCollection& fields, const char* name) {
    GS::UniString value("(absent)");
    fields.Get(name, value);
    return Utf8(value);
}

} // namespace HttpTest
