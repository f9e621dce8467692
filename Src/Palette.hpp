#pragma once

#include "ACAPI/APIdefs.hpp"
#include "DG/DG.hpp"
#include "GSRoot/DisposableObject.hpp"
#include "GSRoot/Guid.hpp"

#include <memory>

// The palette's identity, fixed at load: the GUID first, then the reference id derived from it.
extern const GS::Guid PaletteGuid;
extern const Int32 PaletteRefId;

// The wrap-around sum of the four little-endian 32-bit words of the GUID's 16-byte memory form.
Int32 GuidReferenceId(const GS::Guid& guid);

// The floating palette with its two icon buttons: export, and the live view.
class Palette : public DG::Palette,
                public DG::PanelObserver,
                public DG::ButtonItemObserver,
                public DG::CompoundItemObserver,
                public GS::DisposableObject {
public:
    Palette();
    ~Palette() override;

private:
    void PanelOpened(const DG::PanelOpenEvent& ev) override;
    void PanelCloseRequested(const DG::PanelCloseRequestEvent& ev, bool* accepted) override;
    void ButtonClicked(const DG::ButtonClickEvent& ev) override;

    DG::Button exportButton;
    DG::Button liveButton;
};

// Owns the one palette: made on demand, deleted on close, or handed to the host's garbage collector
// when the user closes it with its window control.
class PaletteManager : public GS::DisposeHandler {
public:
    static PaletteManager& GetInstance();

    ~PaletteManager() override;

    bool IsOpen() const { return palette != nullptr; }
    Palette* GetPalette() const { return palette.get(); }
    void Open();
    void Close();
    void OnPaletteDisposed(GS::DisposableObject* object);

private:
    PaletteManager() = default;
    void DisposableObjectDeleted(GS::DisposableObject* object) override;

    std::unique_ptr<Palette> palette;
    // The palette's disposable part, taken while it lives: the collector reports it after deletion.
    GS::DisposableObject* paletteDisposable = nullptr;
};

// The host's palette-control callback, registered with the palette's reference id.
GSErrCode HandlePaletteMessage(Int32 referenceID, Int32 messageID, GS::IntPtr param);
