#include "ModelessImpl.hpp"

#include "PanelImpl.hpp"
#include "Trace.hpp"
#include "UIDriverRegistry.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <vector>

namespace DG::Detail {

namespace {

// Oldest first.
std::vector<ModelessImpl*>& Listed() {
    // Never destroyed: modules destroy their windows when they are unloaded, at exit possibly after
    // this library's own statics.
    static std::vector<ModelessImpl*>& windows = *new std::vector<ModelessImpl*>;
    return windows;
}

ModelessImpl* Newest(const GS::Guid& guid) {
    const std::vector<ModelessImpl*>& windows = Listed();
    const auto found = std::find_if(windows.rbegin(), windows.rend(),
                                    [&guid](const ModelessImpl* window) { return window->Guid() == guid; });
    return found == windows.rend() ? nullptr : *found;
}

// Made without GS::UniString, whose buffers would count among the add-on's allocations.
std::string GuidText(const GS::Guid& guid) {
    struct {
        UInt32 data1;
        UInt16 data2;
        UInt16 data3;
        UInt8 data4[8];
    } form;
    static_assert(sizeof(form) == sizeof(GS::Guid));
    std::memcpy(&form, &guid, sizeof(form));
    char text[40];
    std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", form.data1,
                  form.data2, form.data3, form.data4[0], form.data4[1], form.data4[2], form.data4[3],
                  form.data4[4], form.data4[5], form.data4[6], form.data4[7]);
    return text;
}

// The newest window with `guid`, or null after saying that `what` is dropped.
ModelessImpl* Recipient(const GS::Guid& guid, const std::string& what) {
    ModelessImpl* window = Newest(guid);
    if (window == nullptr)
        std::cerr << "DG: no palette " << GuidText(guid) << "; " << what << " is dropped\n";
    return window;
}

std::string ClickText(short itemId) {
    return "the click on item " + std::to_string(itemId);
}

constexpr const char* CloseText = "the close request";

} // namespace

ModelessImpl::ModelessImpl(PanelImpl& windowPanel, const GS::Guid& windowGuid)
    : panel(windowPanel), guid(windowGuid), listed(windowPanel.IsLoaded()) {
    if (listed) {
        if (Newest(guid) != nullptr)
            std::cerr << "DG: a palette " << GuidText(guid)
                      << " exists already; the newest takes the events\n";
        Listed().push_back(this);
    }
    panel.SetModeless(this);
    Tell(Host::PaletteChange::Created);
}

ModelessImpl::~ModelessImpl() {
    panel.SetModeless(nullptr);
    if (!listed)
        return;
    std::erase(Listed(), this);
    Tell(Host::PaletteChange::Destroyed);
}

void ModelessImpl::Show(short newDockState) {
    Trace("Palette ", panel.View().resId, " shown with ", newDockState);
    if (!listed) {
        std::cerr << "DG: " << panel.Describe() << " refused: " << panel.LoadError() << '\n';
        return;
    }
    visible = true;
    dockState = newDockState;
    Tell(Host::PaletteChange::Shown);
}

void ModelessImpl::Hide() {
    Trace("Palette ", panel.View().resId, " hidden");
    visible = false;
    Tell(Host::PaletteChange::Hidden);
}

void ModelessImpl::SetEventProcessing(bool processing) {
    Trace("Palette ", panel.View().resId, processing ? " began" : " ended", " event processing");
    processingEvents = processing;
    Tell(processing ? Host::PaletteChange::EventProcessingBegun : Host::PaletteChange::EventProcessingEnded);
}

void ModelessImpl::ItemsEnabledChanged(bool enabled) const {
    Tell(enabled ? Host::PaletteChange::ItemsEnabled : Host::PaletteChange::ItemsDisabled);
}

Host::PaletteView ModelessImpl::View() const {
    return {guid, panel.View(), visible, processingEvents, dockState};
}

bool ModelessImpl::Click(short itemId) {
    return TakesEvents(ClickText(itemId)) && panel.Click(itemId);
}

bool ModelessImpl::RequestClose() {
    if (!TakesEvents(CloseText))
        return false;
    panel.RequestClose();
    return true;
}

bool ModelessImpl::TakesEvents(const std::string& what) const {
    const char* refusal = ModalDialogRunning() ? " takes no events while a modal dialog runs"
                          : !visible           ? " is hidden"
                          : !processingEvents  ? " processes no events"
                                               : nullptr;
    if (refusal == nullptr)
        return true;
    std::cerr << "DG: " << panel.Describe() << refusal << "; " << what << " is dropped\n";
    return false;
}

void ModelessImpl::Tell(Host::PaletteChange change) const {
    if (!listed)
        return;
    if (Host::PaletteDriver* driver = CurrentPaletteDriver())
        driver->PaletteChanged(View(), change);
}

} // namespace DG::Detail

namespace DG::Host {

std::vector<PaletteView> ListPalettes() {
    std::vector<PaletteView> palettes;
    for (const Detail::ModelessImpl* window : Detail::Listed())
        palettes.push_back(window->View());
    return palettes;
}

bool ClickPaletteItem(const GS::Guid& guid, short itemId) {
    Detail::ModelessImpl* window = Detail::Recipient(guid, Detail::ClickText(itemId));
    return window != nullptr && window->Click(itemId);
}

bool RequestPaletteClose(const GS::Guid& guid) {
    Detail::ModelessImpl* window = Detail::Recipient(guid, Detail::CloseText);
    return window != nullptr && window->RequestClose();
}

} // namespace DG::Host
