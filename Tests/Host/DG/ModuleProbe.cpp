// A module built the way add-ons are: its own copy of the C++ runtime, global new and delete going
// to GS::MemoryManager, everything hidden but its entry. It makes dialogs like the add-on's, so
// that a test can see them work across the module boundary and count the module's allocations.

#include "DG/DG.hpp"
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

} // namespace

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
