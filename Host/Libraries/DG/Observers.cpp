#include "DG/Observers.hpp"

#include "PanelImpl.hpp"
#include "Trace.hpp"

namespace DG {

PanelObserver::PanelObserver() : links(new Detail::ObserverLinks) {}

PanelObserver::~PanelObserver() {
    delete links;
}

void PanelObserver::PanelOpened(const PanelOpenEvent& /*ev*/) {}

void PanelObserver::PanelCloseRequested(const PanelCloseRequestEvent& /*ev*/, bool* /*accepted*/) {}

ButtonItemObserver::ButtonItemObserver() : links(new Detail::ObserverLinks) {}

ButtonItemObserver::~ButtonItemObserver() {
    delete links;
}

void ButtonItemObserver::ButtonClicked(const ButtonClickEvent& /*ev*/) {}

CompoundItemObserver::CompoundItemObserver() = default;

CompoundItemObserver::~CompoundItemObserver() = default;

// The item observer interfaces are sibling bases of the same object, found at run time.
void CompoundItemObserver::AttachToAllItems(const Panel& panel) {
    Detail::Trace("CompoundItemObserver attached to all items of ", Detail::Access::Of(panel).View().resId);
    if (auto* observer = dynamic_cast<ButtonItemObserver*>(this))
        Detail::Access::Of(panel).AttachToAllItems(*observer);
}

void CompoundItemObserver::DetachFromAllItems(const Panel& panel) {
    Detail::Trace("CompoundItemObserver detached from all items of ", Detail::Access::Of(panel).View().resId);
    if (auto* observer = dynamic_cast<ButtonItemObserver*>(this))
        Detail::Access::Of(panel).DetachFromAllItems(*observer);
}

} // namespace DG
