#include "RecordingBodies.hpp"

#include "ACAPI/ACAPinc.hpp"
#include "BindingState.hpp"

#include <algorithm>
#include <iterator>

namespace Recording {

std::vector<BodyCall> bodyCalls;
GSErrCode nextResult = NoError;

void ResetBinding() {
    using namespace HostBinding;
    std::fill(std::begin(HostFunctionTable), std::end(HostFunctionTable), nullptr);
    HostTableReceived = false;
    HostContext = nullptr;
    RegistrationContext = nullptr;
    ModuleInstance = nullptr;
    std::fill(std::begin(ModuleFilePath), std::end(ModuleFilePath), u'\0');
    ModuleResourceId = InvalidResModule;
    DllTermHookProc = nullptr;
    bodyCalls.clear();
    nextResult = NoError;
}

} // namespace Recording

Int32 DescribeAddOn(API_EnvirParams*) {
    Recording::bodyCalls.push_back({"DescribeAddOn", HostBinding::HostContext});
    return 1;
}

GSErrCode RegisterCommands() {
    Recording::bodyCalls.push_back({"RegisterCommands", HostBinding::HostContext});
    return Recording::nextResult;
}

GSErrCode Initialize() {
    Recording::bodyCalls.push_back({"Initialize", HostBinding::HostContext});
    return Recording::nextResult;
}

GSErrCode ShutDown() {
    Recording::bodyCalls.push_back({"ShutDown", HostBinding::HostContext});
    return Recording::nextResult;
}
