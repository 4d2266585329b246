// Step 5: runs the search when shown, with its log, progress bars and status on the page.
#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "shell/user_dialogs.h"
#include "corvane_ids.h"
#include "engine/engine_context.h"
#include "engine/internet_check.h"
#include "engine/search_driver.h"
#include "platform/url_prober.h"
#include "wizard/options_from_pages.h"
#include "wizard/page_host.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

struct SearchPage {
    HWND page = nullptr;
    std::unique_ptr<PageHost> host;
    std::unique_ptr<UrlProber> prober;
    std::unique_ptr<InternetCheck> internet;
};
SearchPage g_search;

void OnInit(HWND page) {
    g_search.page = page;
    g_search.host = std::make_unique<PageHost>(
        page, PageHostControls{IDC_SEARCH_LOG, IDC_SEARCH_OVERALL, IDC_SEARCH_FILE_PROGRESS, IDC_SEARCH_STATUS});
    if (!g_search.prober) g_search.prober = CreateSystemUrlProber();
    g_search.internet = std::make_unique<InternetCheck>(*g_search.host, *g_search.prober);
    Wizard().internet = g_search.internet.get();
}

void OnShown() {
    WizardState& w = Wizard();
    BeginAction();
    w.links.ClearLinkTable();
    g_search.host->ClearLog();
    // A fresh handle for every visit; the one of an earlier visit is released first.
    if (w.skipInternetCheck == 0) g_search.internet->OpenSession();
    EnableFrameButton(IDC_FRAME_NEXT, false);
    EnableFrameButton(IDC_FRAME_PREVIOUS, false);
    g_search.host->SetStatusText("Press ESC to stop");
    g_search.host->SetOverallProgress(0, 2);
    g_search.host->SetFileProgress(0, 2);
    g_search.host->Flush();
    if (w.files.size() > kMaxSearchFiles) {
        Dialogs().MessageBox(w.frame, kTooManyFilesMessage, kProgramName, MB_OK | MB_ICONERROR);
        EnableFrameButton(IDC_FRAME_PREVIOUS, true);
        EndAction();
        return;
    }
    PostMessageA(g_search.page, WM_COMMAND, MAKEWPARAM(0, kStartCommand), 0);
}

void Focus(int id) { SetFocus(FrameButton(id)); }

// Ends the action that showing the page began.
void OnStart() {
    WizardState& w = Wizard();
    int result = 0;
    RunLocked(EditGroup::Restore, [&] {
        const SearchOptions search = ReadSearchOptions();
        const ProcessingOptions processing = ReadProcessingOptions();
        EngineContext ctx{w.links, w.files, w.savedFrom, search, processing, *g_search.host, w.search.rootPath,
                          w.skipInternetCheck != 0, g_search.internet.get()};
        result = RunSearch(ctx, *w.fs, w.search);
        g_search.host->Flush();
    });
    if (result == kSearchChanges) {
        Dialogs().FlashIfInBackground(w.frame);
        EnableFrameButton(IDC_FRAME_NEXT, true);
        EnableFrameButton(IDC_FRAME_PREVIOUS, true);
        Focus(IDC_FRAME_NEXT);
    } else {
        EnableFrameButton(IDC_FRAME_NEXT, false);
        EnableFrameButton(IDC_FRAME_PREVIOUS, true);
        Focus(IDC_FRAME_PREVIOUS);
    }
    EndAction();
}

}  // namespace

INT_PTR CALLBACK SearchPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(page);
            return TRUE;
        case WM_SHOWWINDOW:
            if (wParam) OnShown();
            return TRUE;
        case WM_COMMAND:
            // Other commands (the log's focus notices) must not end the action the search holds.
            if (LOWORD(wParam) == 0 && HIWORD(wParam) == kStartCommand) OnStart();
            return TRUE;
    }
    return FALSE;
}

}  // namespace corvane
