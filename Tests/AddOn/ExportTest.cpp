#include "Export.hpp"
#include "AddOnFixture.hpp"
#include "HTTPHost.hpp"
#include "KaveloResourceIds.h"
#include "OriginRoute.hpp"
#include "TestServer.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class Export : public FixedClockFixture {
protected:
    void SetUp() override {
        FixedClockFixture::SetUp();
        // Nothing listens where the add-on's connections go.
        Testing::RouteOriginTo(HttpTest::ClosedPort());
    }
    void TearDown() override {
        HTTP::Host::ResetSettings();
        FixedClockFixture::TearDown();
    }

    void Link() {
        std::vector<UInt8> record(48, 0);
        std::memcpy(record.data(), "0f3e2a1b-9c8d-4e7f-a6b5-c4d3e2f1a0b9", 36);
        host.StorePreferences(1, record);
    }

    bool Called(const std::string& prefix) const {
        for (const std::string& call : host.calls)
            if (call.rfind(prefix, 0) == 0)
                return true;
        return false;
    }
};

TEST_F(Export, NotLinkedPromptsToLinkWithoutLookingAtTheWindow) {
    host.SwitchWindow(Workbench::WindowKind::FloorPlan);
    host.AnswerDialog(2);
    ExportCurrentView();
    EXPECT_TRUE(Called("Dialog 32520"));
    EXPECT_FALSE(Called("GetCurrentWindow"));
    EXPECT_FALSE(Called("SaveCurrentWindow"));
    EXPECT_TRUE(host.reports.empty());
}

TEST_F(Export, AnotherWindowInFrontIsRefusedWithBadWindow) {
    Link();
    host.SwitchWindow(Workbench::WindowKind::FloorPlan);
    ExportCurrentView();
    EXPECT_EQ(host.reports,
              std::vector<std::string>{"Please switch to a 3D window before exporting.: APIERR_BADWINDOW"});
    EXPECT_TRUE(Called("Beep"));
    EXPECT_FALSE(Called("SaveCurrentWindow"));
}

TEST_F(Export, AFailedWindowQueryIsRefusedTheSameWay) {
    Link();
    host.FailSlot(HostSlot_GetCurrentWindow, APIERR_GENERAL);
    ExportCurrentView();
    EXPECT_EQ(host.reports,
              std::vector<std::string>{"Please switch to a 3D window before exporting.: APIERR_BADWINDOW"});
}

TEST_F(Export, AFailedSaveIsReportedWithTheHostsCode) {
    Link();
    host.FailSlot(HostSlot_SaveCurrentWindow, APIERR_NOTSUPPORTED);
    ExportCurrentView();
    EXPECT_TRUE(Called("SaveCurrentWindow 19 6"));
    EXPECT_EQ(host.reports, std::vector<std::string>{"Error in APIDo_SaveID (JPEG): APIERR_NOTSUPPORTED"});
}

TEST_F(Export, TheCaptureIsSavedInSpecialFolderFourAndEncodedByLength) {
    host.viewPicture = std::string("\xFF\x00\xD8\x00\x00", 5);
    const CaptureResult capture = CaptureView();
    EXPECT_TRUE(capture.success);
    EXPECT_EQ(capture.dataUrl, "data:image/jpeg;base64,/wDYAAA=");
    EXPECT_TRUE(Called("GetSpecialFolder 4"));
    EXPECT_EQ(host.savedPath, host.CaptureFolder() + "/KaveloArchiCapture.jpeg");
    EXPECT_TRUE(std::filesystem::exists(host.savedPath)); // never deleted
}

TEST_F(Export, AOneByteFileGivesTwoCharactersAndPadding) {
    host.viewPicture = "\x7F";
    EXPECT_EQ(CaptureView().dataUrl, "data:image/jpeg;base64,fw==");
}

TEST_F(Export, AnUnreadableCaptureIsAReadError) {
    host.viewPicture.clear(); // the host reports success but writes nothing
    const CaptureResult capture = CaptureView();
    EXPECT_FALSE(capture.success);
    EXPECT_TRUE(capture.dataUrl.empty());
    EXPECT_EQ(host.reports, std::vector<std::string>{"Error read: Unknown Error"});
}

TEST_F(Export, NetworkDownAfterACaptureIsAConnectionError) {
    Link();
    ExportCurrentView();
    EXPECT_TRUE(std::filesystem::exists(host.savedPath));
    EXPECT_EQ(host.reports,
              std::vector<std::string>{
                  "Error connecting to KAVELO. Check your internet connection and try again: Unknown Error"});
}

TEST_F(Export, TheExportMenuCommandRunsTheExport) {
    host.AnswerDialog(2);
    EXPECT_EQ(host.PickMenu(KAVELO_MENU_EXPORT), NoError);
    EXPECT_TRUE(Called("Dialog 32520"));
}

} // namespace
