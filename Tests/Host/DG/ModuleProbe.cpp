// A module built the way add-ons are: its own copy of the C++ runtime, global new and delete going
// to GS::MemoryManager, everything hidden but its entries. It makes dialogs and a palette like the
// add-on's, so that a test can see them work across the module boundary and count the module's
// allocations.

#include "DG/DG.hpp"
#include "GSRoot/DisposableObject.hpp"
#include "GSRoot/MemoryManager.hpp"

#include <new>

void* operator new(std::size_t size) {
    return GS::MemoryManager::Allocate(size, GS::MemoryManager::ThrowOnFailure, true);
}

void operator delete(void* block) noexcept {
    GS::MemoryManager::Free(block);
}

void operator delete(void* block, std::size_t /*size*/) noexcept {
    GS::MemoryManager::Free(block);
}

namespace __gnu_cxx {
void __freeres() noexcept;
}

namespace {

// The runtime's emergency exception pool lives as long as the module; without this it is lost
// when the module is unloaded.
__attribute__((destructor)) void ReleaseRuntime() {
    __gnu_cxx::__freeres();
}

class ProbeDialog : public DG::ModalDialog,
                    public DG::PanelObserver,
                    public DG::ButtonItemObserver,
                    public DG::CompoundItemObserver {
public:
    ProbeDialog(GSResModule resModule, short resId, short* heardItems, int capacity)
        : DG::ModalDialog(resModule, resId, resModule), accept(*this, 1), heard(heardItems), room(capacity) {
        AttachToAllItems(*this);
        Attach(*this);
    }

    ~ProbeDialog() override {
        Detach(*this);
        DetachFromAllItems(*this);
    }

    int Heard() const { return count; }

private:
    void ButtonClicked(const DG::ButtonClickEvent& ev) override {
        if (count < room)
            heard[count++] = ev.GetSource()->GetId();
        if (ev.GetSource() == &accept)
            PostCloseRequest(Accept);
    }

    DG::Button accept;
    short* heard;
    int room;
    int count = 0;
};

// Owns the palette until the collector has deleted it, as the add-on's palette manager does.
class ProbeOwner : public GS::DisposeHandler {
public:
    void DisposableObjectDeleted(GS::DisposableObject* object) override {
        if (object == current) {
            current = nullptr;
            ++disposed;
        }
    }

    const GS::DisposableObject* current = nullptr;
    int disposed = 0;
};

ProbeOwner owner;

// Closing it through the window control hands it to the collector.
class ProbePalette : public DG::Palette,
                     public DG::PanelObserver,
                     public DG::ButtonItemObserver,
                     public DG::CompoundItemObserver,
                     public GS::DisposableObject {
public:
    ProbePalette(GSResModule resModule, short resId, const GS::Guid& guid)
        : DG::Palette(resModule, resId, resModule, guid), first(*this, 1), second(*this, 2) {
        Attach(*this);
        AttachToAllItems(*this);
        SetGarbageCollector(GS::defaultGarbageCollector);
        SetDisposeHandler(&owner);
    }

    ~ProbePalette() override {
        Detach(*this);
        DetachFromAllItems(*this);
    }

private:
    void PanelCloseRequested(const DG::PanelCloseRequestEvent& ev, bool* /*accepted*/) override {
        if (ev.GetSource() != this)
            return;
        Hide();
        EndEventProcessing();
        MarkAsDisposable();
    }

    DG::Button first;
    DG::Button second;
};

} // namespace

// Makes a palette with the module's new, begins its event processing and shows it.
extern "C" __attribute__((visibility("default"))) void DGProbeOpenPalette(GSResModule resModule, short resId,
                                                                          const char* guidText) {
    auto* palette = new ProbePalette(resModule, resId, GS::Guid(guidText));
    owner.current = palette;
    palette->BeginEventProcessing();
    palette->Show(DG::KeepPosition);
}

// How many palettes the collector has deleted and told the owner of.
extern "C" __attribute__((visibility("default"))) int DGProbeDisposedPalettes() {
    return owner.disposed;
}

// Runs dialog `resId` once, made on the stack or with the module's new; writes the ids of the
// items whose clicks it heard. Answers whether Invoke was true.
extern "C" __attribute__((visibility("default"))) bool DGProbeRunDialog(GSResModule resModule, short resId,
                                                                        bool onHeap, short* heard,
                                                                        int capacity, int* heardCount) {
    if (onHeap) {
        auto* dialog = new ProbeDialog(resModule, resId, heard, capacity);
        const bool accepted = dialog->Invoke();
        *heardCount = dialog->Heard();
        delete dialog;
        return accepted;
    }
    ProbeDialog dialog(resModule, resId, heard, capacity);
    const bool accepted = dialog.Invoke();
    *heardCount = dialog.Heard();
    return accepted;
}
