#pragma once

#include "GSRoot/UniString.hpp"

namespace HTTP::MessageHeader {

enum class HTTPVersion : Int32 { Version10 = 0, Version11 = 1 };

namespace Method {
enum Id : Int32 { Get = 1, Head = 2, Post = 3, Put = 4, Delete = 5 };
}

// Header fields in the order they were added; names compare without regard to case.
class HeaderFieldCollection {
public:
    HeaderFieldCollection();
    HeaderFieldCollection(const HeaderFieldCollection&) = delete;
    HeaderFieldCollection& operator=(const HeaderFieldCollection&) = delete;
    ~HeaderFieldCollection();

    void Add(const GS::UniString& name, const GS::UniString& value);
    // False, with value untouched, when there is no field of that name.
    bool Get(const GS::UniString& name, GS::UniString& value) const;
    USize GetCount() const;

private:
    friend class HeaderFieldAccess; // the library's view of the fields
    class Impl;
    Impl* impl;
};

} // namespace HTTP::MessageHeader
