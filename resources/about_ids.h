// Ids of the about box, the same in both programs.
#pragma once

#define IDD_ABOUT 108
#define IDC_ABOUT_NAME 1056
#define IDC_ABOUT_MAKER 1057
#define IDC_ABOUT_LINK1 1013
#define IDC_ABOUT_LINK2 1015
#define IDC_ABOUT_TEXT 1001
#define IDC_ABOUT_PICTURE 1005
#define IDC_HAND_CURSOR 101
