#include "DG/Item.hpp"

#include "PanelImpl.hpp"

namespace DG {

Item::Item(const Panel& panel, short itemId)
    : impl(new Detail::ItemImpl(&Detail::Access::Of(panel), itemId)) {
    try {
        impl->panel->Bind(*this);
    } catch (...) {
        delete impl;
        throw;
    }
}

Item::~Item() {
    if (impl->panel != nullptr)
        impl->panel->Unbind(*this);
    delete impl;
}

short Item::GetId() const {
    return impl->id;
}

Button::Button(const Panel& panel, short itemId) : Item(panel, itemId) {}

Button::~Button() = default;

void Button::Attach(ButtonItemObserver& observer) {
    if (Detail::PanelImpl* panel = Detail::Access::Of(*this).panel)
        panel->AttachToItem(GetId(), observer);
}

void Button::Detach(ButtonItemObserver& observer) {
    if (Detail::PanelImpl* panel = Detail::Access::Of(*this).panel)
        panel->DetachFromItem(GetId(), observer);
}

} // namespace DG
