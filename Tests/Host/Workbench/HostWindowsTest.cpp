// The window slots as the add-on calls them: the front window, the special folder, and saving the
// 3D view as a JPEG file, with the selectors they check and every refusal.

#include "HostFixture.hpp"

#include "DataFolder.hpp"
#include "HostText.hpp"
#include "IO/Location.hpp"
#include "JpegInfo.hpp"

#include <fstream>

namespace {

using namespace WorkbenchTest;

IO::Location LocationOf(const std::filesystem::path& path) {
    const std::u16string units = path.u16string();
    return IO::Location(GS::UniString(units.data(), static_cast<USize>(units.size())));
}

std::string PathOf(const IO::Location& location) {
    return ToUtf8(location.ToPath());
}

struct WorkbenchHostWindows : WorkbenchHostTable {
    GSErrCode QueryWindow(API_WindowInfo& info, UInt32 selector = HostSelector_GetWindow) {
        return CallSelector(HostSlot_GetCurrentWindow, selector, &info, nullptr);
    }

    GSErrCode SpecialFolder(Int32 kind, IO::Location& location) {
        return CallSelector(HostSlot_GetSpecialFolder, HostSelector_GetSpecFolder, &kind, &location);
    }

    GSErrCode Save(const IO::Location& target, Int32 fileType = APIFType_JPEGFile,
                   Int64 pictureOption = APIPictSave_Options, UInt32 selector = APIDo_SaveID) {
        IO::Location location = target;
        API_FileSavePars file{};
        file.fileTypeID = fileType;
        file.file = &location;
        API_SavePars_Picture picture{};
        picture.value = pictureOption;
        return CallSelector(HostSlot_SaveCurrentWindow, selector, &file, &picture);
    }

    std::filesystem::path Target() const { return dataFolder.parent_path() / "view.jpeg"; }
};

TEST_F(WorkbenchHostWindows, TheQueryAnswersTheTypeOfTheWindowInFront) {
    API_WindowInfo info{};
    ASSERT_EQ(QueryWindow(info), NoError);
    EXPECT_EQ(info.typeID, APIWind_3DModelID) << "the 3D window is in front at first";
    const std::vector<std::pair<WindowKind, Int32>> kinds = {{WindowKind::FloorPlan, 1},
                                                             {WindowKind::Section, 2},
                                                             {WindowKind::Layout, 5},
                                                             {WindowKind::Model3D, 4}};
    for (const auto& [kind, typeId] : kinds) {
        host.SwitchWindow(kind);
        info.typeID = 0;
        ASSERT_EQ(QueryWindow(info), NoError);
        EXPECT_EQ(info.typeID, typeId);
    }
    const auto switched = EventsNamed(Events(), "window-switched");
    ASSERT_EQ(switched.size(), 4u);
    EXPECT_EQ(switched[0].Text("from"), "3d");
    EXPECT_EQ(switched[0].Text("to"), "plan");
    EXPECT_EQ(switched[0].Number("typeId"), 1);
    const auto queried = EventsNamed(Events(), "window-queried");
    ASSERT_EQ(queried.size(), 5u);
    EXPECT_EQ(queried[1].Text("window"), "plan");
    EXPECT_EQ(queried[1].Number("typeId"), 1);
}

TEST_F(WorkbenchHostWindows, SelectorSlotsRefuseAnotherSelectorAndMissingRecords) {
    API_WindowInfo info{};
    info.typeID = -1;
    EXPECT_EQ(QueryWindow(info, HostSelector_GetSpecFolder), APIERR_BADPARS);
    EXPECT_EQ(info.typeID, -1);
    EXPECT_EQ(CallSelector(HostSlot_GetCurrentWindow, HostSelector_GetWindow, nullptr, nullptr),
              APIERR_BADPARS);
    Int32 kind = 4;
    EXPECT_EQ(CallSelector(HostSlot_GetSpecialFolder, APIDo_SaveID, &kind, nullptr), APIERR_BADPARS);
    EXPECT_EQ(CallSelector(HostSlot_GetSpecialFolder, HostSelector_GetSpecFolder, &kind, nullptr),
              APIERR_BADPARS);
    EXPECT_EQ(Save(LocationOf(Target()), APIFType_JPEGFile, APIPictSave_Options, 0x01020304), APIERR_BADPARS);
    EXPECT_EQ(CallSelector(HostSlot_SaveCurrentWindow, APIDo_SaveID, nullptr, nullptr), APIERR_BADPARS);
    int foreign = 0;
    EXPECT_EQ(SlotAs<HostSelectorProc>(HostSlot_GetCurrentWindow)(&foreign, HostSelector_GetWindow, &info,
                                                                  nullptr, 0),
              APIERR_NOTINIT);

    const auto rejected = EventsNamed(Events(), "slot-rejected");
    ASSERT_EQ(rejected.size(), 7u);
    EXPECT_EQ(rejected[0].Text("reason"), "selector 'GSPF' is not 'GWIN'");
    EXPECT_EQ(rejected[2].Text("reason"), "selector 'SAVE' is not 'GSPF'");
    EXPECT_EQ(rejected[4].Text("reason"), "selector 0x01020304 is not 'SAVE'");
    EXPECT_FALSE(std::filesystem::exists(Target()));
}

TEST_F(WorkbenchHostWindows, SpecialFolderFourIsAWritableFolderOfTheDataFolder) {
    IO::Location location;
    ASSERT_EQ(SpecialFolder(4, location), NoError);
    EXPECT_EQ(PathOf(location), TemporaryFolder(dataFolder).string());
    EXPECT_TRUE(std::filesystem::is_directory(TemporaryFolder(dataFolder)));
    std::ofstream(TemporaryFolder(dataFolder) / "probe") << "x";
    EXPECT_TRUE(std::filesystem::exists(TemporaryFolder(dataFolder) / "probe"));

    IO::Location other(GS::UniString("/untouched"));
    EXPECT_EQ(SpecialFolder(3, other), APIERR_BADPARS);
    EXPECT_EQ(PathOf(other), "/untouched");
    const auto events = EventsNamed(Events(), "special-folder");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].Number("kind"), 4);
    EXPECT_EQ(events[0].Text("path"), TemporaryFolder(dataFolder).string());
    EXPECT_EQ(events[1].Number("result"), APIERR_BADPARS);
}

TEST_F(WorkbenchHostWindows, AFolderThatCannotBeMadeIsAGeneralError) {
    std::ofstream(dataFolder) << "a file where the data folder should be";
    IO::Location location;
    EXPECT_EQ(SpecialFolder(4, location), APIERR_GENERAL);
    EXPECT_TRUE(location.IsEmpty());
    EXPECT_NE(EventsNamed(Events(), "special-folder")[0].Text("error").find("cannot make the folder"),
              std::string::npos);
}

TEST_F(WorkbenchHostWindows, SavingThe3DWindowWritesARealJpegOfTheViewSize) {
    ASSERT_EQ(Save(LocationOf(Target())), NoError);
    const JpegInfo jpeg = ReadJpegInfo(Target());
    ASSERT_TRUE(jpeg.valid) << jpeg.problem;
    EXPECT_EQ(jpeg.width, 64);
    EXPECT_EQ(jpeg.height, 48);
    const auto saved = EventsNamed(Events(), "view-saved");
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].Text("path"), Target().string());
    EXPECT_EQ(saved[0].Number("bytes"), static_cast<std::int64_t>(std::filesystem::file_size(Target())));
    EXPECT_EQ(saved[0].Number("result"), 0);
}

TEST_F(WorkbenchHostWindows, SavingRefusesOtherTypesOptionsAndTargets) {
    EXPECT_EQ(Save(LocationOf(Target()), 18), APIERR_BADPARS);
    EXPECT_EQ(Save(LocationOf(Target()), APIFType_JPEGFile, 5), APIERR_BADPARS);
    EXPECT_EQ(Save(IO::Location()), APIERR_BADPARS);
    EXPECT_EQ(Save(IO::Location(GS::UniString("relative.jpeg"))), APIERR_BADPARS);
    API_FileSavePars file{};
    file.fileTypeID = APIFType_JPEGFile;
    API_SavePars_Picture picture{};
    picture.value = APIPictSave_Options;
    EXPECT_EQ(CallSelector(HostSlot_SaveCurrentWindow, APIDo_SaveID, &file, &picture), APIERR_BADPARS);
    EXPECT_FALSE(std::filesystem::exists(Target()));

    const auto saved = EventsNamed(Events(), "view-saved");
    ASSERT_EQ(saved.size(), 5u);
    EXPECT_NE(saved[0].Text("error").find("file type 18 is not 19"), std::string::npos);
    EXPECT_NE(saved[1].Text("error").find("picture option 5 is not 6"), std::string::npos);
    EXPECT_EQ(saved[2].Text("error"), "no target location");
    EXPECT_NE(saved[3].Text("error").find("not an absolute path"), std::string::npos);
}

TEST_F(WorkbenchHostWindows, SavingNeedsThe3DWindowInFront) {
    host.SwitchWindow(WindowKind::Section);
    EXPECT_EQ(Save(LocationOf(Target())), APIERR_BADWINDOW);
    EXPECT_FALSE(std::filesystem::exists(Target()));
    EXPECT_NE(EventsNamed(Events(), "view-saved")[0].Text("error").find("section"), std::string::npos);
    host.SwitchWindow(WindowKind::Model3D);
    EXPECT_EQ(Save(LocationOf(Target())), NoError);
}

TEST_F(WorkbenchHostWindows, AFailedWriteIsAGeneralErrorWithTheReasonAndNoCrash) {
    EXPECT_EQ(Save(LocationOf(dataFolder / "missing" / "view.jpeg")), APIERR_GENERAL);
    const auto saved = EventsNamed(Events(), "view-saved");
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_NE(saved[0].Text("error").find("cannot save"), std::string::npos) << saved[0].Text("error");
    EXPECT_FALSE(saved[0].Has("bytes"));
    EXPECT_NE(err.str().find("cannot save"), std::string::npos);
}

TEST_F(WorkbenchHostWindows, InjectedFailuresAnswerTheCodeAndDoNothing) {
    host.SetSlotFailure(HostSlot_GetCurrentWindow, Refused);
    host.SetSlotFailure(HostSlot_GetSpecialFolder, Refused);
    host.SetSlotFailure(HostSlot_SaveCurrentWindow, Refused);
    API_WindowInfo info{};
    EXPECT_EQ(QueryWindow(info), Refused);
    EXPECT_EQ(info.typeID, 0);
    IO::Location location;
    EXPECT_EQ(SpecialFolder(4, location), Refused);
    EXPECT_TRUE(location.IsEmpty());
    EXPECT_EQ(Save(LocationOf(Target())), Refused);
    EXPECT_FALSE(std::filesystem::exists(Target()));
    EXPECT_FALSE(std::filesystem::exists(dataFolder));
}

} // namespace
