#include "GSRoot/ObjectState.hpp"

#include "GSRoot/Array.hpp"
#include "GSRoot/MemoryManager.hpp"
#include "ObjectStateAccess.hpp"
#include "TextBuffer.hpp"

#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace GS {

// Lives in a GS::MemoryManager block like every member it holds, so the host's allocation counts
// and injected failures cover an object state completely.
class ObjectState::Impl {
public:
    struct Member {
        String name;
        String value;
    };

    static constexpr UIndex NotFound = MaxUSize;

    UIndex IndexOf(const String& name) const {
        for (UIndex i = 0; i < members.GetSize(); ++i) {
            if (members[i].name == name) {
                return i;
            }
        }
        return NotFound;
    }

    // Both strings are built before anything changes, so a failed allocation leaves the state as
    // it was.
    void Set(String name, String value) {
        const UIndex index = IndexOf(name);
        if (index != NotFound) {
            members[index].value = std::move(value);
            return;
        }
        members.Push(Member{std::move(name), std::move(value)});
    }

    Array<Member> members;
};

ObjectState::ObjectState()
    : impl(::new (MemoryManager::Allocate(sizeof(Impl), MemoryManager::ThrowOnFailure, false)) Impl()) {}

ObjectState::~ObjectState() {
    impl->~Impl();
    MemoryManager::Free(impl);
}

bool ObjectState::Add(const String& name, const char* value) {
    if (value == nullptr) {
        return false;
    }
    impl->Set(name, String(value));
    return true;
}

bool ObjectState::Get(const String& name, UniString& value) const {
    const UIndex index = impl->IndexOf(name);
    if (index == Impl::NotFound) {
        return false;
    }
    const String& text = impl->members[index].value;
    value = UniString(text.ToCStr(), text.GetLength(), CC_UTF8);
    return true;
}

USize ObjectStateAccess::GetMemberCount(const ObjectState& state) {
    return state.impl->members.GetSize();
}

ObjectStateMember ObjectStateAccess::GetMember(const ObjectState& state, UIndex index) {
    const Array<ObjectState::Impl::Member>& members = state.impl->members;
    if (index >= members.GetSize()) {
        throw std::out_of_range("GS::ObjectState: member " + std::to_string(index) + " of " +
                                std::to_string(members.GetSize()));
    }
    const ObjectState::Impl::Member& member = members[index];
    return {{member.name.ToCStr(), member.name.GetLength()},
            {member.value.ToCStr(), member.value.GetLength()}};
}

void ObjectStateAccess::AddMember(ObjectState& state, std::string_view name, std::string_view value) {
    state.impl->Set(String(name.data(), TextBuffer::CheckedLength(name.size())),
                    String(value.data(), TextBuffer::CheckedLength(value.size())));
}

} // namespace GS
