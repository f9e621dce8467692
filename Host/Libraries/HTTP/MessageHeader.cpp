#include "HTTP/MessageHeader.hpp"

#include "HeaderFieldAccess.hpp"
#include "Text.hpp"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace HTTP::MessageHeader {

class HeaderFieldCollection::Impl {
public:
    std::vector<HeaderFieldAccess::Field> fields;
};

HeaderFieldCollection::HeaderFieldCollection() : impl(new Impl) {}

HeaderFieldCollection::~HeaderFieldCollection() {
    delete impl;
}

void HeaderFieldCollection::Add(const GS::UniString& name, const GS::UniString& value) {
    impl->fields.push_back({ToUtf8(name), ToUtf8(value)});
}

bool HeaderFieldCollection::Get(const GS::UniString& name, GS::UniString& value) const {
    const std::string wanted = ToUtf8(name);
    const auto found = std::find_if(impl->fields.begin(), impl->fields.end(), [&wanted](const auto& field) {
        return EqualsIgnoringCase(field.name, wanted);
    });
    if (found == impl->fields.end()) {
        return false;
    }
    value = GS::UniString(found->value.data(), static_cast<USize>(found->value.size()), GS::CC_UTF8);
    return true;
}

USize HeaderFieldCollection::GetCount() const {
    return static_cast<USize>(impl->fields.size());
}

const std::vector<HeaderFieldAccess::Field>&
HeaderFieldAccess::GetFields(const HeaderFieldCollection& collection) {
    return collection.impl->fields;
}

void HeaderFieldAccess::Append(HeaderFieldCollection& collection, std::string_view name,
                               std::string_view value) {
    collection.impl->fields.push_back({std::string(name), std::string(value)});
}

void HeaderFieldAccess::Clear(HeaderFieldCollection& collection) {
    collection.impl->fields.clear();
}

} // namespace HTTP::MessageHeader
