#include "Win32/Windows.hpp"

#include "CallObserver.hpp"
#include "GSRootHost.hpp"

#include <exception>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {

// Registered message numbers come from the range Windows reserves for them.
constexpr UINT FirstMessage = 0xC000;
constexpr UINT LastMessage = 0xFFFF;
constexpr std::size_t MaxNameLength = 255; // the atom table's limit

struct MessageTable {
    std::mutex mutex;
    std::unordered_map<std::u16string, UINT> numbers;
};

MessageTable& Table() {
    static MessageTable& table = *new MessageTable; // never destroyed, like the observer
    return table;
}

// Windows compares message names without regard to case; ASCII letters are folded here.
std::u16string FoldCase(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& unit : folded) {
        if (unit >= u'a' && unit <= u'z') {
            unit = static_cast<char16_t>(unit - u'a' + u'A');
        }
    }
    return folded;
}

// 0 when the name is refused or the range is used up, as on Windows.
UINT MessageNumberOf(std::u16string_view name) {
    if (name.empty() || name.size() > MaxNameLength) {
        return 0;
    }
    MessageTable& table = Table();
    std::lock_guard lock(table.mutex);
    std::u16string key = FoldCase(name);
    if (const auto found = table.numbers.find(key); found != table.numbers.end()) {
        return found->second;
    }
    const std::size_t next = FirstMessage + table.numbers.size();
    if (next > LastMessage) {
        return 0;
    }
    table.numbers.emplace(std::move(key), static_cast<UINT>(next));
    return static_cast<UINT>(next);
}

} // namespace

extern "C" UINT RegisterWindowMessageW(LPCWSTR name) {
    // A Windows call reports failure by its result and never throws into its caller.
    try {
        const std::u16string_view nameView =
            name == nullptr ? std::u16string_view() : std::u16string_view(name);
        Win32::ReportCall("RegisterWindowMessageW", GS::Host::Utf16ToUtf8(nameView));
        return MessageNumberOf(nameView);
    } catch (const std::exception&) {
        return 0;
    }
}
