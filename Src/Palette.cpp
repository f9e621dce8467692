#include "Palette.hpp"

#include "ACAPI/ACAPinc.hpp"
#include "ErrorReport.hpp"
#include "Export.hpp"
#include "KaveloResourceIds.h"
#include "ServiceUrls.hpp"

#include <cstring>

const GS::Guid PaletteGuid("{D8A0A01F-1184-40F2-B8A8-28CF30714FA4}");
const Int32 PaletteRefId = GuidReferenceId(PaletteGuid);

Int32 GuidReferenceId(const GS::Guid& guid) {
    UInt8 bytes[sizeof(GS::Guid)];
    std::memcpy(bytes, &guid, sizeof(bytes));
    UInt32 sum = 0;
    for (std::size_t word = 0; word < sizeof(bytes) / 4; ++word) {
        const UInt8* b = bytes + word * 4;
        sum += UInt32(b[0]) | UInt32(b[1]) << 8 | UInt32(b[2]) << 16 | UInt32(b[3]) << 24;
    }
    return Int32(sum);
}

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
        RunCommand(ExportCurrentView);
    else if (ev.GetSource() == &liveButton)
        RunCommand([] { OpenLiveView(std::string()); });
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
    palette->Show(DG::KeepPosition);
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

static void DispatchPaletteMessage(Int32 messageID, GS::IntPtr param) {
    PaletteManager& manager = PaletteManager::GetInstance();
    Palette* palette = manager.GetPalette();
    switch (messageID) {
    case APIPalMsg_ClosePalette:
        manager.Close();
        break;
    case APIPalMsg_HidePalette_Begin:
        if (palette != nullptr)
            palette->Hide();
        break;
    case APIPalMsg_HidePalette_End:
        if (palette != nullptr)
            palette->Show(DG::KeepPosition);
        break;
    case APIPalMsg_DisableItems_Begin:
        if (palette != nullptr)
            palette->DisableItems();
        break;
    case APIPalMsg_DisableItems_End:
        if (palette != nullptr)
            palette->EnableItems();
        break;
    case APIPalMsg_OpenPalette:
        manager.Open();
        break;
    case APIPalMsg_IsPaletteVisible:
        *reinterpret_cast<bool*>(param) = palette != nullptr && palette->IsVisible();
        break;
    default:
        break;
    }
}

GSErrCode HandlePaletteMessage(Int32 referenceID, Int32 messageID, GS::IntPtr param) {
    if (referenceID == PaletteRefId)
        RunCommand([messageID, param] { DispatchPaletteMessage(messageID, param); });
    return NoError;
}
