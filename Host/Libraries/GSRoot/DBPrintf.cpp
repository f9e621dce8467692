#include "GSRoot/DBPrintf.hpp"

#include "GSRootHost.hpp"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

namespace {

struct DebugSinkSlot {
    std::mutex mutex;
    GS::Host::DebugSink sink;
};

DebugSinkSlot& Slot() {
    static DebugSinkSlot& slot = *new DebugSinkSlot; // never destroyed: modules print from their detach at exit
    return slot;
}

void Emit(std::string_view text) {
    GS::Host::DebugSink sink;
    {
        // Called outside the lock, so a sink may itself print debug text.
        std::lock_guard lock(Slot().mutex);
        sink = Slot().sink;
    }
    if (sink) {
        sink(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

} // namespace

void DBPrintf(const char* format, ...) {
    if (format == nullptr) {
        Emit("DBPrintf: null format string\n");
        return;
    }
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length < 0) {
        va_end(arguments);
        Emit(std::string("DBPrintf: cannot format \"") + format + "\"\n");
        return;
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    // The string's own terminator slot takes vsnprintf's '\0'.
    std::vsnprintf(text.data(), text.size() + 1, format, arguments);
    va_end(arguments);
    Emit(text);
}

namespace GS::Host {

void SetDebugSink(DebugSink sink) {
    std::lock_guard lock(Slot().mutex);
    Slot().sink = std::move(sink);
}

} // namespace GS::Host
