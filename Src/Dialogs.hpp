#pragma once

#include "DG/DG.hpp"
#include "GSRoot/UniString.hpp"

// A modal message dialog from one of the add-on's dialog resources: item 1 accepts, item 2 (where
// it is a button) declines. Invoke is true when the dialog was closed with item 1.
class Dialog : public DG::ModalDialog,
               public DG::PanelObserver,
               public DG::ButtonItemObserver,
               public DG::CompoundItemObserver {
public:
    explicit Dialog(short resId);
    ~Dialog() override;

protected:
    void PanelOpened(const DG::PanelOpenEvent& ev) override;
    void PanelCloseRequested(const DG::PanelCloseRequestEvent& ev, bool* accepted) override;
    void ButtonClicked(const DG::ButtonClickEvent& ev) override;

    DG::Button acceptButton;
    DG::Button secondButton;
};

// The export-success dialog that offers the live view of the image just uploaded.
class DialogRealtime : public Dialog {
public:
    explicit DialogRealtime(GS::UniString id);
    ~DialogRealtime() override;

protected:
    void ButtonClicked(const DG::ButtonClickEvent& ev) override;

private:
    GS::UniString imageId;
};

// After a successful upload: the live-view offer when the last browser visit has expired, else the
// plain success dialog.
void ShowExportSucceeded(const GS::UniString& imageId);
void ShowOpenLiveDialog(const GS::UniString& imageId);
