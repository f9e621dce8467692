#include "Trace.hpp"

#include "DGHost.hpp"

#include <utility>

namespace DG {

namespace {

Host::TraceObserver& Observer() {
    // Never destroyed: modules destroy their panels when they are unloaded, at exit possibly after
    // this library's own statics.
    static Host::TraceObserver& observer = *new Host::TraceObserver;
    return observer;
}

} // namespace

void Host::SetTraceObserver(TraceObserver observer) {
    Observer() = std::move(observer);
}

bool Detail::Tracing() {
    return static_cast<bool>(Observer());
}

void Detail::EmitTrace(std::string_view line) {
    // A copy, so that the observer may replace itself.
    const Host::TraceObserver observer = Observer();
    if (observer)
        observer(line);
}

} // namespace DG
