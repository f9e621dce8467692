#include "DG/Panel.hpp"

#include "PanelImpl.hpp"

namespace DG {

Panel::Panel(GSResModule resModule, short resId, GSResModule dialogIconResModule)
    : impl(new Detail::PanelImpl(*this, resModule, resId, dialogIconResModule)) {}

Panel::~Panel() {
    delete impl;
}

void Panel::Attach(PanelObserver& observer) {
    impl->Attach(observer);
}

void Panel::Detach(PanelObserver& observer) {
    impl->Detach(observer);
}

void Panel::EnableItems() {
    impl->SetItemsEnabled(true);
}

void Panel::DisableItems() {
    impl->SetItemsEnabled(false);
}

} // namespace DG
