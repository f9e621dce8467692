#pragma once

// A module's own calls of ShellExecuteW, seen on their way out: the entries of its import table that
// hold ShellExecuteW point at a function that tells the observer first, then makes the real call with
// the same arguments and returns its answer unchanged. One redirection at a time in a process: the
// redirected entries all lead to the same function.

#include "Windows/ImportRedirection.hpp"

#include <windows.h>

#include <functional>

namespace Workbench {

class ShellExecuteRedirection {
public:
    // `launching` hears of each call before it is made, with its file argument (the URL of a browser
    // launch), which may be null. What it throws stays here: a Windows call never throws into its caller.
    explicit ShellExecuteRedirection(std::function<void(const wchar_t* file)> launching);
    ~ShellExecuteRedirection();
    ShellExecuteRedirection(const ShellExecuteRedirection&) = delete;
    ShellExecuteRedirection& operator=(const ShellExecuteRedirection&) = delete;

    void Redirect(HMODULE image) { imports.Redirect(image); }
    // Every image in the process now: a program with the add-on linked in calls the shell itself.
    void RedirectLoadedImages() { imports.RedirectLoadedImages(); }
    // Before `image` unloads, so that nothing points at it afterwards.
    void Undo(HMODULE image) { imports.Undo(image); }

private:
    std::function<void(const wchar_t* file)> launching;
    ImportRedirection imports;
};

} // namespace Workbench
