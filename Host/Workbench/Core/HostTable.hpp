#pragma once

// The operation table handed to the module: 644 slots, of which the workbench fills those it
// implements; the others stay null, so the module answers APIERR_NOTSUPPORTED for them.
//
// The slot functions are plain functions, as the protocol wants. They find the host through the
// one active table: the menu registration gets no context at all, every other slot gets the host
// context from the Initialize entry and must hand back exactly that. A slot shared by several
// operations also checks that the selector names the one the workbench puts there.

#include "ACAPI/APIdefs.hpp"
#include "HostState.hpp"

#include <array>
#include <cstddef>

namespace Workbench {

inline constexpr std::array<std::size_t, 10> SuppliedSlots = {
    HostSlot_RegisterMenu,     HostSlot_InstallMenuHandler,     HostSlot_SetPreferences,
    HostSlot_GetPreferences,   HostSlot_RegisterModelessWindow, HostSlot_UnregisterModelessWindow,
    HostSlot_ReportMessage,    HostSlot_GetCurrentWindow,       HostSlot_GetSpecialFolder,
    HostSlot_SaveCurrentWindow};

bool IsSuppliedSlot(std::size_t slot);

class HostTable {
public:
    // Only one table is active at a time; a second one throws std::logic_error.
    explicit HostTable(HostState& host);
    ~HostTable();
    HostTable(const HostTable&) = delete;
    HostTable& operator=(const HostTable&) = delete;

    const HostFunction* Functions() const { return functions.data(); }

    // What the Initialize entry receives, and what the slot functions expect back.
    void* HostContext() const { return &host; }
    // What the RegisterCommands entry receives; no slot the workbench supplies needs it back.
    void* RegistrationContext() const;

private:
    HostState& host;
    std::array<HostFunction, HostFunctionTableSlots> functions{};
};

} // namespace Workbench
