// The workbench's reading of its preference store: any file is a record or "nothing stored" with
// the reason, and a record it accepts is exactly what writing that record gives back.

#include "PreferenceStore.hpp"

#include "FuzzCheck.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const UInt8> file(data, size);
    const Workbench::StoreContent content = Workbench::DecodeStore(file);
    FUZZ_CHECK(content.record.has_value() != content.Damaged());
    if (content.record) {
        const std::vector<UInt8> written = Workbench::EncodeStore(*content.record);
        FUZZ_CHECK(std::equal(written.begin(), written.end(), file.begin(), file.end()));
    }
    return 0;
}
