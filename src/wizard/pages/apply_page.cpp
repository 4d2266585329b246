// Step 8: writes the queued changes into the site's files when shown, with its log, bar and status.
#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "apply/apply_driver.h"
#include "shell/program_values.h"
#include "shell/user_dialogs.h"
#include "corvane_ids.h"
#include "platform/ansi_code_page.h"
#include "wizard/options_from_pages.h"
#include "wizard/page_host.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

HWND g_page = nullptr;
std::unique_ptr<PageHost> g_host;

void OnShown() {
    WizardState& w = Wizard();
    BeginAction();
    g_host->ClearLog();
    EnableFrameButton(IDC_FRAME_NEXT, false);
    EnableFrameButton(IDC_FRAME_PREVIOUS, false);
    g_host->SetOverallProgress(0, w.files.size());
    g_host->Flush();
    ShowApplyStatus(*g_host, kApplyStatusRunning, 0, 0);
    PostMessageA(g_page, WM_COMMAND, MAKEWPARAM(0, kStartCommand), 0);
}

void OnStart() {
    WizardState& w = Wizard();
    BeginAction();
    FrameLock(false, false);
    const ReviewOptions review = ReadReviewOptions();
    const DeletionOptions deletion = ReadDeletionOptions();
    const SearchOptions search = ReadSearchOptions();
    const ProcessingOptions processing = ReadProcessingOptions();
    std::int32_t passedOver = 0;
    const ApplyContext context{{w.links, w.files, review, deletion, search, processing, w.search.rootPath, SystemCodePage()},
                               *w.fs,
                               *g_host,
                               &w.search.stamps,
                               &passedOver};
    std::int32_t n = ApplyAllChanges(context);
    g_host->Flush();
    // A write that failed after its new file existed: every file the walk reached still holds its
    // old text or its backup does; nothing more may be risked.
    if (n == kApplyDiskWriteError) EmergencyQuit(kDiskWritingErrorText);
    FrameLock(true, false);
    ShowApplyStatus(*g_host, n < 0 ? kApplyStatusStopped : kApplyStatusDone, n, w.search.processableFileCount,
                    passedOver);
    HWND next = FrameButton(IDC_FRAME_NEXT);
    EnableWindow(next, TRUE);
    SetWindowTextA(next, w.links.secondPassCount() != 0 ? "&Next pass" : "&Start over");
    SetFocus(next);
    EnableFrameButton(IDC_FRAME_PREVIOUS, false);
    Dialogs().FlashIfInBackground(w.frame);
    EndAction();
}

}  // namespace

INT_PTR CALLBACK ApplyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            g_page = page;
            g_host = std::make_unique<PageHost>(page, PageHostControls{IDC_APPLY_LOG, IDC_APPLY_PROGRESS, 0, IDC_APPLY_STATUS});
            return TRUE;
        case WM_SHOWWINDOW:
            if (wParam) OnShown();
            return TRUE;
        case WM_COMMAND:
            // Only the start command runs anything; the log's notices must not end the running action.
            if (LOWORD(wParam) == 0 && HIWORD(wParam) == kStartCommand) OnStart();
            return TRUE;
    }
    return FALSE;
}

}  // namespace corvane
