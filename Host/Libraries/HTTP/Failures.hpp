#pragma once

// The failures both platforms' client connections report for the same event, worded once so that
// the same tests hold on both.

#include "GSRoot/Definitions.hpp"

#include <cstdint>
#include <string>

namespace HTTP::Failures {

constexpr std::uint32_t ResponseHeaderLimit = 64 * 1024;

constexpr const char* ClosedWhileSending = "connection closed by the server while sending the request";
constexpr const char* ClosedBeforeResponse =
    "connection closed by the server before the response was complete";

// What was under way, for TimedOut. What is resolved is a host, or through a proxy a "proxy host".
inline std::string Resolving(const std::string& host, const std::string& what = "host") {
    return "resolving " + what + " '" + host + "'";
}
inline std::string Connecting(const std::string& destination) {
    return "connecting to " + destination;
}
inline std::string Handshaking(const std::string& destination) {
    return "in the TLS handshake with " + destination;
}
inline std::string Sending(const std::string& destination) {
    return "sending the request to " + destination;
}
inline std::string Waiting(const std::string& destination) {
    return "waiting for the response from " + destination;
}
inline std::string ReadingBody(const std::string& destination) {
    return "reading the response body from " + destination;
}

inline std::string TimedOut(Int64 milliseconds, const std::string& activity) {
    return "timed out after " + std::to_string(milliseconds) + " ms while " + activity;
}

inline std::string Refused(const std::string& destination) {
    return "connection refused by " + destination;
}

// proxyName as "proxy HOST:PORT"; the reason phrase may be empty.
inline std::string ProxyRefused(const std::string& proxyName, const std::string& tunnel, int status,
                                const std::string& reason) {
    return proxyName + " refused the tunnel to " + tunnel + ": " + std::to_string(status) + " " + reason;
}

inline std::string Unresolved(const std::string& host, const std::string& reason,
                              const std::string& what = "host") {
    return "could not resolve " + what + " '" + host + "': " + reason;
}

inline std::string CertificateRefused(const std::string& detail) {
    return "certificate verify failed: " + detail;
}

inline std::string Malformed(const std::string& detail) {
    return "malformed response: " + detail;
}

inline std::string HeaderTooLarge() {
    return "response header larger than " + std::to_string(ResponseHeaderLimit) + " bytes";
}

inline std::string BodyTooLarge(UInt64 limit) {
    return "response body larger than " + std::to_string(limit) + " bytes";
}

} // namespace HTTP::Failures
