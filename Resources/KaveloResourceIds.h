#ifndef KAVELO_RESOURCE_IDS_H
#define KAVELO_RESOURCE_IDS_H

/* Numbers shared by the resource sources (read through the C preprocessor by the resource
   compiler) and the add-on's code. Plain decimal literals only: the resource compiler reads
   the expanded text, not C expressions. */

/* String lists ('STRS') */
#define KAVELO_STRS_ADDON_INFO 32000 /* item 1 name, item 2 description */
#define KAVELO_STRS_ADDON_NAME_ITEM 1
#define KAVELO_STRS_ADDON_DESCRIPTION_ITEM 2
#define KAVELO_STRS_INT 18000

/* Menu commands and the toolbar entry ('STRS'; item 1 menu title, item 2 command text) */
#define KAVELO_MENU_OPEN_TOOLBAR 32511
#define KAVELO_MENU_EXPORT 32512
#define KAVELO_MENU_UNLINK 32513
#define KAVELO_MENU_OPEN_LIVE 32514
#define KAVELO_PROMPT_OPEN_TOOLBAR 32530
#define KAVELO_TOOLBAR_ENTRY 32540 /* one item only: the entry's text */

/* Modal dialogs ('GSDG' with their item names in 'DLGH' of the same id) */
#define KAVELO_DLG_LINK 32520
#define KAVELO_DLG_EXPORTED 32531
#define KAVELO_DLG_EXPORTED_REALTIME 32532
#define KAVELO_DLG_EXPORT_LOGIN 32533
#define KAVELO_DLG_UNLINKED 32534

/* Items every modal dialog shares: the accepting button on the right, and to its left either a
   second button or, in the one-button dialogs, the separator. */
#define KAVELO_DLG_ITEM_ACCEPT 1
#define KAVELO_DLG_ITEM_SECOND 2

/* The floating palette ('GSDG' and 'DLGH') and its two icon buttons */
#define KAVELO_PALETTE 32590
#define KAVELO_PALETTE_ITEM_EXPORT 1
#define KAVELO_PALETTE_ITEM_LIVE 2

/* Icons ('GICN' groups named "I<id>&96" and "I<id>&192") */
#define KAVELO_ICON_LOGO 32101
#define KAVELO_ICON_UNLINK 32102
#define KAVELO_ICON_LIVE 32103
#define KAVELO_ICON_TOOLBAR 32104
#define KAVELO_ICON_EXPORT 32105
#define KAVELO_ICON_HOUSE 10001

/* Module identity ('MDID') */
#define KAVELO_MDID 32500

#endif
