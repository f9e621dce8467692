#include "PanelImpl.hpp"

#include "DG/Events.hpp"
#include "ModelessImpl.hpp"

#include <iostream>

namespace DG::Detail {

namespace {

// A dialog that cannot be loaded keeps its identity and no items; `error` says why.
Host::DialogView LoadOrExplain(GSResModule resModule, short resId, GSResModule iconResModule,
                               std::string& error) {
    try {
        return Host::LoadDialog(resModule, resId, iconResModule);
    } catch (const Host::DialogResourceError& failure) {
        error = failure.what();
        Host::DialogView empty;
        empty.resModule = resModule;
        empty.iconResModule = iconResModule;
        empty.resId = resId;
        return empty;
    }
}

} // namespace

PanelImpl::PanelImpl(Panel& panel, GSResModule resModule, short resId, GSResModule iconResModule)
    : owner(panel), view(LoadOrExplain(resModule, resId, iconResModule, loadError)), slots(view.items.size()),
      alive(std::make_shared<bool>(true)) {}

PanelImpl::~PanelImpl() {
    *alive = false;
    for (ItemSlot& slot : slots)
        slot.own.reset();
    for (Item* item : bound)
        Access::Of(*item).panel = nullptr;
}

std::string PanelImpl::Describe() const {
    return "dialog " + std::to_string(view.resId) + " of resource module " + std::to_string(view.resModule);
}

PanelImpl::ItemSlot* PanelImpl::Slot(short itemId) {
    if (itemId < 1 || static_cast<std::size_t>(itemId) > slots.size())
        return nullptr;
    return &slots[static_cast<std::size_t>(itemId) - 1];
}

void PanelImpl::AttachToItem(short itemId, ButtonItemObserver& observer) {
    if (ItemSlot* slot = Slot(itemId))
        slot->observers.Attach(observer);
}

void PanelImpl::DetachFromItem(short itemId, ButtonItemObserver& observer) {
    if (ItemSlot* slot = Slot(itemId))
        slot->observers.Detach(observer);
}

void PanelImpl::AttachToAllItems(ButtonItemObserver& observer) {
    for (ItemSlot& slot : slots)
        slot.observers.Attach(observer);
}

void PanelImpl::DetachFromAllItems(ButtonItemObserver& observer) {
    for (ItemSlot& slot : slots)
        slot.observers.Detach(observer);
}

void PanelImpl::SetItemsEnabled(bool enabled) {
    for (Host::ItemView& item : view.items)
        item.enabled = enabled;
    if (modeless != nullptr)
        modeless->ItemsEnabledChanged(enabled);
}

void PanelImpl::Bind(Item& item) {
    bound.push_back(&item);
    if (IsLoaded() && Slot(item.GetId()) == nullptr)
        std::cerr << "DG: " << Describe() << " has no item " << item.GetId() << '\n';
}

void PanelImpl::Unbind(Item& item) {
    std::erase(bound, &item);
}

Item& PanelImpl::ClickSource(short itemId, ItemSlot& slot) {
    for (auto item = bound.rbegin(); item != bound.rend(); ++item)
        if ((*item)->GetId() == itemId)
            return **item;
    slot.own = std::make_unique<Item>(owner, itemId);
    return *slot.own;
}

void PanelImpl::NotifyOpened() {
    const PanelOpenEvent event(&owner);
    Notify(observers, [&event](PanelObserver& observer) { observer.PanelOpened(event); });
}

bool PanelImpl::RequestClose() {
    bool accepted = true;
    const PanelCloseRequestEvent event(&owner);
    Notify(observers, [&](PanelObserver& observer) { observer.PanelCloseRequested(event, &accepted); });
    return accepted;
}

bool PanelImpl::Click(short itemId) {
    ItemSlot* slot = Slot(itemId);
    if (slot == nullptr) {
        std::cerr << "DG: " << Describe() << " has no item " << itemId << "; the click is dropped\n";
        return false;
    }
    // Separators take no clicks, so a button object bound to one never hears of any.
    const Host::ItemView& item = *view.FindItem(itemId);
    const char* refusal = !item.enabled                            ? " is disabled"
                          : item.kind == Host::ItemKind::Separator ? " is a separator"
                                                                   : nullptr;
    if (refusal != nullptr) {
        std::cerr << "DG: " << Describe() << ": item " << itemId << refusal << "; the click is dropped\n";
        return false;
    }
    const ButtonClickEvent event(&ClickSource(itemId, *slot));
    Notify(slot->observers, [&event](ButtonItemObserver& observer) { observer.ButtonClicked(event); });
    return true;
}

} // namespace DG::Detail
