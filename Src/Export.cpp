#include "Export.hpp"

#include "ACAPI/ACAPinc.hpp"
#include "AccountLink.hpp"
#include "Base64.hpp"
#include "ErrorReport.hpp"
#include "GSRoot/BM.hpp"
#include "IO/File.hpp"
#include "IO/Location.hpp"
#include "Preferences.hpp"
#include "Upload.hpp"

#include <cstring>
#include <memory>
#include <type_traits>

namespace {

constexpr GSErrCode ReadError = -36;
constexpr Int32 CaptureFolder = API_SpecFolderID_Temporary;
constexpr const char* CaptureFileName = "KaveloArchiCapture.jpeg";
constexpr const char* DataUrlPrefix = "data:image/jpeg;base64,";

// The picture's memory handle, killed on every way out: copying or encoding it may run out of memory.
struct KillHandle {
    void operator()(GSHandle handle) const { BMKillHandle(&handle); }
};
using PictureHandle = std::unique_ptr<std::remove_pointer_t<GSHandle>, KillHandle>;

bool IsThreeDWindowInFront() {
    API_WindowInfo windowInfo;
    std::memset(&windowInfo, 0, sizeof(windowInfo));
    return HostGetCurrentWindow(&windowInfo) == NoError && windowInfo.typeID == APIWind_3DModelID;
}

} // namespace

CaptureResult CaptureView() {
    IO::Location folder;
    Int32 folderKind = CaptureFolder;
    HostGetSpecialFolder(&folderKind, &folder);
    IO::Location target(folder, IO::Name(CaptureFileName));

    API_FileSavePars fileSavePars;
    std::memset(&fileSavePars, 0, sizeof(fileSavePars));
    fileSavePars.fileTypeID = APIFType_JPEGFile;
    fileSavePars.file = &target;
    API_SavePars_Picture picturePars;
    std::memset(&picturePars, 0, sizeof(picturePars));
    picturePars.value = APIPictSave_Options;
    const GSErrCode saveError = HostSaveCurrentWindow(&fileSavePars, &picturePars);
    if (saveError != NoError) {
        ErrorReport("Error in APIDo_SaveID (JPEG)", saveError);
        return {};
    }

    IO::File file(target, IO::File::Fail);
    file.Open(IO::File::ReadMode, IO::File::AcceptAccessDenied);
    UInt32 length = 0;
    if (file.GetDataLength(&length) != NoError) {
        file.Close();
        ErrorReport("Error read", ReadError);
        return {};
    }
    PictureHandle handle(BMAllocateHandle(GSSize(length), ALLOCATE_CLEAR, 0));
    if (handle == nullptr) {
        file.Close();
        return {};
    }
    UInt32 bytesRead = 0;
    file.ReadBin(*handle, length, &bytesRead);
    file.Close();
    if (bytesRead != length) {
        handle.reset();
        ErrorReport("Error read", ReadError);
        return {};
    }

    // The picture holds zero bytes: copied by length, never by terminator.
    const std::string picture(*handle, length);
    std::string encoded = Base64Encode(picture);
    handle.reset();
    return {DataUrlPrefix + encoded, true};
}

void ExportCurrentView() {
    if (!IsLinked()) {
        PromptAccountLink();
        return;
    }
    if (!IsThreeDWindowInFront()) {
        ErrorReport("Please switch to a 3D window before exporting.", APIERR_BADWINDOW);
        return;
    }
    const PreferencesRecord preferences = ReadPreferences();
    const CaptureResult capture = CaptureView();
    if (!capture.success)
        return;
    UploadImage(capture.dataUrl.c_str(), preferences.LinkId);
}
