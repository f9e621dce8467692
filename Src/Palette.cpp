#include "Palette.hpp"

#include "ACAPI/ACAPinc.hpp"
#include "AccountLink.hpp"
#include "AddOnMain.hpp"
#include "Export.hpp"
#include "KaveloResourceIds.h"

namespace {

// The host's placement code for a palette shown where it was last.
constexpr short ShowAtLastPlace = -32768;

enum PaletteMessage : Int32 {
    ClosePalette = 1,
    HidePalette = 2,
    ShowPalette = 3,
    DisableItems = 4,
    EnableItems = 5,
    OpenPalette = 6,
    IsPaletteVisible = 7
};

} // namespace

Palette::Palette()
    : DG::Palette(ACAPI_GetOwnResModule(), KAVELO_PALETTE, ACAPI_GetOwnResModule(), PaletteGuid),
      exportButton(*this, KAVELO_PALETTE_ITEM_EXPORT), liveButton(*this, KAVELO_PALETTE_ITEM_LIVE) {
    Attach(*this);
    AttachToAllItems(*this);
    SetGarbageCollector(GS::defaultGarbageCollector);
    SetDisposeHandler(&PaletteManager::GetInstance());
}

Palette::~Palette() {
    Detach(*this);
    DetachFromAllItems(*this);
}

void Palette::PanelOpened(const DG::PanelOpenEvent& /*ev*/) {}

void Palette::PanelCloseRequested(const DG::PanelCloseRequestEvent& ev, bool* /*accepted*/) {
    if (ev.GetSource() != this)
        return;
    // Deleting the palette from inside its own callback is not safe: the collector does it later.
    Hide();
    EndEventProcessing();
    MarkAsDisposable();
}

void Palette::ButtonClicked(const DG::ButtonClickEvent& ev) {
    if (ev.GetSource() == &exportButton)
        ExportCurrentView();
    else if (ev.GetSource() == &liveButton)
        OpenLiveView(std::string());
}

PaletteManager& PaletteManager::GetInstance() {
    static PaletteManager manager;
    return manager;
}

PaletteManager::~PaletteManager() {
    // At unload: the palette goes without being hidden first.
    if (palette != nullptr) {
        palette->EndEventProcessing();
        palette.reset();
    }
}

void PaletteManager::Open() {
    if (palette == nullptr) {
        palette = std::make_unique<Palette>();
        paletteDisposable = palette.get();
    }
    palette->BeginEventProcessing();
    palette->Show(ShowAtLastPlace);
}

void PaletteManager::Close() {
    if (palette == nullptr)
        return;
    palette->Hide();
    palette->EndEventProcessing();
    palette.reset();
}

void PaletteManager::OnPaletteDisposed(GS::DisposableObject* object) {
    // The collector has deleted the palette already: only the pointer is left to clear.
    if (palette != nullptr && object == paletteDisposable) {
        static_cast<void>(palette.release());
        paletteDisposable = nullptr;
    }
}

void PaletteManager::DisposableObjectDeleted(GS::DisposableObject* object) {
    OnPaletteDisposed(object);
}

GSErrCode HandlePaletteMessage(Int32 referenceID, Int32 messageID, GS::IntPtr param) {
    if (referenceID != PaletteRefId)
        return NoError;
    PaletteManager& manager = PaletteManager::GetInstance();
    Palette* palette = manager.GetPalette();
    switch (messageID) {
    case ClosePalette:
        manager.Close();
        break;
    case HidePalette:
        if (palette != nullptr)
            palette->Hide();
        break;
    case ShowPalette:
        if (palette != nullptr)
            palette->Show(ShowAtLastPlace);
        break;
    case DisableItems:
        if (palette != nullptr)
            palette->DisableItems();
        break;
    case EnableItems:
        if (palette != nullptr)
            palette->EnableItems();
        break;
    case OpenPalette:
        manager.Open();
        break;
    case IsPaletteVisible:
        *reinterpret_cast<bool*>(param) = palette != nullptr && palette->IsVisible();
        break;
    default:
        break;
    }
    return NoError;
}
