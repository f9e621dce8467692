#pragma once

// The library's way into the implementation objects behind the public classes.

#include "DG/Item.hpp"
#include "DG/Observers.hpp"
#include "DG/Panel.hpp"

namespace DG::Detail {

class ItemImpl;
class ObserverLinks;
class PanelImpl;

struct Access {
    static PanelImpl& Of(const Panel& panel) { return *panel.impl; }
    static ItemImpl& Of(const Item& item) { return *item.impl; }
    static ObserverLinks& Links(const PanelObserver& observer) { return *observer.links; }
    static ObserverLinks& Links(const ButtonItemObserver& observer) { return *observer.links; }
};

} // namespace DG::Detail
