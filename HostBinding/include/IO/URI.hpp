#pragma once

#include "GSRoot/UniString.hpp"

namespace IO::URI {

// An absolute URI split into its parts. Text that is no absolute URI gives an empty scheme and host.
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
