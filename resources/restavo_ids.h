// Resource ids of Restavo: its dialog, bitmap, icon and cursor (the about box's are in about_ids.h).
#pragma once

#include "about_ids.h"

#define IDD_RESTAVO 101
#define IDB_RESTAVO_BANNER 104
#define IDI_RESTAVO 105

#define IDC_RESTAVO_FOLDER 1000
#define IDC_RESTAVO_BROWSE 1001
#define IDC_RESTAVO_PROCESS 1003
#define IDC_RESTAVO_RESTORE 1004
#define IDC_RESTAVO_DELETE 1005
#define IDC_RESTAVO_EXTENSION 1006
#define IDC_RESTAVO_ABOUT 1007
#define IDC_RESTAVO_EXIT 1008
#define IDC_RESTAVO_HELP 1009
