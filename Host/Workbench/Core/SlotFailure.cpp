#include "SlotFailure.hpp"

#include "HostTable.hpp"
#include "HostText.hpp"

#include <cstdint>

namespace Workbench {

std::array<SlotFailure, 2> PreferenceFailures(std::optional<GSErrCode> code) {
    return {SlotFailure{HostSlot_SetPreferences, code}, SlotFailure{HostSlot_GetPreferences, code}};
}

std::optional<std::size_t> ParseSlot(std::string_view text, std::string& error) {
    const auto slot = ParseInteger<std::size_t>(text, 10);
    if (!slot || !IsSuppliedSlot(*slot)) {
        error = "\"" + std::string(text) + "\" is no slot the workbench supplies (";
        for (std::size_t i = 0; i < SuppliedSlots.size(); ++i)
            error += (i > 0 ? ", " : "") + std::to_string(SuppliedSlots[i]);
        error += ")";
        return std::nullopt;
    }
    return slot;
}

std::optional<GSErrCode> ParseHostCode(std::string_view text, std::string& error) {
    std::optional<std::int64_t> value;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        const std::string_view digits = text.substr(2);
        if (digits.size() <= 8)
            value = ParseInteger<std::int64_t>(digits, 16);
    } else {
        value = ParseInteger<std::int64_t>(text, 10);
    }
    if (!value || *value < INT32_MIN || *value > UINT32_MAX) {
        error = "\"" + std::string(text) + "\" is no host code (a 32-bit number, decimal or 0x hex)";
        return std::nullopt;
    }
    if (*value == 0) {
        error = "0 is success, not a failure";
        return std::nullopt;
    }
    return static_cast<GSErrCode>(static_cast<std::uint32_t>(*value));
}

} // namespace Workbench
