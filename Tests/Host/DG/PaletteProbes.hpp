#pragma once

// A palette built as the add-on builds its own, and an owner that disposes of it as the add-on's
// palette manager does, both writing the shared log.

#include "DialogProbes.hpp"
#include "GSRoot/DisposableObject.hpp"

#include <functional>
#include <string>

namespace DGTest {

// The add-on's palette GUID and resource.
inline const GS::Guid PaletteGuid("{D8A0A01F-1184-40F2-B8A8-28CF30714FA4}");
constexpr short PaletteResource = 32590; // items: 1 export, 2 live view; both icon buttons

// Observes itself; a close request through the window control hides it, ends its event processing
// and marks it disposable, leaving the deletion to the collector.
class TestPalette : public DG::Palette,
                    public DG::PanelObserver,
                    public DG::ButtonItemObserver,
                    public DG::CompoundItemObserver,
                    public GS::DisposableObject {
public:
    TestPalette(GSResModule resModule, short resId, const GS::Guid& guid, Log& sharedLog,
                GS::DisposeHandler* handler);
    ~TestPalette() override;

    void PanelCloseRequested(const DG::PanelCloseRequestEvent& ev, bool* accepted) override;
    void ButtonClicked(const DG::ButtonClickEvent& ev) override;

    std::function<void()> onCloseRequested;
    std::function<void()> onClicked;

    DG::Button exportButton;
    DG::Button liveButton;

private:
    Log& log;
};

// Owns at most one palette, like the add-on's palette manager.
class PaletteOwner : public GS::DisposeHandler {
public:
    PaletteOwner(GSResModule paletteModule, Log& sharedLog) : resModule(paletteModule), log(sharedLog) {}
    ~PaletteOwner() override { delete palette; }

    // Makes the palette when there is none, then shows it and begins its event processing.
    TestPalette& Open();
    // Hides the palette, ends its event processing and deletes it, when there is one.
    void Close();
    void DisposableObjectDeleted(GS::DisposableObject* object) override;

    TestPalette* palette = nullptr;

private:
    // Taken while the palette lives: once the collector has deleted it, even converting its pointer
    // would read the dead object's type.
    const GS::DisposableObject* disposablePart = nullptr;
    GSResModule resModule;
    Log& log;
};

} // namespace DGTest
