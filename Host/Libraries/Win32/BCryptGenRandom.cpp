#include "Win32/Windows.hpp"

#include "CallObserver.hpp"
#include "Win32Host.hpp"

#include <cerrno>
#include <mutex>
#include <string>
#include <sys/random.h>
#include <utility>

namespace {

constexpr NTSTATUS StatusSuccess = 0;
constexpr NTSTATUS StatusUnsuccessful = NTSTATUS(0xC0000001);
constexpr NTSTATUS StatusInvalidParameter = NTSTATUS(0xC000000D);

// getrandom waits only until the kernel's pool is first seeded, and never gives weaker bytes.
bool KernelRandom(unsigned char* buffer, std::size_t size) {
    for (std::size_t filled = 0; filled < size;) {
        const ssize_t got = getrandom(buffer + filled, size - filled, 0);
        if (got < 0 && errno != EINTR)
            return false;
        if (got > 0)
            filled += std::size_t(got);
    }
    return true;
}

struct SourceSlot {
    std::mutex mutex;
    Win32::Host::RandomSource source;
};

SourceSlot& Slot() {
    static SourceSlot& slot = *new SourceSlot; // never destroyed, like the observer
    return slot;
}

} // namespace

extern "C" NTSTATUS BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG bufferSize,
                                    ULONG flags) {
    if (algorithm != nullptr || flags != BCRYPT_USE_SYSTEM_PREFERRED_RNG ||
        (buffer == nullptr && bufferSize != 0))
        return StatusInvalidParameter;
    Win32::ReportCall("BCryptGenRandom", std::to_string(bufferSize));
    Win32::Host::RandomSource source;
    {
        std::lock_guard lock(Slot().mutex);
        source = Slot().source;
    }
    const bool filled = source ? source(buffer, bufferSize) : KernelRandom(buffer, bufferSize);
    return filled ? StatusSuccess : StatusUnsuccessful;
}

void Win32::Host::SetRandomSource(RandomSource source) {
    std::lock_guard lock(Slot().mutex);
    Slot().source = std::move(source);
}
