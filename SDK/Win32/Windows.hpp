#pragma once

// The few Windows calls the module makes, under the names Windows gives them.
#ifdef _WIN32
#include <windows.h>

#include <bcrypt.h>   // after windows.h, whose types it uses
#include <shellapi.h> // the same
#else
#include <cstdint>

using BOOL = int;
using UINT = unsigned int;
using DWORD = std::uint32_t;
using INT = int;
using WCHAR = char16_t; // UTF-16 code unit, as on Windows
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPCCH = const char*;
using LPVOID = void*;
using HINSTANCE = void*; // the module's base address
using HMODULE = HINSTANCE;
using HWND = void*;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using NTSTATUS = LONG;
using UCHAR = unsigned char;
using PUCHAR = UCHAR*;
using BCRYPT_ALG_HANDLE = void*;

#define WINAPI
#define TEXT(quote) u##quote
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
#define CP_UTF8 65001
#define SW_SHOWNORMAL 1
#define BCRYPT_USE_SYSTEM_PREFERRED_RNG 0x00000002
#define BCRYPT_SUCCESS(status) (((NTSTATUS)(status)) >= 0)

extern "C" {
UINT RegisterWindowMessageW(LPCWSTR name);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
// CP_UTF8 with flags 0 only; anything else answers 0. Ill-formed UTF-8 becomes U+FFFD.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH multiByteStr, int multiByteCount,
                        LPWSTR wideCharStr, int wideCharCount);
// The verb "open" only (else 31, SE_ERR_NOASSOC): starts the program named by $BROWSER, else
// xdg-open, with the file as its one argument, detached and without a shell. Answers 42 when the
// program started, 2 (ERROR_FILE_NOT_FOUND) when it could not be started or the file is empty or
// starts with "-".
HINSTANCE ShellExecuteW(HWND window, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                        INT showCommand);
// The system's preferred generator only (no algorithm handle, BCRYPT_USE_SYSTEM_PREFERRED_RNG): fills
// the buffer from the kernel's random source. Anything else answers STATUS_INVALID_PARAMETER.
NTSTATUS BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG bufferSize, ULONG flags);
}
#endif
