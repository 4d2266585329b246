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
#include "wizard/pages/page.h"

namespace corvane {
namespace {

class ApplyPage : public OperationPage {
public:
    ApplyPage() : OperationPage({IDC_APPLY_LOG, IDC_APPLY_PROGRESS, 0, IDC_APPLY_STATUS}) {}

protected:
    void OnShown() override;
    void Start() override;
};

void ApplyPage::OnShown() {
    WizardState& w = Wizard();
    BeginAction();
    host_->ClearLog();
    EnableFrameButton(IDC_FRAME_NEXT, false);
    EnableFrameButton(IDC_FRAME_PREVIOUS, false);
    host_->SetOverallProgress(0, w.files.size());
    host_->Flush();
    ShowApplyStatus(*host_, kApplyStatusRunning, 0, 0);
    PostStart();
}

// Ends the action that showing the page began.
void ApplyPage::Start() {
    WizardState& w = Wizard();
    std::int32_t n = 0;
    std::int32_t passedOver = 0;
    RunLocked(EditGroup::Restore, [&] {
        const ReviewOptions review = ReadReviewOptions();
        const DeletionOptions deletion = ReadDeletionOptions();
        const SearchOptions search = ReadSearchOptions();
        const ProcessingOptions processing = ReadProcessingOptions();
        const ApplyContext context{
            {w.links, w.files, review, deletion, search, processing, w.search.rootPath, SystemCodePage()},
            *w.fs,
            *host_,
            &w.search.stamps,
            &passedOver};
        n = ApplyAllChanges(context);
        host_->Flush();
        // A write that failed after its new file existed: every file the walk reached still holds its
        // old text or its backup does; nothing more may be risked.
        if (n == kApplyDiskWriteError) EmergencyQuit(kDiskWritingErrorText);
    });
    ShowApplyStatus(*host_, n < 0 ? kApplyStatusStopped : kApplyStatusDone, n, w.search.processableFileCount,
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

std::unique_ptr<WizardPage> MakeApplyPage() { return std::make_unique<ApplyPage>(); }

}  // namespace corvane
