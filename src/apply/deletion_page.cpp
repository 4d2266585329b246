// Step 7: how links queued for deletion are rendered when the files are written.
#include <windows.h>

#include "corvane_ids.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

constexpr int kStep = 6;

void EnableGroup(HWND page, int replaceChoice, int edit, int browse) {
    bool on = IsDlgButtonChecked(page, replaceChoice) == BST_CHECKED;
    EnableWindow(GetDlgItem(page, edit), on);
    EnableWindow(GetDlgItem(page, browse), on);
}

}  // namespace

INT_PTR CALLBACK DeletionPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            CheckRadioButton(page, IDC_DEL_TEXT_CONVERT, IDC_DEL_TEXT_EMPTY, IDC_DEL_TEXT_CONVERT);
            CheckRadioButton(page, IDC_DEL_IMAGE_EMPTY, IDC_DEL_IMAGE_REPLACE, IDC_DEL_IMAGE_EMPTY);
            CheckRadioButton(page, IDC_DEL_BACKGROUND_EMPTY, IDC_DEL_BACKGROUND_REPLACE, IDC_DEL_BACKGROUND_EMPTY);
            SendDlgItemMessageA(page, IDC_DEL_IMAGE_URL, EM_SETLIMITTEXT, kOptionTextBytes - 1, 0);
            SendDlgItemMessageA(page, IDC_DEL_BACKGROUND_URL, EM_SETLIMITTEXT, kOptionTextBytes - 1, 0);
            FillPageFromSettings(page, kStep, Wizard().settings);
            EnableGroup(page, IDC_DEL_IMAGE_REPLACE, IDC_DEL_IMAGE_URL, IDC_DEL_IMAGE_BROWSE);
            EnableGroup(page, IDC_DEL_BACKGROUND_REPLACE, IDC_DEL_BACKGROUND_URL, IDC_DEL_BACKGROUND_BROWSE);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_DEL_IMAGE_EMPTY:
                case IDC_DEL_IMAGE_REPLACE:
                    EnableGroup(page, IDC_DEL_IMAGE_REPLACE, IDC_DEL_IMAGE_URL, IDC_DEL_IMAGE_BROWSE);
                    return TRUE;
                case IDC_DEL_BACKGROUND_EMPTY:
                case IDC_DEL_BACKGROUND_REPLACE:
                    EnableGroup(page, IDC_DEL_BACKGROUND_REPLACE, IDC_DEL_BACKGROUND_URL, IDC_DEL_BACKGROUND_BROWSE);
                    return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}

}  // namespace corvane
