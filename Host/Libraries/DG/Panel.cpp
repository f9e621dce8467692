#include "DG/Panel.hpp"

#include "PanelImpl.hpp"
#include "Trace.hpp"

namespace DG {

Panel::Panel(GSResModule resModule, short resId, GSResModule dialogIconResModule)
    : impl(new Detail::PanelImpl(*this, resModule, resId, dialogIconResModule)) {
    Detail::Trace("Panel ", resId, " created");
}

Panel::~Panel() {
    Detail::Trace("Panel ", impl->View().resId, " destroyed");
    delete impl;
}

void Panel::Attach(PanelObserver& observer) {
    Detail::Trace("PanelObserver attached to ", impl->View().resId);
    impl->Attach(observer);
}

void Panel::Detach(PanelObserver& observer) {
    Detail::Trace("PanelObserver detached from ", impl->View().resId);
    impl->Detach(observer);
}

void Panel::EnableItems() {
    impl->SetItemsEnabled(true);
}

void Panel::DisableItems() {
    impl->SetItemsEnabled(false);
}

} // namespace DG
