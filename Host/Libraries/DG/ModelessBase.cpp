#include "DG/ModelessBase.hpp"

#include "ModelessImpl.hpp"
#include "PanelImpl.hpp"

namespace DG {

ModelessBase::ModelessBase(Panel& panel, const GS::Guid& guid)
    : impl(new Detail::ModelessImpl(Detail::Access::Of(panel), guid)) {}

ModelessBase::~ModelessBase() {
    delete impl;
}

void ModelessBase::Show(short dockState) {
    impl->Show(dockState);
}

void ModelessBase::Hide() {
    impl->Hide();
}

bool ModelessBase::IsVisible() const {
    return impl->IsVisible();
}

void ModelessBase::BeginEventProcessing() {
    impl->SetEventProcessing(true);
}

void ModelessBase::EndEventProcessing() {
    impl->SetEventProcessing(false);
}

} // namespace DG
