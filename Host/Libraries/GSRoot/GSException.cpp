#include "GSRoot/GSException.hpp"

namespace GS {

GSException::GSException(const UniString& text) : message(text) {}

GSException::GSException(const char* text) : message(text, CC_UTF8) {}

GSException::GSException(const GSException& source) = default;

GSException& GSException::operator=(const GSException& source) = default;

GSException::~GSException() = default;

const UniString& GSException::GetMessage() const {
    return message;
}

} // namespace GS
