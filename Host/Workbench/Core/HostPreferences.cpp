// The preference slots of HostState.

#include "ACAPI/APIdefs.hpp"
#include "HostState.hpp"
#include "HostText.hpp"

#include <cstring>
#include <new>

namespace Workbench {

void HostState::UsePreferenceStore(PreferenceStore preferenceStore) {
    store = std::move(preferenceStore);
}

StoreContent HostState::ReadPreferences() {
    if (!store)
        return {};
    StoreContent content = store->Read();
    if (content.Damaged()) {
        const std::string path = PathText(store->File());
        console.Warn("the preference store \"" + path + "\" reads as nothing stored: " + content.damage);
        transcript.Write("preferences-damaged",
                         JsonObject().String("path", path).String("reason", content.damage));
    }
    return content;
}

GSErrCode HostState::GetPreferences(Int32* version, Int32* nByte, void* data) {
    if (version == nullptr || nByte == nullptr)
        return Reject(HostSlot_GetPreferences, "no version or byte count to fill in", APIERR_BADPARS);
    JsonObject fields;
    fields.Bool("data", data != nullptr);
    GSErrCode result = InjectedFailure(HostSlot_GetPreferences).value_or(NoError);
    if (result == NoError && !store)
        result = APIERR_NOTINIT;
    if (result == NoError) {
        const StoredPreferences stored = ReadPreferences().record.value_or(StoredPreferences{});
        const auto size = static_cast<Int32>(stored.bytes.size());
        if (data != nullptr && *nByte < size) {
            // The caller's count is the room in its buffer; it has been told the size first.
            fields.Number("room", *nByte).Number("size", size);
            result = APIERR_BADPARS;
        } else {
            if (data != nullptr && size > 0)
                std::memcpy(data, stored.bytes.data(), stored.bytes.size());
            *version = stored.version;
            *nByte = size;
            fields.Number("version", stored.version).Number("size", size);
            if (data != nullptr)
                fields.String("hex", HexBytes(stored.bytes));
        }
    }
    fields.Number("result", result);
    transcript.Write("preferences-read", fields);
    return result;
}

GSErrCode HostState::SetPreferences(Int32 version, Int32 nByte, const void* data) {
    GSErrCode result = InjectedFailure(HostSlot_SetPreferences).value_or(NoError);
    if (result == NoError && !store)
        result = APIERR_NOTINIT;
    if (version == 0 && nByte == 0 && data == nullptr) {
        if (result != NoError) {
            transcript.Write("preferences-deleted",
                             JsonObject().String("by", "module").Number("result", result));
            return result;
        }
        return RemovePreferences("module");
    }

    JsonObject fields;
    fields.String("by", "module").Number("version", version).Number("size", nByte);
    const bool sizeFits = nByte >= 0 && static_cast<std::size_t>(nByte) <= MaxPreferencesBytes;
    if (result == NoError && (!sizeFits || (data == nullptr && nByte > 0)))
        result = APIERR_BADPARS;
    if (result == NoError) {
        try {
            const auto* bytes = static_cast<const UInt8*>(data);
            const StoredPreferences record{version, std::vector<UInt8>(bytes, bytes + nByte)};
            const std::string problem = store->Write(record);
            if (problem.empty()) {
                fields.String("hex", HexBytes(record.bytes));
            } else {
                console.Warn("cannot store the add-on's preferences: " + problem);
                fields.String("error", problem);
                result = APIERR_GENERAL;
            }
        } catch (const std::bad_alloc&) {
            result = APIERR_MEMFULL;
        }
    }
    fields.Number("result", result);
    transcript.Write("preferences-written", fields);
    return result;
}

GSErrCode HostState::RemovePreferences(std::string_view by) {
    JsonObject fields;
    fields.String("by", by);
    const std::string problem = store->Remove();
    if (!problem.empty()) {
        console.Warn("cannot remove the add-on's preferences: " + problem);
        fields.String("error", problem);
    }
    const GSErrCode result = problem.empty() ? NoError : APIERR_GENERAL;
    fields.Number("result", result);
    transcript.Write("preferences-deleted", fields);
    return result;
}

bool HostState::ClearPreferences() {
    return store && RemovePreferences("workbench") == NoError;
}

} // namespace Workbench
