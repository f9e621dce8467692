// The window slots of HostState: the front window, the special folder and the saving of the view.

#include "ACAPI/APIdefs.hpp"
#include "DataFolder.hpp"
#include "HostState.hpp"
#include "HostText.hpp"

#include "GSRootHost.hpp"
#include "IO/Location.hpp"

#include <new>
#include <system_error>

namespace Workbench {

namespace {

// The target of a save, or why there is none the host accepts.
struct SaveTarget {
    std::filesystem::path path;
    std::string refusal;
};

SaveTarget TargetOf(const API_FileSavePars& file, const API_SavePars_Picture& picture) {
    if (file.fileTypeID != APIFType_JPEGFile)
        return {{},
                "file type " + std::to_string(file.fileTypeID) + " is not " +
                    std::to_string(APIFType_JPEGFile) + " (JPEG), the only type the 3D window is saved as"};
    if (picture.value != APIPictSave_Options)
        return {{},
                "picture option " + std::to_string(picture.value) + " is not " +
                    std::to_string(APIPictSave_Options)};
    if (file.file == nullptr || file.file->IsEmpty())
        return {{}, "no target location"};
    const GS::UniString& units = file.file->ToPath();
    // The add-on joins names with '/', which Windows takes too; the host shows the system's own form.
    std::filesystem::path path(GS::Host::ToUtf16(units));
    path.make_preferred();
    if (!path.is_absolute())
        return {{}, "the target \"" + PathText(path) + "\" is not an absolute path"};
    return {std::move(path), {}};
}

} // namespace

void HostState::SwitchWindow(WindowKind kind) {
    transcript.Write("window-switched", JsonObject()
                                            .String("from", WindowKindName(frontWindow))
                                            .String("to", WindowKindName(kind))
                                            .Number("typeId", WindowTypeId(kind)));
    frontWindow = kind;
}

GSErrCode HostState::GetCurrentWindow(API_WindowInfo* windowInfo) {
    if (windowInfo == nullptr)
        return Reject(HostSlot_GetCurrentWindow, "no window-information record", APIERR_BADPARS);
    const GSErrCode result = InjectedFailure(HostSlot_GetCurrentWindow).value_or(NoError);
    if (result == NoError)
        windowInfo->typeID = WindowTypeId(frontWindow);
    transcript.Write("window-queried", JsonObject()
                                           .String("window", WindowKindName(frontWindow))
                                           .Number("typeId", WindowTypeId(frontWindow))
                                           .Number("result", result));
    return result;
}

GSErrCode HostState::GetSpecialFolder(const Int32* folderKind, IO::Location* location) {
    if (folderKind == nullptr || location == nullptr)
        return Reject(HostSlot_GetSpecialFolder, "no folder kind or no location to fill in", APIERR_BADPARS);
    JsonObject fields;
    fields.Number("kind", *folderKind);
    GSErrCode result = InjectedFailure(HostSlot_GetSpecialFolder).value_or(NoError);
    if (result == NoError && *folderKind != API_SpecFolderID_Temporary)
        result = APIERR_BADPARS;
    const std::filesystem::path folder = TemporaryFolder(settings.dataFolder);
    if (result == NoError) {
        if (const std::string problem = MakeFolder(folder); !problem.empty()) {
            console.Warn("cannot give the add-on its folder: " + problem);
            fields.String("error", problem);
            result = APIERR_GENERAL;
        }
    }
    if (result == NoError) {
        // The location is the module's object; filling it allocates from the host's memory manager.
        try {
            const std::string path = PathText(folder);
            *location = IO::Location(GS::UniString(path.data(), USize(path.size()), GS::CC_UTF8));
            fields.String("path", path);
        } catch (const std::bad_alloc&) {
            result = APIERR_MEMFULL;
        }
    }
    fields.Number("result", result);
    transcript.Write("special-folder", fields);
    return result;
}

GSErrCode HostState::SaveCurrentWindow(const API_FileSavePars* file, const API_SavePars_Picture* picture) {
    if (file == nullptr || picture == nullptr)
        return Reject(HostSlot_SaveCurrentWindow, "no file or no picture record", APIERR_BADPARS);
    JsonObject fields;
    fields.Number("fileType", file->fileTypeID).Number("pictureOption", picture->value);
    GSErrCode result = InjectedFailure(HostSlot_SaveCurrentWindow).value_or(NoError);
    SaveTarget target;
    if (result == NoError) {
        target = TargetOf(*file, *picture);
        if (!target.refusal.empty()) {
            fields.String("error", target.refusal);
            result = APIERR_BADPARS;
        } else {
            fields.String("path", PathText(target.path));
        }
    }
    if (result == NoError && frontWindow != WindowKind::Model3D) {
        fields.String("error", "the window in front is the " + std::string(WindowKindName(frontWindow)) +
                                   " window, not the 3d window");
        result = APIERR_BADWINDOW;
    }
    if (result == NoError) {
        const Scene::FileResult saved = Scene::SaveView(settings.view, target.path);
        std::error_code sizeError;
        const auto bytes = saved.Ok() ? std::filesystem::file_size(target.path, sizeError) : 0;
        if (!saved.Ok()) {
            console.Warn(saved.error);
            fields.String("error", saved.error);
            result = APIERR_GENERAL;
        } else if (!sizeError) {
            fields.Number("bytes", static_cast<std::int64_t>(bytes));
        }
    }
    fields.Number("result", result);
    transcript.Write("view-saved", fields);
    return result;
}

} // namespace Workbench
