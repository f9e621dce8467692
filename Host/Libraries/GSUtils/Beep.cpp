#include "GSUtils/GSUtils.hpp"

#include "GSUtilsHost.hpp"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

struct BeepSinkSlot {
    std::mutex mutex;
    std::function<void()> sink;
};

BeepSinkSlot& Slot() {
    static BeepSinkSlot& slot = *new BeepSinkSlot; // never destroyed, like the debug sink
    return slot;
}

} // namespace

void GSSysBeep() {
    std::function<void()> sink;
    {
        std::lock_guard lock(Slot().mutex);
        sink = Slot().sink;
    }
    if (sink) {
        sink();
        return;
    }
    std::fputs("\a", stderr);
    std::fflush(stderr);
}

namespace GSUtils::Host {

void SetBeepSink(std::function<void()> sink) {
    std::lock_guard lock(Slot().mutex);
    Slot().sink = std::move(sink);
}

} // namespace GSUtils::Host
