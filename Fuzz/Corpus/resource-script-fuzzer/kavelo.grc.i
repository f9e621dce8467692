# 0 "/work/wt-16/Resources/KAVELO.grc"
# 0 "<built-in>"
# 0 "<command-line>"
# 1 "/work/wt-16/Resources/KAVELO.grc"
# 14 "/work/wt-16/Resources/KAVELO.grc"
# 1 "/work/wt-16/Resources/KaveloResourceIds.h" 1
# 15 "/work/wt-16/Resources/KAVELO.grc" 2



'STRS' 32000 {
    1 "KAVELO"
    2 "Export models to kavelo.ai to improve realism"
}

'STRS' 18000 {
    1 "INT"
}



'STRS' 32511 {
    1 "KAVELO"
    2 "Open toolbar^32104^E3"
}

'STRS' 32512 {
    1 "KAVELO"
    2 "Export from current view^32105^E3"
}

'STRS' 32513 {
    1 "KAVELO"
    2 "Unlink account^32102^E3"
}

'STRS' 32514 {
    1 "KAVELO"
    2 "Open live connection^32103^E3"
}

'STRS' 32530 {
    1 "KAVELO"
    2 "Open toolbar"
}


'STRS' 32540 {
    1 "KAVELO toolbar^32101^E3"
}



'MDID' 32500 {
    0x4B41564C
    0x00000001
}



'GICN' 32101 "KaveloLogo" size 22
'GICN' 32102 "UnlinkChain" size 22
'GICN' 32103 "LiveGlobe" size 22
'GICN' 32104 "ToolbarBars" size 22
'GICN' 32105 "ExportCloud" size 22
'GICN' 10001 "HousePanel" size 18

# 1 "/work/wt-16/Resources/Dialogs.grc" 1
# 12 "/work/wt-16/Resources/Dialogs.grc"
'GSDG' 32520 "Link to KAVELO" panel 4 flags 0 at 40 40 size 345 128 {
            Button style 7 at 245 95 size 90 23 "OK"
            Button style 7 at 145 95 size 90 23 "Cancel"
            Separator at 10 83 size 325 2
            LeftText at 10 10 size 335 40
                "Before exporting your renders to KAVELO you need to link Archicad to your KAVELO account. "
                "Click on OK and login in the browser page that will open."
}

'DLGH' 32520 "DLG_Link" {
    1 "Button_0"
    2 "Button_1"
    3 "Separator_0"
    4 "LeftText_0"
}



'GSDG' 32531 "Export to KAVELO succeeded" panel 4 flags 0 at 40 40 size 345 128 {
            Button style 7 at 245 95 size 90 23 "OK"
            Separator at 10 83 size 325 2
            LeftText at 10 10 size 335 12 "Your image was exported to KAVELO."
            LeftText at 10 34 size 335 12 "Refresh your KAVELO browser tab if the upload didn't appear."
}

'DLGH' 32531 "DLG_Exported" {
    1 "Button_0"
    2 "Separator_0"
    3 "LeftText_0"
    4 "LeftText_1"
}



'GSDG' 32532 "Export to KAVELO succeeded" panel 4 flags 0 at 40 40 size 345 128 {
            Button style 7 at 245 95 size 90 23 "Open live"
            Button style 7 at 145 95 size 90 23 "Close"
            Separator at 10 83 size 325 2
            LeftText at 10 10 size 335 12 "Your image was exported to KAVELO."
            LeftText at 10 24 size 335 40
                "If you click on \"Open live\", a new tab with KAVELO will be opened in the browser "
                "and will get updated each time you export an image."
}

'DLGH' 32532 "DLG_Exported" {
    1 "Button_0"
    2 "Button_1"
    3 "Separator_0"
    4 "LeftText_0"
    5 "LeftText_1"
}



'GSDG' 32533 "Export to KAVELO failed" panel 4 flags 0 at 40 40 size 345 128 {
            Button style 7 at 245 95 size 90 23 "OK"
            Separator at 10 83 size 325 2
            LeftText at 10 10 size 335 26 "You need to link Archicad to your KAVELO account."
}

'DLGH' 32533 "DLG_Exported_Login" {
    1 "Button_0"
    2 "Separator_0"
    3 "LeftText_0"
}



'GSDG' 32534 "Account unlinked" panel 4 flags 0 at 40 40 size 345 128 {
            Button style 7 at 245 95 size 90 23 "OK"
            Separator at 10 83 size 325 2
            LeftText at 10 10 size 335 26 "Archicad app was unlinked from your KAVELO account."
}

'DLGH' 32534 "DLG_Exported_Login" {
    1 "Button_0"
    2 "Separator_0"
    3 "LeftText_0"
}



'GSDG' 32590 "Kavelo Palette" panel 16 flags 5 at 0 0 size 84 34 {
            IconButton style 2 at 8 2 size 30 30 icon 32105
            IconButton style 2 at 46 2 size 30 30 icon 32103
}

'DLGH' 32590 "DLG_32580_Test_Palette" {
    1 "Button_0"
}
# 76 "/work/wt-16/Resources/KAVELO.grc" 2
