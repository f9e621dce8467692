#pragma once

// Posts the picture to the service with the link identifier as API key, and shows the outcome:
// the success dialog, the link prompt after a refused key, or an error report.
void UploadImage(const char* dataUrl, const char* linkId);
