// Dialog and control ids, shared by res/brimsel.rc and the dialogs' code. Plain
// defines, since the resource compiler reads this file too.
#pragma once

#define IDD_ABOUT 101
#define IDD_SETTINGS 103

#define IDC_PICTURE_PATH 1000
#define IDC_BROWSE 1001
#define IDC_PLACEMENT 1002
#define IDC_ALIGN 1003
#define IDC_SIZING 1004
#define IDC_TIME_FONT 1005
#define IDC_DATE_FONT 1006
#define IDC_DATE_FORMAT 1007
#define IDC_TIME_FORMAT 1008
