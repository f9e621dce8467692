#pragma once

// What a modeless window holds beyond its panel: whether it is shown and processes events. While
// its dialog is loaded it is listed for the host, which delivers the user's actions through it.

#include "DGHost.hpp"

#include <string>

namespace DG::Detail {

class PanelImpl;

class ModelessImpl {
public:
    ModelessImpl(PanelImpl& windowPanel, const GS::Guid& windowGuid);
    ModelessImpl(const ModelessImpl&) = delete;
    ModelessImpl& operator=(const ModelessImpl&) = delete;
    ~ModelessImpl();

    void Show(short newDockState);
    void Hide();
    bool IsVisible() const { return visible; }
    void SetEventProcessing(bool processing);
    // Called by the panel after EnableItems or DisableItems.
    void ItemsEnabledChanged(bool enabled) const;

    const GS::Guid& Guid() const { return guid; }
    Host::PaletteView View() const;

    // The host's deliveries; see Host::ClickPaletteItem. Neither touches the window after telling
    // its observers, who may have destroyed it.
    bool Click(short itemId);
    bool RequestClose();

private:
    // False, saying on standard error that `what` is dropped, when the window takes no events now.
    bool TakesEvents(const std::string& what) const;
    void Tell(Host::PaletteChange change) const;

    PanelImpl& panel;
    const GS::Guid guid;
    const bool listed; // a window whose dialog did not load stays unknown to the host
    bool visible = false;
    bool processingEvents = false;
    short dockState = 0;
};

} // namespace DG::Detail
