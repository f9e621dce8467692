#include "AddOnMain.hpp"

#include "ACAPI/ACAPinc.hpp"
#include "AccountLink.hpp"
#include "Dialogs.hpp"
#include "Export.hpp"
#include "GSRoot/DBPrintf.hpp"
#include "KaveloResourceIds.h"
#include "Palette.hpp"

#include <cstring>

const GS::Guid PaletteGuid("{D8A0A01F-1184-40F2-B8A8-28CF30714FA4}");
const Int32 PaletteRefId = GuidReferenceId(PaletteGuid);

namespace {

struct MenuRegistration {
    Int16 menuStrResID;
    Int16 promptStrResID;
    Int32 placementCode;
};

constexpr Int32 MenuPlacement = 0;
constexpr Int32 ToolbarPlacement = 12;
constexpr Int32 PaletteControlFlags = 4;

// "Open live connection" is registered, and handled, before "Unlink account".
constexpr MenuRegistration Registrations[] = {
    {KAVELO_MENU_OPEN_TOOLBAR, KAVELO_PROMPT_OPEN_TOOLBAR, MenuPlacement},
    {KAVELO_MENU_EXPORT, 0, MenuPlacement},
    {KAVELO_MENU_OPEN_LIVE, 0, MenuPlacement},
    {KAVELO_MENU_UNLINK, 0, MenuPlacement},
    {KAVELO_TOOLBAR_ENTRY, 0, ToolbarPlacement},
};

} // namespace

Int32 GuidReferenceId(const GS::Guid& guid) {
    UInt8 bytes[sizeof(GS::Guid)];
    std::memcpy(bytes, &guid, sizeof(bytes));
    UInt32 sum = 0;
    for (std::size_t word = 0; word < sizeof(bytes) / 4; ++word) {
        const UInt8* b = bytes + word * 4;
        sum += UInt32(b[0]) | UInt32(b[1]) << 8 | UInt32(b[2]) << 16 | UInt32(b[3]) << 24;
    }
    return Int32(sum);
}

Int32 DescribeAddOn(API_EnvirParams* envir) {
    const GSResModule resModule = ACAPI_GetOwnResModule();
    RSGetIndString_ParamAdapter(&envir->addOnInfo.name, KAVELO_STRS_ADDON_INFO, KAVELO_STRS_ADDON_NAME_ITEM,
                                resModule);
    RSGetIndString_ParamAdapter(&envir->addOnInfo.description, KAVELO_STRS_ADDON_INFO,
                                KAVELO_STRS_ADDON_DESCRIPTION_ITEM, resModule);
    return 1;
}

GSErrCode RegisterCommands() {
    GSErrCode err = NoError;
    for (const MenuRegistration& menu : Registrations) {
        err = HostRegisterMenu(menu.menuStrResID, menu.promptStrResID, menu.placementCode, 0);
        if (err != NoError)
            return err;
    }
    return err;
}

GSErrCode Initialize() {
    for (const MenuRegistration& menu : Registrations) {
        if (ACAPI_MenuItem_InstallMenuHandler(menu.menuStrResID, HandleMenuCommand) != NoError) {
            DBPrintf("Initialize() ACAPI_MenuItem_InstallMenuHandler failed\n");
            break;
        }
    }

    const GSErrCode err =
        ACAPI_RegisterModelessWindow(PaletteRefId, HandlePaletteMessage, PaletteControlFlags, PaletteGuid);
    if (err != NoError) {
        DBPrintf("DG_Test:: Initialize() ACAPI_RegisterModelessWindow failed\n");
        return err;
    }
    return NoError;
}

GSErrCode ShutDown() {
    HostUnregisterModelessWindow(PaletteRefId);
    return NoError;
}

GSErrCode HandleMenuCommand(const API_MenuParams* menuParams) {
    switch (menuParams->menuResID) {
    case KAVELO_MENU_OPEN_TOOLBAR:
        if (!PaletteManager::GetInstance().IsOpen())
            PaletteManager::GetInstance().Open();
        break;
    case KAVELO_TOOLBAR_ENTRY:
        if (PaletteManager::GetInstance().IsOpen())
            PaletteManager::GetInstance().Close();
        else
            PaletteManager::GetInstance().Open();
        break;
    case KAVELO_MENU_EXPORT:
        ExportCurrentView();
        break;
    case KAVELO_MENU_UNLINK: {
        UnlinkAccount();
        Dialog dialog(KAVELO_DLG_UNLINKED);
        dialog.Invoke();
        break;
    }
    case KAVELO_MENU_OPEN_LIVE:
        OpenLiveView(std::string());
        break;
    default:
        break;
    }
    return NoError;
}
