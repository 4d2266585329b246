// Step 6: the list of queued changes, grouped by URL, and the editor of one row's replacement.
#include <windows.h>

#include "corvane_ids.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

constexpr int kStep = 5;
const char* const kSortMethods[] = {"Unsorted", "By URL", "By action"};

}  // namespace

INT_PTR CALLBACK ReviewPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            for (const char* method : kSortMethods)
                SendDlgItemMessageA(page, IDC_REVIEW_SORT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(method));
            FillPageFromSettings(page, kStep, Wizard().settings);
            CheckDlgButton(page, IDC_REVIEW_ALLOW_DELETION, BST_UNCHECKED);
            CheckDlgButton(page, IDC_REVIEW_BACKUPS, BST_CHECKED);
            return TRUE;
        case WM_SHOWWINDOW:
            if (wParam) {
                EnableFrameButton(IDC_FRAME_NEXT, true);
                EnableFrameButton(IDC_FRAME_PREVIOUS, true);
            }
            return TRUE;
    }
    return FALSE;
}

}  // namespace corvane
