#include "IO/Location.hpp"

#include "GSRootHost.hpp"
#include "Names.hpp"

#include <string>
#include <string_view>

namespace IO {
namespace {

bool IsOneComponent(std::u16string_view name) {
    return !name.empty() && name != u"." && name != u".." && Detail::IsEntryName(name);
}

GS::UniString Join(const GS::UniString& folder, const GS::UniString& name) {
    const std::u16string nameUnits = GS::Host::ToUtf16(name);
    if (folder.IsEmpty() || !IsOneComponent(nameUnits)) {
        return GS::UniString();
    }
    GS::UniString path = folder;
    if (folder[folder.GetLength() - 1] != u'/') {
        path.Append(GS::UniString(u"/"));
    }
    return path.Append(name);
}

} // namespace

Name::Name(const GS::UniString& text) : name(text) {}

Name::Name(const Name& source) = default;

Name::~Name() = default;

Location::Location() = default;

Location::Location(const GS::UniString& text) : path(text) {}

Location::Location(const Location& folder, const Name& name) : path(Join(folder.path, name.ToString())) {}

Location::Location(const Location& source) = default;

Location& Location::operator=(const Location& source) = default;

Location::~Location() = default;

bool Location::IsEmpty() const {
    return path.IsEmpty();
}

} // namespace IO
