#pragma once

// Debug text for the host's debug output; never shown to the user.
void DBPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
