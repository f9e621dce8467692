#include "UIDriverRegistry.hpp"

namespace DG {

namespace {

Host::UIDriver* currentDriver = nullptr;

} // namespace

Host::UIDriver* Host::SetUIDriver(UIDriver* driver) {
    UIDriver* previous = currentDriver;
    currentDriver = driver;
    return previous;
}

Host::UIDriver* Detail::CurrentUIDriver() {
    return currentDriver;
}

} // namespace DG
