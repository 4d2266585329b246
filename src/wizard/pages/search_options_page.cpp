// Step 3: where links are looked for and how replacements are found, with the site's base URL.
#include <windows.h>

#include "corvane_ids.h"
#include "engine/url_text.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

void EnableBaseUrl(HWND page) {
    EnableWindow(GetDlgItem(page, IDC_SEARCH_OPT_BASE_URL), IsDlgButtonChecked(page, IDC_SEARCH_OPT_USE_BASE_URL) == BST_CHECKED);
}

// The base URL is kept in canonical form, so what the user sees is what the search compares.
void CanonicaliseBaseUrl(HWND page) {
    HWND edit = GetDlgItem(page, IDC_SEARCH_OPT_BASE_URL);
    std::string typed = ControlText(edit).substr(0, kOptionTextBytes - 1);
    std::string canonical;
    CanonicalizeUrl(typed, &canonical);
    if (canonical.size() >= kOptionTextBytes) canonical.resize(kOptionTextBytes - 1);
    if (canonical != typed) SetWindowTextA(edit, canonical.c_str());
}

}  // namespace

INT_PTR CALLBACK SearchOptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            FillPageFromSettings(page, Step::SearchOptions, Wizard().settings);
            return TRUE;
        case WM_SHOWWINDOW:
            if (wParam) {
                EnableFrameButton(IDC_FRAME_NEXT, true);
                EnableFrameButton(IDC_FRAME_PREVIOUS, true);
                EnableBaseUrl(page);
            }
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_SEARCH_OPT_USE_BASE_URL && HIWORD(wParam) == BN_CLICKED) {
                EnableBaseUrl(page);
                return TRUE;
            }
            if (LOWORD(wParam) == IDC_SEARCH_OPT_BASE_URL && HIWORD(wParam) == EN_KILLFOCUS) {
                CanonicaliseBaseUrl(page);
                return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}

}  // namespace corvane
