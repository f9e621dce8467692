#include "DG/ModalDialog.hpp"

#include "PanelImpl.hpp"
#include "UIDriverRegistry.hpp"

#include <iostream>
#include <optional>

namespace DG {

namespace Detail {

class ModalState {
public:
    bool running = false;
    std::optional<ModalDialog::ModalResponse> posted;
};

} // namespace Detail

namespace {

// Marks the dialog as running for one Invoke, unless the dialog is destroyed meanwhile.
class RunningScope {
public:
    RunningScope(Detail::ModalState& modalState, std::shared_ptr<const bool> panelAlive)
        : state(modalState), alive(std::move(panelAlive)) {
        state.running = true;
        state.posted.reset();
    }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;
    ~RunningScope() {
        if (*alive)
            state.running = false;
    }

private:
    Detail::ModalState& state;
    std::shared_ptr<const bool> alive;
    const Detail::ModalRun modal;
};

} // namespace

ModalDialog::ModalDialog(GSResModule resModule, short resId, GSResModule dialogIconResModule)
    : Panel(resModule, resId, dialogIconResModule), state(new Detail::ModalState) {}

ModalDialog::~ModalDialog() {
    delete state;
}

bool ModalDialog::Invoke() {
    Detail::PanelImpl& panel = Detail::Access::Of(*this);
    if (!panel.IsLoaded()) {
        std::cerr << "DG: " << panel.Describe() << " refused: " << panel.LoadError() << '\n';
        return false;
    }
    Host::UIDriver* driver = Detail::CurrentUIDriver();
    if (driver == nullptr) {
        std::cerr << "DG: no user interface to show dialog " << panel.View().resId << '\n';
        return false;
    }
    if (state->running) {
        std::cerr << "DG: " << panel.Describe() << " is already running\n";
        return false;
    }

    const std::shared_ptr<const bool> alive = panel.AliveFlag();
    const RunningScope running(*state, alive);
    driver->DialogOpened(panel.View());
    panel.NotifyOpened();
    while (*alive && !state->posted) {
        const Host::UserAction action = driver->NextAction(panel.View());
        switch (action.kind) {
        case Host::UserAction::Kind::Click:
            panel.Click(action.itemId);
            break;
        case Host::UserAction::Kind::Close:
            if (panel.RequestClose() && *alive && !state->posted)
                state->posted = Cancel;
            break;
        case Host::UserAction::Kind::Abort:
            state->posted = Cancel;
            break;
        }
    }
    if (!*alive)
        return false;
    const ModalResponse response = *state->posted;
    driver->DialogClosed(panel.View(), response);
    return response == Accept;
}

void ModalDialog::PostCloseRequest(ModalResponse response) {
    if (state->running && !state->posted)
        state->posted = response;
}

} // namespace DG
