#pragma once

#include "GSRoot/UniString.hpp"

namespace IO::URI {

// An absolute URI, scheme://host[:port][/path][?query][#fragment], split into its parts. The scheme
// is kept in lower case; an IPv6 host is written in brackets and kept without them. Text of any
// other shape (user information, a bad port, a blank or control character anywhere) gives an empty
// scheme and host, port 0 and no path.
class URI {
public:
    explicit URI(const GS::UniString& text);
    explicit URI(const char* text);
    URI(const URI& source);
    ~URI();

    const GS::UniString& GetScheme() const { return scheme; }
    const GS::UniString& GetHost() const { return host; }
    UInt16 GetPort() const { return port; } // the scheme's default when the text names none
    GS::UniString GetPath() const;          // "" when the URI has no path
    const GS::UniString& ToString() const { return text; }

private:
    GS::UniString text;
    GS::UniString scheme;
    GS::UniString host;
    UInt16 port = 0;
    GS::UniString path;
};

} // namespace IO::URI
