#ifndef DG_TEST_RESOURCE_IDS_H
#define DG_TEST_RESOURCE_IDS_H

/* Numbers and titles shared by the dialog library tests' own resources (DGTestResources.grc, read
   through the C preprocessor by the resource compiler) and the tests. Plain decimal literals and
   string literals only: the resource compiler reads the expanded text, not C expressions. */

/* A string list: a resource that is not a dialog */
#define DGTEST_STRS 1000

/* Modal dialogs ('GSDG' with their item names in 'DLGH' of the same id). Item 1 of both is the
   accepting button; item 2 is the second button, or the separator in the one-button dialog. */
#define DGTEST_DLG_TWO_BUTTONS 1001
#define DGTEST_DLG_TWO_BUTTONS_TITLE "Two buttons"
#define DGTEST_DLG_TWO_BUTTONS_ITEM_COUNT 4 /* accept, second, separator, text */
#define DGTEST_DLG_TWO_BUTTONS_ITEM_SEPARATOR 3

#define DGTEST_DLG_ONE_BUTTON 1002
#define DGTEST_DLG_ONE_BUTTON_TITLE "One button"
#define DGTEST_DLG_ONE_BUTTON_ITEM_COUNT 3 /* accept, separator, text */
#define DGTEST_DLG_ONE_BUTTON_ITEM_SEPARATOR 2

#define DGTEST_DLG_ITEM_ACCEPT 1
#define DGTEST_DLG_ITEM_SECOND 2

/* The floating palette: two icon buttons in a panel of kind 16 with flags 5 */
#define DGTEST_PALETTE 1003
#define DGTEST_PALETTE_TITLE "Palette"
#define DGTEST_PALETTE_KIND 16
#define DGTEST_PALETTE_FLAGS 5
#define DGTEST_PALETTE_WIDTH 84
#define DGTEST_PALETTE_HEIGHT 34
#define DGTEST_PALETTE_ITEM_FIRST 1
#define DGTEST_PALETTE_ITEM_SECOND 2
#define DGTEST_PALETTE_ITEM_COUNT 2

/* Icons ('GICN'), both drawn from Dot.svg */
#define DGTEST_ICON_FIRST 1101
#define DGTEST_ICON_SECOND 1102

#endif
