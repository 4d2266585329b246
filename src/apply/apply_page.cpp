// Step 8: the log and progress of writing the files.
#include <windows.h>

#include "corvane_ids.h"
#include "wizard/wizard.h"

namespace corvane {

INT_PTR CALLBACK ApplyPageProc(HWND, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_SHOWWINDOW:
            if (wParam) {
                EnableFrameButton(IDC_FRAME_PREVIOUS, false);
                EnableFrameButton(IDC_FRAME_NEXT, true);
                SetWindowTextA(FrameButton(IDC_FRAME_NEXT),
                               Wizard().links.secondPassCount() != 0 ? "&Next pass" : "&Start over");
            }
            return TRUE;
    }
    return FALSE;
}

}  // namespace corvane
