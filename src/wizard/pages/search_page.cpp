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
#include "wizard/pages/page.h"

namespace corvane {
namespace {

// Made once for the process; a frame made again (as the tests do) uses it again.
UrlProber& SystemProber() {
    static std::unique_ptr<UrlProber> prober = CreateSystemUrlProber();
    return *prober;
}

class SearchPage : public OperationPage {
public:
    SearchPage() : OperationPage({IDC_SEARCH_LOG, IDC_SEARCH_OVERALL, IDC_SEARCH_FILE_PROGRESS, IDC_SEARCH_STATUS}) {}
    ~SearchPage() override {
        if (Wizard().internet == internet_.get()) Wizard().internet = nullptr;
    }

protected:
    void OnInit() override {
        OperationPage::OnInit();
        internet_ = std::make_unique<InternetCheck>(*host_, SystemProber());
        Wizard().internet = internet_.get();
    }
    void OnShown() override;
    void Start() override;

private:
    std::unique_ptr<InternetCheck> internet_;
};

void SearchPage::OnShown() {
    WizardState& w = Wizard();
    BeginAction();
    w.links.ClearLinkTable();
    host_->ClearLog();
    // A fresh handle for every visit; the one of an earlier visit is released first.
    if (w.skipInternetCheck == 0) internet_->OpenSession();
    EnableFrameButton(IDC_FRAME_NEXT, false);
    EnableFrameButton(IDC_FRAME_PREVIOUS, false);
    host_->SetStatusText("Press ESC to stop");
    host_->SetOverallProgress(0, 2);
    host_->SetFileProgress(0, 2);
    host_->Flush();
    if (w.files.size() > kMaxSearchFiles) {
        Dialogs().MessageBox(w.frame, kTooManyFilesMessage, kProgramName, MB_OK | MB_ICONERROR);
        EnableFrameButton(IDC_FRAME_PREVIOUS, true);
        EndAction();
        return;
    }
    PostStart();
}

// Ends the action that showing the page began.
void SearchPage::Start() {
    WizardState& w = Wizard();
    int result = 0;
    RunLocked(EditGroup::Restore, [&] {
        SearchOptions search = ReadSearchOptions();
        search.jobs = DefaultScanJobs();
        search.keepBytes = DefaultKeptBytes();
        const ProcessingOptions processing = ReadProcessingOptions();
        internet_->SetLimits(LimitsOf(search));
        EngineContext ctx{w.links, w.files, w.savedFrom, search, processing, *host_, w.search.rootPath,
                          w.skipInternetCheck != 0, internet_.get()};
        result = RunSearch(ctx, *w.fs, w.search);
        host_->Flush();
    });
    const bool changes = result == kSearchChanges;
    if (changes) Dialogs().FlashIfInBackground(w.frame);
    EnableFrameButton(IDC_FRAME_NEXT, changes);
    EnableFrameButton(IDC_FRAME_PREVIOUS, true);
    SetFocus(FrameButton(changes ? IDC_FRAME_NEXT : IDC_FRAME_PREVIOUS));
    EndAction();
}

}  // namespace

std::unique_ptr<WizardPage> MakeSearchPage() { return std::make_unique<SearchPage>(); }

}  // namespace corvane
