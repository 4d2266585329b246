// Step 5: the search's log, progress bars and status.
#include <windows.h>

#include <commctrl.h>

#include "corvane_ids.h"
#include "wizard/wizard.h"

namespace corvane {

INT_PTR CALLBACK SearchPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SendDlgItemMessageA(page, IDC_SEARCH_OVERALL, PBM_SETRANGE32, 0, 2);
            return TRUE;
        case WM_SHOWWINDOW:
            if (wParam) {
                EnableFrameButton(IDC_FRAME_NEXT, Wizard().links.linkCount() > 0);
                EnableFrameButton(IDC_FRAME_PREVIOUS, true);
            }
            return TRUE;
    }
    return FALSE;
}

}  // namespace corvane
