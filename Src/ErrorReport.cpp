#include "ErrorReport.hpp"

#include "ACAPI/ACAPinc.hpp"
#include "GSUtils/GSUtils.hpp"

#include <new>

namespace {

constexpr UInt32 HostErrorBase = 0x81060000;

// The host's named codes lie in runs of consecutive offsets from HostErrorBase.
struct ErrorRun {
    UInt32 firstOffset;
    const char* const* names;
    UInt32 count;
};

constexpr const char* General[] = {"APIERR_GENERAL", "APIERR_MEMFULL", "APIERR_CANCEL"};
constexpr const char* BadArguments[] = {
    "APIERR_BADID",           "APIERR_BADINDEX",     "APIERR_BADNAME",   "APIERR_BADPARS",
    "APIERR_BADPOLY",         "APIERR_BADDATABASE",  "APIERR_BADWINDOW", "APIERR_BADKEYCODE",
    "APIERR_BADPLATFORMSIGN", "APIERR_BADPLANE",     "APIERR_BADUSERID", "APIERR_BADVALUE",
    "APIERR_BADELEMENTTYPE",  "APIERR_IRREGULARPOLY"};
constexpr const char* Missing[] = {"APIERR_NO3D",
                                   "APIERR_NOMORE",
                                   "APIERR_NOPLAN",
                                   "APIERR_NOLIB",
                                   "APIERR_NOLIBSECT",
                                   "APIERR_NOSEL",
                                   "APIERR_NOTEDITABLE",
                                   "APIERR_NOTSUBTYPEOF",
                                   "APIERR_NOTEQUALMAIN",
                                   "APIERR_NOTEQUALREVISION",
                                   "APIERR_NOTEAMWORKPROJECT"};
constexpr const char* Existence[] = {
    "APIERR_NOUSERDATA",   "APIERR_MOREUSER",       "APIERR_LINKEXIST",
    "APIERR_LINKNOTEXIST", "APIERR_WINDEXIST",      "APIERR_WINDNOTEXIST",
    "APIERR_UNDOEMPTY",    "APIERR_REFERENCEEXIST", "APIERR_NAMEALREADYUSED"};
constexpr const char* Access[] = {"APIERR_ATTREXIST",     "APIERR_DELETED",     "APIERR_LOCKEDLAY",
                                  "APIERR_HIDDENLAY",     "APIERR_INVALFLOOR",  "APIERR_NOTMINE",
                                  "APIERR_NOACCESSRIGHT", "APIERR_BADPROPERTY", "APIERR_BADCLASSIFICATION"};
constexpr const char* Modules[] = {"APIERR_MODULNOTINSTALLED", "APIERR_MODULCMDMINE",
                                   "APIERR_MODULCMDNOTSUPPORTED", "APIERR_MODULCMDVERSNOTSUPPORTED",
                                   "APIERR_NOMODULEDATA"};
constexpr const char* Paragraphs[] = {"APIERR_PAROVERLAP", "APIERR_PARMISSING", "APIERR_PAROVERFLOW",
                                      "APIERR_PARIMPLICIT"};
constexpr const char* Runs[] = {"APIERR_RUNOVERLAP", "APIERR_RUNMISSING", "APIERR_RUNOVERFLOW",
                                "APIERR_RUNIMPLICIT", "APIERR_RUNPROTECTED"};
constexpr const char* LineEnds[] = {"APIERR_EOLOVERLAP"};
constexpr const char* Tabs[] = {"APIERR_TABOVERLAP"};
constexpr const char* Commands[] = {"APIERR_NOTINIT",       "APIERR_NESTING",       "APIERR_NOTSUPPORTED",
                                    "APIERR_REFUSEDCMD",    "APIERR_REFUSEDPAR",    "APIERR_READONLY",
                                    "APIERR_SERVICEFAILED", "APIERR_COMMANDFAILED", "APIERR_NEEDSUNDOSCOPE"};
constexpr const char* Definitions[] = {"APIERR_MISSINGCODE", "APIERR_MISSINGDEF"};

template <std::size_t N>
constexpr ErrorRun Run(UInt32 firstOffset, const char* const (&names)[N]) {
    return {firstOffset, names, UInt32(N)};
}

constexpr ErrorRun ErrorRuns[] = {Run(1, General),      Run(101, BadArguments), Run(201, Missing),
                                  Run(220, Existence),  Run(301, Access),       Run(401, Modules),
                                  Run(501, Paragraphs), Run(510, Runs),         Run(520, LineEnds),
                                  Run(530, Tabs),       Run(901, Commands),     Run(1001, Definitions)};

} // namespace

const char* ErrorName(GSErrCode code) {
    const UInt32 offset = UInt32(code) - HostErrorBase;
    for (const ErrorRun& run : ErrorRuns) {
        if (offset >= run.firstOffset && offset - run.firstOffset < run.count)
            return run.names[offset - run.firstOffset];
    }
    return "Unknown Error";
}

void ErrorReport(const char* caption, GSErrCode code) {
    try {
        HostReportMessage(GS::UniString("%s: %s"), true, caption, ErrorName(code));
    } catch (const std::bad_alloc&) {
        // Out of memory for the format text: the beep is all the user can still get.
    }
    GSSysBeep();
}
