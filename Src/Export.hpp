#pragma once

#include <string>

// The captured 3D view as a "data:" URL; the URL is empty and unusable when success is false.
struct CaptureResult {
    std::string dataUrl;
    bool success = false;
};

// Has the host save its 3D window as a JPEG file, reads the file back and encodes it.
CaptureResult CaptureView();

// The export command: link test, 3D-window test, capture and upload.
void ExportCurrentView();
