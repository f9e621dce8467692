#include "CallObserver.hpp"

#include "Win32Host.hpp"

#include <mutex>
#include <utility>

namespace Win32 {
namespace {

struct ObserverSlot {
    std::mutex mutex;
    Host::CallObserver observer;
};

ObserverSlot& Slot() {
    static ObserverSlot& slot = *new ObserverSlot; // never destroyed: modules call in from their detach at exit
    return slot;
}

} // namespace

void ReportCall(std::string_view call, std::string_view argument) {
    Host::CallObserver observer;
    {
        std::lock_guard lock(Slot().mutex);
        observer = Slot().observer;
    }
    if (observer) {
        observer(call, argument);
    }
}

void Host::SetCallObserver(CallObserver observer) {
    std::lock_guard lock(Slot().mutex);
    Slot().observer = std::move(observer);
}

} // namespace Win32
