#pragma once

#include "GSRoot/Definitions.hpp"

#include <cstddef>
#include <string>

// The 48-byte preferences record, stored by the host as version 1. Little-endian like the host.
struct PreferencesRecord {
    char LinkId[37];       // NUL-terminated; empty means not linked
    UInt8 padding[3];      // written back as read
    Int64 BrowserOpenedAt; // Unix seconds of the last browser visit, 0 when never
};
static_assert(sizeof(PreferencesRecord) == 48);
static_assert(offsetof(PreferencesRecord, LinkId) == 0);
static_assert(offsetof(PreferencesRecord, padding) == 37);
static_assert(offsetof(PreferencesRecord, BrowserOpenedAt) == 40);

constexpr Int32 PreferencesVersion = 1;
constexpr std::size_t LinkIdLength = 36;

// Each operation reads the record afresh; failures are reported to the user, never returned.
PreferencesRecord ReadPreferences();
void WritePreferences(const PreferencesRecord& record);
void DeletePreferences();

bool IsLinked();
Int64 NowSeconds();
bool IsBrowserVisitExpired();
void RefreshBrowserOpenedAt();

// A random version-4 UUID in lower-case text, 36 characters.
std::string GenerateLinkId();
// Stores a new identifier and copies it, terminator included, into the caller's zeroed buffer.
void RenewLinkId(char (&linkId)[LinkIdLength + 1]);
