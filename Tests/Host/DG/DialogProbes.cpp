#include "DialogProbes.hpp"

#include "DGTestResourceIds.h"

namespace DGTest {

using DG::Host::UserAction;

void ScriptedDriver::Script(std::vector<UserAction> script) {
    actions = std::move(script);
    next = 0;
}

void ScriptedDriver::DialogOpened(const DG::Host::DialogView& dialog) {
    log.push_back("driver: opened " + std::to_string(dialog.resId) + " \"" + dialog.title + "\"");
}

UserAction ScriptedDriver::NextAction(const DG::Host::DialogView& dialog) {
    seen.push_back(dialog);
    const UserAction action = next < actions.size() ? actions[next++] : UserAction::Abort();
    switch (action.kind) {
    case UserAction::Kind::Click:
        log.push_back("driver: click " + std::to_string(action.itemId));
        break;
    case UserAction::Kind::Close:
        log.push_back("driver: close");
        break;
    case UserAction::Kind::Abort:
        log.push_back("driver: abort");
        break;
    }
    return action;
}

void ScriptedDriver::DialogClosed(const DG::Host::DialogView& dialog,
                                  DG::ModalDialog::ModalResponse response) {
    log.push_back("driver: closed " + std::to_string(dialog.resId) + " with " + std::to_string(response));
}

void ScriptedDriver::PaletteChanged(const DG::Host::PaletteView& palette, DG::Host::PaletteChange change) {
    paletteViews.push_back(palette);
    using Change = DG::Host::PaletteChange;
    std::string what;
    switch (change) {
    case Change::Created:
        what = "created";
        break;
    case Change::Shown:
        what = "shown with " + std::to_string(palette.dockState);
        break;
    case Change::Hidden:
        what = "hidden";
        break;
    case Change::EventProcessingBegun:
        what = "began event processing";
        break;
    case Change::EventProcessingEnded:
        what = "ended event processing";
        break;
    case Change::ItemsEnabled:
        what = "items enabled";
        break;
    case Change::ItemsDisabled:
        what = "items disabled";
        break;
    case Change::Destroyed:
        what = "destroyed";
        break;
    }
    log.push_back("driver: palette " + std::to_string(palette.dialog.resId) + " " + what);
}

TestDialog::TestDialog(GSResModule resModule, short resId, Log& sharedLog)
    : DG::ModalDialog(resModule, resId, resModule), accept(*this, DGTEST_DLG_ITEM_ACCEPT),
      second(*this, DGTEST_DLG_ITEM_SECOND), log(sharedLog) {
    AttachToAllItems(*this);
    Attach(*this);
}

TestDialog::~TestDialog() {
    Detach(*this);
    DetachFromAllItems(*this);
}

void TestDialog::PanelOpened(const DG::PanelOpenEvent& ev) {
    log.push_back(ev.GetSource() == this ? "dialog: opened" : "dialog: opened, foreign source");
    if (onOpened)
        onOpened();
}

void TestDialog::PanelCloseRequested(const DG::PanelCloseRequestEvent& ev, bool* accepted) {
    log.push_back(std::string("dialog: close requested") + (*accepted ? "" : ", refused before") +
                  (ev.GetSource() == this ? "" : ", foreign source"));
    if (onCloseRequested)
        onCloseRequested(accepted);
}

void TestDialog::ButtonClicked(const DG::ButtonClickEvent& ev) {
    const char* which = ev.GetSource() == &accept   ? " (accept)"
                        : ev.GetSource() == &second ? " (second)"
                                                    : "";
    log.push_back("dialog: click " + std::to_string(ev.GetSource()->GetId()) + which);
    if (ev.GetSource() == &accept)
        PostCloseRequest(Accept);
    else if (ev.GetSource() == &second)
        PostCloseRequest(Cancel);
    if (onClicked)
        onClicked(ev);
}

void PanelRecorder::PanelOpened(const DG::PanelOpenEvent& /*ev*/) {
    log.push_back(name + ": opened");
    if (onOpened)
        onOpened();
}

void PanelRecorder::PanelCloseRequested(const DG::PanelCloseRequestEvent& /*ev*/, bool* /*accepted*/) {
    log.push_back(name + ": close requested");
}

void ClickRecorder::ButtonClicked(const DG::ButtonClickEvent& ev) {
    lastSource = ev.GetSource();
    log.push_back(name + ": click " + std::to_string(ev.GetSource()->GetId()));
    if (onClicked)
        onClicked(ev);
}

} // namespace DGTest
