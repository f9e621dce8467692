#pragma once

#include "GSRoot/Definitions.hpp"
#include "IO/Location.hpp"

namespace IO {

// Answers of File's operations other than NoError.
constexpr GSErrCode ErrBadLocation = GSErrCode(0x81000201);  // empty, or a path no file can have
constexpr GSErrCode ErrFileNotFound = GSErrCode(0x81000202); // also a missing folder on the way
constexpr GSErrCode ErrAccessDenied = GSErrCode(0x81000203);
constexpr GSErrCode ErrIsAFolder = GSErrCode(0x81000204);
constexpr GSErrCode ErrNotAFile = GSErrCode(0x81000205);     // a device, pipe or socket
constexpr GSErrCode ErrBadParameter = GSErrCode(0x81000206); // an unknown mode or policy, a null pointer
constexpr GSErrCode ErrNotOpen = GSErrCode(0x81000207);      // never opened, or closed
constexpr GSErrCode ErrAlreadyOpen = GSErrCode(0x81000208);
constexpr GSErrCode ErrFileTooLarge = GSErrCode(0x81000209); // longer than a 32-bit length
constexpr GSErrCode ErrOpenFailed = GSErrCode(0x8100020A);   // any other refusal of the system
constexpr GSErrCode ErrReadFailed = GSErrCode(0x8100020B);
constexpr GSErrCode ErrCloseFailed = GSErrCode(0x8100020C);
constexpr GSErrCode ErrOutOfMemory = GSErrCode(0x8100020D);

// A file opened by location. Every operation answers 0 or a non-zero error code; none throws.
class File {
public:
    enum OnNotFound : Int32 { Fail = 0, Create = 1 };
    enum OpenMode : Int32 { ReadMode = 0, WriteMode = 1, ReadWriteMode = 2 };
    enum AccessDeniedTreatment : Int32 {
        AccessDeniedIsError = 0,
        AccessDeniedRetryReadOnly = 1,
        AcceptAccessDenied = 2
    };

    File(const Location& location, Int32 onNotFound);
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File(); // closes the file if it is open

    // A denied access is an error whatever the treatment, except that AccessDeniedRetryReadOnly
    // retries a writing mode for reading.
    GSErrCode Open(Int32 openMode, Int32 accessDeniedTreatment);
    // On a file that is not open: the failed Open's code, else ErrNotOpen.
    GSErrCode GetDataLength(UInt32* length) const;
    // Reads until nBytes or the end of the file; bytesRead (may be null) gets the count.
    GSErrCode ReadBin(char* destination, UInt32 nBytes, UInt32* bytesRead);
    GSErrCode Close(); // harmless on a file that is not open

private:
    Location location;
    Int32 onNotFound;
    int descriptor = -1;
    GSErrCode openError = 0; // of the last Open, reported by the calls that need an open file
};

} // namespace IO
