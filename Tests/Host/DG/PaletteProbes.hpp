#pragma once

// A palette built as the add-on builds its own, and an owner that disposes of it as the add-on's
// palette manager does, both writing the shared log.

#include "DialogProbes.hpp"
#include "GSRoot/DisposableObject.hpp"
#include "TestResources.hpp"

#include <functional>
#include <string>

namespace DGTest {

// The tests' palette GUID, as text in the form the library writes it.
constexpr const char* PaletteGuidText = "{6B1E0C52-3D4A-4F8B-9C2E-7A5D1F0E8B34}";
inline const GS::Guid PaletteGuid(PaletteGuidText);

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

    DG::Button firstButton;
    DG::Button secondButton;

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
