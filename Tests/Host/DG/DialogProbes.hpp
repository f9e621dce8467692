#pragma once

// A scripted user interface and recording observers for the modal loop, all writing one log.

#include "DG/DG.hpp"
#include "DGHost.hpp"

#include <functional>
#include <string>
#include <vector>

namespace DGTest {

using Log = std::vector<std::string>;

// Answers NextAction from a script, then Abort once the script is used up; records palette changes.
class ScriptedDriver : public DG::Host::UIDriver, public DG::Host::PaletteDriver {
public:
    explicit ScriptedDriver(Log& sharedLog) : log(sharedLog) {}

    void Script(std::vector<DG::Host::UserAction> next);

    void DialogOpened(const DG::Host::DialogView& dialog) override;
    DG::Host::UserAction NextAction(const DG::Host::DialogView& dialog) override;
    void DialogClosed(const DG::Host::DialogView& dialog, DG::ModalDialog::ModalResponse response) override;
    void PaletteChanged(const DG::Host::PaletteView& palette, DG::Host::PaletteChange change) override;

    std::vector<DG::Host::DialogView> seen;          // the views NextAction was given
    std::vector<DG::Host::PaletteView> paletteViews; // the views PaletteChanged was given

private:
    Log& log;
    std::vector<DG::Host::UserAction> actions;
    std::size_t next = 0;
};

// Built as the add-on builds its message dialogs: it observes itself, buttons 1 and 2 post
// Accept and Cancel. Hooks let a test act inside the notifications.
class TestDialog : public DG::ModalDialog,
                   public DG::PanelObserver,
                   public DG::ButtonItemObserver,
                   public DG::CompoundItemObserver {
public:
    TestDialog(GSResModule resModule, short resId, Log& sharedLog);
    ~TestDialog() override;

    void PanelOpened(const DG::PanelOpenEvent& ev) override;
    void PanelCloseRequested(const DG::PanelCloseRequestEvent& ev, bool* accepted) override;
    void ButtonClicked(const DG::ButtonClickEvent& ev) override;

    std::function<void()> onOpened;
    std::function<void(bool* accepted)> onCloseRequested;
    std::function<void(const DG::ButtonClickEvent& ev)> onClicked;

    DG::Button accept;
    DG::Button second;

private:
    Log& log;
};

class PanelRecorder : public DG::PanelObserver {
public:
    PanelRecorder(std::string recorderName, Log& sharedLog) : name(std::move(recorderName)), log(sharedLog) {}

    void PanelOpened(const DG::PanelOpenEvent& ev) override;
    void PanelCloseRequested(const DG::PanelCloseRequestEvent& ev, bool* accepted) override;

    std::function<void()> onOpened;

private:
    std::string name;
    Log& log;
};

class ClickRecorder : public DG::ButtonItemObserver, public DG::CompoundItemObserver {
public:
    ClickRecorder(std::string recorderName, Log& sharedLog) : name(std::move(recorderName)), log(sharedLog) {}

    void ButtonClicked(const DG::ButtonClickEvent& ev) override;

    std::function<void(const DG::ButtonClickEvent& ev)> onClicked;
    DG::Item* lastSource = nullptr;

private:
    std::string name;
    Log& log;
};

} // namespace DGTest
