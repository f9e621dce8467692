#include "UIDriverRegistry.hpp"

namespace DG {

namespace {

Host::UIDriver* currentDriver = nullptr;
Host::PaletteDriver* currentPaletteDriver = nullptr;
int modalRuns = 0;

} // namespace

Host::UIDriver* Host::SetUIDriver(UIDriver* driver) {
    UIDriver* previous = currentDriver;
    currentDriver = driver;
    return previous;
}

Host::PaletteDriver* Host::SetPaletteDriver(PaletteDriver* driver) {
    PaletteDriver* previous = currentPaletteDriver;
    currentPaletteDriver = driver;
    return previous;
}

Host::UIDriver* Detail::CurrentUIDriver() {
    return currentDriver;
}

Host::PaletteDriver* Detail::CurrentPaletteDriver() {
    return currentPaletteDriver;
}

Detail::ModalRun::ModalRun() {
    ++modalRuns;
}

Detail::ModalRun::~ModalRun() {
    --modalRuns;
}

bool Detail::ModalDialogRunning() {
    return modalRuns > 0;
}

} // namespace DG
