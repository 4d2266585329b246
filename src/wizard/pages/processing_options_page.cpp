// Step 4: how every URL is rewritten, and the link target adder; showing it starts a new search generation.
#include <windows.h>

#include "corvane_ids.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

const char* const kModes[] = {"All external links", "Links to image files", "Custom URL mask"};
const char* const kTargets[] = {"_blank", "_parent", "_self", "_top"};

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void EnableUseBaseUrl(HWND page) {
    EnableWindow(GetDlgItem(page, IDC_PROC_USE_BASE_URL),
                 Checked(page, IDC_PROC_ABSOLUTE) && IsChecked(2, IDC_SEARCH_OPT_USE_BASE_URL));
}

bool CustomMask(HWND page) { return SendDlgItemMessageA(page, IDC_PROC_TARGET_MODE, CB_GETCURSEL, 0, 0) == 2; }

void EnableTargetAdder(HWND page) {
    bool on = Checked(page, IDC_PROC_TARGET_ENABLE);
    for (int id : {IDC_PROC_TARGET_MODE, IDC_PROC_TARGET, IDC_PROC_MODIFY_TARGETS}) EnableWindow(GetDlgItem(page, id), on);
    EnableWindow(GetDlgItem(page, IDC_PROC_URL_MASK), on && CustomMask(page));
}

void OnInit(HWND page) {
    for (const char* mode : kModes) SendDlgItemMessageA(page, IDC_PROC_TARGET_MODE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(mode));
    for (const char* target : kTargets) SendDlgItemMessageA(page, IDC_PROC_TARGET, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(target));
    FillPageFromSettings(page, Step::ProcessingOptions, Wizard().settings);
    EnableTargetAdder(page);
}

void OnShown(HWND page) {
    WizardState& w = Wizard();
    EnableFrameButton(IDC_FRAME_NEXT, true);
    EnableFrameButton(IDC_FRAME_PREVIOUS, true);
    EnableUseBaseUrl(page);
    w.skipInternetCheck = IsChecked(2, IDC_SEARCH_OPT_CHECK_INTERNET) ? 0 : 1;
    if (w.internet != nullptr) w.internet->Reset();
    w.savedFrom.Clear();
    w.search.Reset();
    EnableWindow(PageControl(5, IDC_REVIEW_BACKUPS), TRUE);
}

}  // namespace

INT_PTR CALLBACK ProcessingOptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(page);
            return TRUE;
        case WM_SHOWWINDOW:
            if (wParam) OnShown(page);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_PROC_RELATIVE:
                case IDC_PROC_ABSOLUTE:
                    if (HIWORD(wParam) != BN_CLICKED) return FALSE;
                    EnableUseBaseUrl(page);
                    return TRUE;
                case IDC_PROC_TARGET_ENABLE:
                    if (HIWORD(wParam) != BN_CLICKED) return FALSE;
                    EnableTargetAdder(page);
                    return TRUE;
                case IDC_PROC_TARGET_MODE:
                case IDC_PROC_TARGET:
                    if (HIWORD(wParam) != CBN_SELENDOK) return FALSE;
                    EnableWindow(GetDlgItem(page, IDC_PROC_URL_MASK), CustomMask(page));
                    return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}

}  // namespace corvane
