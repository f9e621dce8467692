#include "AddOnMain.hpp"

#include "ACAPI/ACAPinc.hpp"
#include "AccountLink.hpp"
#include "Dialogs.hpp"
#include "ErrorReport.hpp"
#include "Export.hpp"
#include "GSRoot/DBPrintf.hpp"
#include "KaveloResourceIds.h"
#include "Palette.hpp"
#include "ServiceUrls.hpp"

namespace {

struct MenuRegistration {
    Int16 menuStrResID;
    Int16 promptStrResID;
    Int32 placementCode;
};

constexpr Int32 PaletteControlFlags = 4;

// "Open live connection" is registered, and handled, before "Unlink account".
constexpr MenuRegistration Registrations[] = {
    {KAVELO_MENU_OPEN_TOOLBAR, KAVELO_PROMPT_OPEN_TOOLBAR, MenuCode_UserDef},
    {KAVELO_MENU_EXPORT, 0, MenuCode_UserDef},
    {KAVELO_MENU_OPEN_LIVE, 0, MenuCode_UserDef},
    {KAVELO_MENU_UNLINK, 0, MenuCode_UserDef},
    {KAVELO_TOOLBAR_ENTRY, 0, MenuCode_ToolBar},
};

} // namespace

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

static void DispatchMenuCommand(const API_MenuParams* menuParams) {
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
}

GSErrCode HandleMenuCommand(const API_MenuParams* menuParams) {
    RunCommand([menuParams] { DispatchMenuCommand(menuParams); });
    return NoError;
}
