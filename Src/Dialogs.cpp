#include "Dialogs.hpp"

#include "ACAPI/ACAPinc.hpp"
#include "ErrorReport.hpp"
#include "KaveloResourceIds.h"
#include "Preferences.hpp"
#include "ServiceUrls.hpp"

#include <utility>

Dialog::Dialog(short resId)
    : DG::ModalDialog(ACAPI_GetOwnResModule(), resId, ACAPI_GetOwnResModule()),
      acceptButton(*this, KAVELO_DLG_ITEM_ACCEPT), secondButton(*this, KAVELO_DLG_ITEM_SECOND) {
    AttachToAllItems(*this);
    Attach(*this);
}

Dialog::~Dialog() {
    Detach(*this);
    DetachFromAllItems(*this);
}

void Dialog::PanelOpened(const DG::PanelOpenEvent& /*ev*/) {}

void Dialog::PanelCloseRequested(const DG::PanelCloseRequestEvent& /*ev*/, bool* /*accepted*/) {}

void Dialog::ButtonClicked(const DG::ButtonClickEvent& ev) {
    if (ev.GetSource() == &acceptButton)
        PostCloseRequest(Accept);
    else if (ev.GetSource() == &secondButton)
        PostCloseRequest(Cancel);
}

DialogRealtime::DialogRealtime(GS::UniString id)
    : Dialog(KAVELO_DLG_EXPORTED_REALTIME), imageId(std::move(id)) {}

DialogRealtime::~DialogRealtime() = default;

void DialogRealtime::ButtonClicked(const DG::ButtonClickEvent& ev) {
    if (ev.GetSource() == &acceptButton) {
        const std::string id = imageId.IsEmpty() ? std::string() : std::string(imageId.ToCStr().Get());
        RunCommand([&id] { OpenLiveView(id); });
        PostCloseRequest(Accept);
    } else if (ev.GetSource() == &secondButton) {
        PostCloseRequest(Cancel);
    }
}

void ShowExportSucceeded(const GS::UniString& imageId) {
    if (IsBrowserVisitExpired()) {
        ShowOpenLiveDialog(imageId);
        return;
    }
    Dialog dialog(KAVELO_DLG_EXPORTED);
    dialog.Invoke();
}

void ShowOpenLiveDialog(const GS::UniString& imageId) {
    DialogRealtime dialog{GS::UniString(imageId)};
    dialog.Invoke();
}
