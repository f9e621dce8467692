#pragma once

// Small pieces every window of the desktop face shares.

#include <windows.h>

namespace Desktop {

// A device-independent bitmap's header, rows top to bottom.
BITMAPINFO TopDownBitmap(int width, int height, WORD bitsPerPixel);

// Registers a window class of this program with the dialog face colour and the arrow cursor; a
// class registered before is kept. Throws std::runtime_error when it cannot be registered.
void RegisterWindowClass(const wchar_t* name, WNDPROC procedure);

} // namespace Desktop
