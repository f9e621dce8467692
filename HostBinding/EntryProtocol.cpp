#include "ACAPI/ACAPinc.hpp"
#include "BindingState.hpp"
#include "GSRoot/BM.hpp"
#include "ModuleExport.hpp"

#include <cstring>

namespace HostBinding {

Int32 EntryDescribeAddOn(API_EnvirParams* envir) {
    if (!HostTableReceived)
        return 0;
    return DescribeAddOn(envir);
}

GSErrCode EntryRegisterCommands(void* registrationContext) {
    if (!HostTableReceived)
        return APIERR_GENERAL;
    RegistrationContext = registrationContext;
    return RegisterCommands();
}

GSErrCode EntryInitialize(void* hostContext) {
    if (!HostTableReceived)
        return APIERR_GENERAL;
    HostContext = hostContext;
    return Initialize();
}

GSErrCode EntryShutDown() {
    if (!HostTableReceived)
        return APIERR_GENERAL;
    const GSErrCode result = ShutDown();
    HostContext = nullptr;
    return result;
}

} // namespace HostBinding

KAVELO_EXPORT void GetExportedFuncAddrs(API_EntryPointRecord* record) {
    BNFillMemory(record, sizeof(API_EntryPointRecord), 0);
    record->protocolVersion = API_ProtocolVersion29;
    record->describeAddOn = HostBinding::EntryDescribeAddOn;
    record->registerCommands = HostBinding::EntryRegisterCommands;
    record->initialize = HostBinding::EntryInitialize;
    record->shutDown = HostBinding::EntryShutDown;
    record->hostVersion = API_HostVersion29;
}

KAVELO_EXPORT GSErrCode SetImportedFuncAddrs(const HostFunction* table) {
    std::memcpy(HostBinding::HostFunctionTable, table, sizeof(HostBinding::HostFunctionTable));
    HostBinding::HostTableReceived = true;
    return NoError;
}
