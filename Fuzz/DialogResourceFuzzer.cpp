// The dialog library's reading of a dialog: the first two bytes (little-endian) give the length of
// the 'GSDG' resource that follows; the rest is its 'DLGH'. A bad pair is a DialogResourceError.

#include "DGHost.hpp"

#include "FuzzCheck.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::span<const std::byte> rest(reinterpret_cast<const std::byte*>(data) + 2, size - 2);
    const std::size_t split =
        std::min<std::size_t>(rest.size(), std::size_t(data[0]) | std::size_t(data[1]) << 8);
    try {
        const DG::Host::DialogView dialog =
            DG::Host::ParseDialogResource(rest.first(split), rest.subspan(split));
        for (std::size_t i = 0; i < dialog.items.size(); ++i)
            FUZZ_CHECK(dialog.FindItem(short(i + 1)) == &dialog.items[i]);
    } catch (const DG::Host::DialogResourceError&) {
    }
    return 0;
}
