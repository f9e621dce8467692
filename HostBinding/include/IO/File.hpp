#pragma once

#include "GSRoot/Definitions.hpp"
#include "IO/Location.hpp"

namespace IO {

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

    GSErrCode Open(Int32 openMode, Int32 accessDeniedTreatment);
    GSErrCode GetDataLength(UInt32* length) const;
    GSErrCode ReadBin(char* destination, UInt32 nBytes, UInt32* bytesRead);
    GSErrCode Close();

private:
    Location location;
    Int32 onNotFound;
    int descriptor = -1;
    GSErrCode openError = 0;
};

} // namespace IO
