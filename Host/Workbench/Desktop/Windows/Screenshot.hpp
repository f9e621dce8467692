#pragma once

// Pictures of windows: what a window shows, frame included, as a PNG file.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Desktop {

struct Picture {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint32_t> pixels; // 0xAARRGGBB, top row first, alpha 255

    // How many different colours it has, counting no further than `limit`.
    std::size_t Colours(std::size_t limit) const;
};

// The window as it is on the screen now, frame included. Throws std::runtime_error.
Picture CaptureWindow(HWND window);

// Through the Windows Imaging Component, on a thread where COM is initialised. Throws std::runtime_error.
void WritePng(const Picture& picture, const std::wstring& path);

// The visible top-level window of this process that is in front: a modal dialog before the window it
// blocks, a palette before the main window. Null when there is none.
HWND FrontWindowOfProcess();

} // namespace Desktop
