#include "DG/Item.hpp"

#include "PanelImpl.hpp"
#include "Trace.hpp"

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

Button::Button(const Panel& panel, short itemId) : Item(panel, itemId) {
    Detail::Trace("Button ", itemId, " created");
}

Button::~Button() {
    Detail::Trace("Button ", GetId(), " destroyed");
}

void Button::Attach(ButtonItemObserver& observer) {
    Detail::Trace("ButtonItemObserver attached to button ", GetId());
    if (Detail::PanelImpl* panel = Detail::Access::Of(*this).panel)
        panel->AttachToItem(GetId(), observer);
}

void Button::Detach(ButtonItemObserver& observer) {
    Detail::Trace("ButtonItemObserver detached from button ", GetId());
    if (Detail::PanelImpl* panel = Detail::Access::Of(*this).panel)
        panel->DetachFromItem(GetId(), observer);
}

} // namespace DG
