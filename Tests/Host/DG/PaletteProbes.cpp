#include "PaletteProbes.hpp"

namespace DGTest {

TestPalette::TestPalette(GSResModule resModule, short resId, const GS::Guid& guid, Log& sharedLog,
                         GS::DisposeHandler* handler)
    : DG::Palette(resModule, resId, resModule, guid), firstButton(*this, DGTEST_PALETTE_ITEM_FIRST),
      secondButton(*this, DGTEST_PALETTE_ITEM_SECOND), log(sharedLog) {
    Attach(*this);
    AttachToAllItems(*this);
    SetGarbageCollector(GS::defaultGarbageCollector);
    SetDisposeHandler(handler);
}

TestPalette::~TestPalette() {
    Detach(*this);
    DetachFromAllItems(*this);
}

void TestPalette::PanelCloseRequested(const DG::PanelCloseRequestEvent& ev, bool* accepted) {
    log.push_back(std::string("palette: close requested") + (*accepted ? "" : ", refused before"));
    if (ev.GetSource() == this) {
        Hide();
        EndEventProcessing();
        MarkAsDisposable();
    }
    if (onCloseRequested)
        onCloseRequested();
}

void TestPalette::ButtonClicked(const DG::ButtonClickEvent& ev) {
    const char* which = ev.GetSource() == &firstButton    ? " (first)"
                        : ev.GetSource() == &secondButton ? " (second)"
                                                          : " (unknown source)";
    log.push_back("palette: click " + std::to_string(ev.GetSource()->GetId()) + which);
    if (onClicked)
        onClicked();
}

TestPalette& PaletteOwner::Open() {
    if (palette == nullptr) {
        palette = new TestPalette(resModule, PaletteResource, PaletteGuid, log, this);
        disposablePart = palette;
    }
    palette->BeginEventProcessing();
    palette->Show(DG::KeepPosition);
    return *palette;
}

void PaletteOwner::Close() {
    if (palette == nullptr)
        return;
    palette->Hide();
    palette->EndEventProcessing();
    delete palette;
    palette = nullptr;
}

void PaletteOwner::DisposableObjectDeleted(GS::DisposableObject* object) {
    if (palette == nullptr || object != disposablePart) {
        log.push_back("owner: told of a stranger");
        return;
    }
    log.push_back("owner: palette disposed");
    palette = nullptr;
}

} // namespace DGTest
