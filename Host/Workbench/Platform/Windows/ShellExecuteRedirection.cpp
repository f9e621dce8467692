#include "Windows/ShellExecuteRedirection.hpp"

#include <stdexcept>
#include <utility>

namespace Workbench {

namespace {

using ShellExecuteWProc = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

const std::function<void(const wchar_t* file)>* observer = nullptr; // the live redirection's

// The shell stays loaded from here on, so that the address stays the real function's.
ShellExecuteWProc RealShellExecuteW() {
    static const auto real = reinterpret_cast<ShellExecuteWProc>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"shell32.dll"), "ShellExecuteW")));
    return real;
}

HINSTANCE WINAPI RedirectedShellExecuteW(HWND window, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                                         LPCWSTR directory, INT show) {
    try {
        if (observer != nullptr)
            (*observer)(file);
    } catch (...) {
    }
    return RealShellExecuteW()(window, operation, file, parameters, directory, show);
}

} // namespace

ShellExecuteRedirection::ShellExecuteRedirection(std::function<void(const wchar_t* file)> launched)
    : launching(std::move(launched)), imports(reinterpret_cast<const void*>(RealShellExecuteW()),
                                              reinterpret_cast<const void*>(&RedirectedShellExecuteW)) {
    if (observer != nullptr)
        throw std::logic_error("one redirection of ShellExecuteW at a time");
    observer = &launching;
}

ShellExecuteRedirection::~ShellExecuteRedirection() {
    observer = nullptr;
}

} // namespace Workbench
