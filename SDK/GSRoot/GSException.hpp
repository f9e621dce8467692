#pragma once

#include "GSRoot/UniString.hpp"

namespace GS {

// The host libraries' exception. Deliberately not a std::exception: callers catch the two
// families apart.
class GSException {
public:
    explicit GSException(const UniString& message);
    explicit GSException(const char* message);
    GSException(const GSException& source);
    GSException& operator=(const GSException& source);
    virtual ~GSException();

    const UniString& GetMessage() const;

private:
    UniString message;
};

} // namespace GS
