#pragma once

// The library's access to the fields of a HeaderFieldCollection, kept as UTF-8 as they travel.

#include "HTTP/MessageHeader.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace HTTP::MessageHeader {

class HeaderFieldAccess {
public:
    struct Field {
        std::string name;
        std::string value;
    };

    static const std::vector<Field>& GetFields(const HeaderFieldCollection& collection);
    static void Append(HeaderFieldCollection& collection, std::string_view name, std::string_view value);
    static void Clear(HeaderFieldCollection& collection);
};

} // namespace HTTP::MessageHeader
