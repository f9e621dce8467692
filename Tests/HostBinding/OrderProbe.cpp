// The add-on side of the probe module: a static object that says when it is built and destroyed,
// and bodies that do nothing.

#include "ACAPI/ACAPinc.hpp"
#include "GSRoot/DBPrintf.hpp"

namespace {

struct StaticProbe {
    StaticProbe() {
        DBPrintf("static object built, resource module %lld\n", (long long)ACAPI_GetOwnResModule());
    }
    ~StaticProbe() {
        DBPrintf("static object destroyed, resource module %lld\n", (long long)ACAPI_GetOwnResModule());
    }
};

const StaticProbe probe;

} // namespace

Int32 DescribeAddOn(API_EnvirParams*) {
    return 1;
}

GSErrCode RegisterCommands() {
    return NoError;
}

GSErrCode Initialize() {
    return NoError;
}

GSErrCode ShutDown() {
    return NoError;
}
