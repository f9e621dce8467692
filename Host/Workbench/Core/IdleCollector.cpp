#include "IdleCollector.hpp"

#include "GarbageCollectorHost.hpp"

namespace Workbench {

void IdleCollector::Hold(bool hold) {
    held = hold;
    transcript.Write("gc-hold",
                     JsonObject().Bool("held", held).Number("pending", static_cast<std::int64_t>(Pending())));
}

void IdleCollector::Idle() {
    if (!held)
        Collect("idle", false);
}

std::size_t IdleCollector::Run() {
    return Collect("explicit", true);
}

std::size_t IdleCollector::Pending() const {
    return GS::Host::PendingDisposables();
}

std::size_t IdleCollector::Collect(const char* trigger, bool alwaysTell) {
    const std::size_t count = GS::Host::RunGarbageCollector();
    if (count > 0 || alwaysTell)
        transcript.Write(
            "garbage-collected",
            JsonObject().Number("count", static_cast<std::int64_t>(count)).String("trigger", trigger));
    return count;
}

} // namespace Workbench
