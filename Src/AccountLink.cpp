#include "AccountLink.hpp"

#include "Dialogs.hpp"
#include "GSRoot/DBPrintf.hpp"
#include "KaveloResourceIds.h"
#include "Preferences.hpp"
#include "ServiceUrls.hpp"

void PromptAccountLink() {
    Dialog dialog(KAVELO_DLG_LINK);
    if (!dialog.Invoke())
        return;
    char linkId[LinkIdLength + 1] = {};
    RenewLinkId(linkId);
    OpenLoginPage(linkId);
    DBPrintf("Dialog true and id: %s\n", linkId);
}

void UnlinkAccount() {
    DeletePreferences();
}
