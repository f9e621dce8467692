#pragma once

// One function's entries in modules' import tables, pointed at another function for as long as the
// redirection lives: the module's calls of it go there, everyone else's calls are untouched.

#include <windows.h>

#include <cstdint>
#include <vector>

namespace Workbench {

class ImportRedirection {
public:
    // `original` is the function as the loader bound it (GetProcAddress's answer); null redirects nothing.
    ImportRedirection(const void* original, const void* replacement);
    // Undoes what is left, in the images still loaded: an unloaded image took its import table with it.
    ~ImportRedirection();
    ImportRedirection(const ImportRedirection&) = delete;
    ImportRedirection& operator=(const ImportRedirection&) = delete;

    void Redirect(HMODULE image);
    // Every image in the process now.
    void RedirectLoadedImages();
    // Before `image` unloads, so that nothing points at it afterwards.
    void Undo(HMODULE image);

private:
    struct Entry {
        HMODULE image;
        std::uintptr_t* slot;
    };

    std::uintptr_t original;
    std::uintptr_t replacement;
    std::vector<Entry> redirected;
};

} // namespace Workbench
