#include "ErrorReport.hpp"
#include "AddOnFixture.hpp"

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// The host's named codes, run by run: first offset from 0x81060000, then the names in code order.
const char* const NamedRuns[] = {
    "1 APIERR_GENERAL APIERR_MEMFULL APIERR_CANCEL",
    "101 APIERR_BADID APIERR_BADINDEX APIERR_BADNAME APIERR_BADPARS APIERR_BADPOLY APIERR_BADDATABASE "
    "APIERR_BADWINDOW APIERR_BADKEYCODE APIERR_BADPLATFORMSIGN APIERR_BADPLANE APIERR_BADUSERID "
    "APIERR_BADVALUE "
    "APIERR_BADELEMENTTYPE APIERR_IRREGULARPOLY",
    "201 APIERR_NO3D APIERR_NOMORE APIERR_NOPLAN APIERR_NOLIB APIERR_NOLIBSECT APIERR_NOSEL "
    "APIERR_NOTEDITABLE "
    "APIERR_NOTSUBTYPEOF APIERR_NOTEQUALMAIN APIERR_NOTEQUALREVISION APIERR_NOTEAMWORKPROJECT",
    "220 APIERR_NOUSERDATA APIERR_MOREUSER APIERR_LINKEXIST APIERR_LINKNOTEXIST APIERR_WINDEXIST "
    "APIERR_WINDNOTEXIST APIERR_UNDOEMPTY APIERR_REFERENCEEXIST APIERR_NAMEALREADYUSED",
    "301 APIERR_ATTREXIST APIERR_DELETED APIERR_LOCKEDLAY APIERR_HIDDENLAY APIERR_INVALFLOOR APIERR_NOTMINE "
    "APIERR_NOACCESSRIGHT APIERR_BADPROPERTY APIERR_BADCLASSIFICATION",
    "401 APIERR_MODULNOTINSTALLED APIERR_MODULCMDMINE APIERR_MODULCMDNOTSUPPORTED "
    "APIERR_MODULCMDVERSNOTSUPPORTED "
    "APIERR_NOMODULEDATA",
    "501 APIERR_PAROVERLAP APIERR_PARMISSING APIERR_PAROVERFLOW APIERR_PARIMPLICIT",
    "510 APIERR_RUNOVERLAP APIERR_RUNMISSING APIERR_RUNOVERFLOW APIERR_RUNIMPLICIT APIERR_RUNPROTECTED",
    "520 APIERR_EOLOVERLAP",
    "530 APIERR_TABOVERLAP",
    "901 APIERR_NOTINIT APIERR_NESTING APIERR_NOTSUPPORTED APIERR_REFUSEDCMD APIERR_REFUSEDPAR "
    "APIERR_READONLY "
    "APIERR_SERVICEFAILED APIERR_COMMANDFAILED APIERR_NEEDSUNDOSCOPE",
    "1001 APIERR_MISSINGCODE APIERR_MISSINGDEF",
};

GSErrCode HostCode(UInt32 offset) {
    return GSErrCode(0x81060000u + offset);
}

TEST(ErrorName, EveryNamedCodeAndBothNeighboursOfEveryRun) {
    std::size_t named = 0;
    for (const char* line : NamedRuns) {
        std::istringstream run(line);
        UInt32 offset = 0;
        run >> offset;
        EXPECT_STREQ(ErrorName(HostCode(offset - 1)), "Unknown Error") << "before run at " << offset;
        std::string name;
        while (run >> name) {
            EXPECT_EQ(ErrorName(HostCode(offset)), name) << "offset " << offset;
            ++offset;
            ++named;
        }
        EXPECT_STREQ(ErrorName(HostCode(offset)), "Unknown Error") << "after run ending at " << offset - 1;
    }
    EXPECT_EQ(named, 73u);
}

// The codes the host declares, each with its own identifier as the name the add-on must give it.
#define HOST_CODE(code) std::pair<GSErrCode, const char*>(code, #code)

TEST(ErrorName, AgreesWithTheCodesTheHostDeclares) {
    for (const auto& [code, name] :
         {HOST_CODE(APIERR_GENERAL), HOST_CODE(APIERR_MEMFULL), HOST_CODE(APIERR_BADID),
          HOST_CODE(APIERR_BADPARS), HOST_CODE(APIERR_BADWINDOW), HOST_CODE(APIERR_WINDEXIST),
          HOST_CODE(APIERR_WINDNOTEXIST), HOST_CODE(APIERR_NAMEALREADYUSED), HOST_CODE(APIERR_NOTINIT),
          HOST_CODE(APIERR_NOTSUPPORTED)})
        EXPECT_STREQ(ErrorName(code), name);
}

#undef HOST_CODE

TEST(ErrorName, CodesOutsideTheHostRangeAreUnknown) {
    for (const GSErrCode code : {0, -36, -7005, 200, 201, 401, 413, 500, Int32(0x81060000), Int32(0x7FFFFFFF),
                                 Int32(0x80000000), Int32(0x81070001), Int32(0x01060001)})
        EXPECT_STREQ(ErrorName(code), "Unknown Error") << code;
}

class ErrorReportTest : public AddOnFixture {};

TEST_F(ErrorReportTest, OneAlertWithCaptionAndNameThenOneBeep) {
    ErrorReport("Error", GSErrCode(0x8106006B));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"Alert %s: %s", "Beep"}));
    EXPECT_EQ(host.reports, std::vector<std::string>{"Error: APIERR_BADWINDOW"});
}

TEST_F(ErrorReportTest, StatusCodesReportAsUnknownError) {
    ErrorReport("Unexpected response from KAVELO server", 500);
    EXPECT_EQ(host.reports,
              std::vector<std::string>{"Unexpected response from KAVELO server: Unknown Error"});
}

TEST_F(ErrorReportTest, HostWithoutReportStillBeeps) {
    host.ClearSlot(HostSlot_ReportMessage);
    ASSERT_EQ(host.SendTable(), NoError);
    ErrorReport("Error", APIERR_GENERAL);
    EXPECT_EQ(host.calls, std::vector<std::string>{"Beep"});
}

TEST_F(ErrorReportTest, ARefusedReportIsIgnored) {
    host.FailSlot(HostSlot_ReportMessage, APIERR_GENERAL);
    ErrorReport("Error", APIERR_GENERAL);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"Alert %s: %s", "Beep"}));
}

} // namespace
