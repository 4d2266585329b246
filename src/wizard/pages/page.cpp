// The one dialog procedure of every page: finds the page from its dialog and calls its handlers.
#include "wizard/pages/page.h"

#include "shell/user_dialogs.h"

namespace corvane {
namespace {

constexpr const char* kPageProperty = "CorvanePage";

}  // namespace

HWND WizardPage::Create(std::unique_ptr<WizardPage> page, HINSTANCE instance, int dialogId, HWND frame) {
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(dialogId), frame, Proc, reinterpret_cast<LPARAM>(page.get()));
    if (dialog == nullptr) return nullptr;  // a dialog destroyed while it was made has not taken the page
    page->ownedByDialog_ = true;
    page.release()->AddTools();
    return dialog;
}

bool WizardPage::Refuse(const char* text) {
    Dialogs().MessageBox(Wizard().frame, text, kProgramName, MB_OK | MB_ICONERROR);
    return false;
}

bool WizardPage::Confirm(const char* question) {
    return Dialogs().MessageBox(Wizard().frame, question, kProgramName, MB_YESNO | MB_ICONQUESTION) != IDNO;
}

WizardPage* WizardPage::From(HWND dialog) { return static_cast<WizardPage*>(GetPropA(dialog, kPageProperty)); }

INT_PTR CALLBACK WizardPage::Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* page = reinterpret_cast<WizardPage*>(lParam);
        SetPropA(dialog, kPageProperty, page);
        page->window_ = dialog;
        page->OnInit();
        return TRUE;
    }
    WizardPage* page = From(dialog);
    if (page == nullptr) return FALSE;
    switch (message) {
        case WM_SHOWWINDOW:
            if (wParam)
                page->OnShown();
            else
                page->OnHidden();
            return TRUE;
        case WM_COMMAND:
            return page->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_NCDESTROY:
            RemovePropA(dialog, kPageProperty);
            if (page->ownedByDialog_) delete page;
            return FALSE;
    }
    return page->OnMessage(message, wParam, lParam);
}

}  // namespace corvane
