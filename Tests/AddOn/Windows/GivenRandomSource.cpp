// The add-on's units are linked into the test program, so its import of BCryptGenRandom is the
// program's own: that entry leads to the given source instead of the system's.

#include "GivenRandomSource.hpp"

#include "Windows/ImportRedirection.hpp"

#include <windows.h>

#include <bcrypt.h>

#include <memory>
#include <stdexcept>
#include <utility>

namespace {

constexpr NTSTATUS Unsuccessful = static_cast<NTSTATUS>(0xC0000001); // STATUS_UNSUCCESSFUL

GivenRandomSource::Source given;
std::unique_ptr<Workbench::ImportRedirection> redirection;

NTSTATUS WINAPI GivenBCryptGenRandom(BCRYPT_ALG_HANDLE, PUCHAR buffer, ULONG size, ULONG) {
    return given(buffer, size) ? 0 : Unsuccessful;
}

} // namespace

GivenRandomSource::GivenRandomSource(Source source) {
    if (redirection)
        throw std::logic_error("one given random source at a time");
    given = std::move(source);
    redirection = std::make_unique<Workbench::ImportRedirection>(
        reinterpret_cast<const void*>(GetProcAddress(GetModuleHandleW(L"bcrypt.dll"), "BCryptGenRandom")),
        reinterpret_cast<const void*>(&GivenBCryptGenRandom));
    redirection->Redirect(GetModuleHandleW(nullptr));
}

GivenRandomSource::~GivenRandomSource() {
    redirection.reset();
    given = nullptr;
}
