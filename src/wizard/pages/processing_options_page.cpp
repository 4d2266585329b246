// Step 4: how every URL is rewritten, and the link target adder; showing it starts a new search generation.
#include <windows.h>

#include "corvane_ids.h"
#include "wizard/options_from_pages.h"
#include "wizard/pages/page.h"

namespace corvane {
namespace {

const char* const kModes[] = {"All external links", "Links to image files", "Custom URL mask"};
const char* const kTargets[] = {"_blank", "_parent", "_self", "_top"};

// The connected-state flag that says the system is set to work off line.
constexpr DWORD kInternetConnectionOffline = 0x20;

const TooltipTool kTools[] = {
    {IDC_PROC_RELATIVE, 400, "Forces conversion of all absolute URL's into their relative analogs"},
    {IDC_PROC_ABSOLUTE, 401, "Forces conversion of all relative URL's into their absolute analogs"},
    {IDC_PROC_USE_BASE_URL, 402, "Allows using the base URL set at the step 3 as the root path"},
    {IDC_PROC_DELETE_SCRIPTS, 403, "Forces deletion of any commands executing scripts located inside links (useful only for ridding of Internet links in downloaded web-pages)"},
    {IDC_PROC_ADD_PROTOCOLS, 404, "Allows adding protocol names to URL's that seemingly should contain them (recommended)"},
    {IDC_PROC_ADD_SLASHES, 405, "Allows adding \"\\\\\" after protocol names to URL's that seemingly should contain them (recommended)"},
    {IDC_PROC_CANONICALIZE, 406, "Forces conversion of unsafe characters in all URL's to their coded equivalents (recommended)"},
    {IDC_PROC_TARGET_ENABLE, 407, "Turns the Link Target Adder on"},
    {IDC_PROC_DELETE_UNKNOWN, 408, "Forces deletion of URL's containing unknown protocols (useful only for ridding of Internet links in downloaded web-pages)"},
    {IDC_PROC_TARGET_MODE, 409, "Defines the kind of links which targets should be modified"},
    {IDC_PROC_URL_MASK, 410, "The mask using to determine links which targets should be modified"},
    {IDC_PROC_TARGET, 411, "Target string (can be custom)"},
    {IDC_PROC_MODIFY_TARGETS, 412, "Allows modification of existing targets"},
};

class ProcessingOptionsPage : public WizardPage {
public:
    bool MayLeave() override;

protected:
    void OnInit() override;
    void AddTools() override { WizardPage::AddTools(kTools); }
    void OnShown() override;
    bool OnCommand(WORD id, WORD code) override;

private:
    void EnableUseBaseUrl() {
        EnableWindow(Item(IDC_PROC_USE_BASE_URL),
                     Checked(IDC_PROC_ABSOLUTE) && ReadSearchOptions().searchBaseUrl);
    }
    bool CustomMask() const {
        return SendDlgItemMessageA(window(), IDC_PROC_TARGET_MODE, CB_GETCURSEL, 0, 0) == kTargetCustomMask;
    }
    void EnableTargetAdder() {
        bool on = Checked(IDC_PROC_TARGET_ENABLE);
        for (int id : {IDC_PROC_TARGET_MODE, IDC_PROC_TARGET, IDC_PROC_MODIFY_TARGETS}) EnableWindow(Item(id), on);
        EnableWindow(Item(IDC_PROC_URL_MASK), on && CustomMask());
    }
};

void ProcessingOptionsPage::OnInit() {
    HWND page = window();
    for (const char* mode : kModes) SendDlgItemMessageA(page, IDC_PROC_TARGET_MODE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(mode));
    for (const char* target : kTargets) SendDlgItemMessageA(page, IDC_PROC_TARGET, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(target));
    FillPageFromSettings(page, Step::ProcessingOptions, Wizard().settings);
    EnableTargetAdder();
}

void ProcessingOptionsPage::OnShown() {
    WizardState& w = Wizard();
    EnableFrameButton(IDC_FRAME_NEXT, true);
    EnableFrameButton(IDC_FRAME_PREVIOUS, true);
    EnableUseBaseUrl();
    w.skipInternetCheck = ReadSearchOptions().checkInternetUrls ? 0 : 1;
    if (w.internet != nullptr) w.internet->Reset();
    w.savedFrom.Clear();
    w.search.Reset();
    w.secondPass = false;
    EnableWindow(PageControl(Step::Review, IDC_REVIEW_BACKUPS), TRUE);
}

bool ProcessingOptionsPage::OnCommand(WORD id, WORD code) {
    switch (id) {
        case IDC_PROC_RELATIVE:
        case IDC_PROC_ABSOLUTE:
            if (code != BN_CLICKED) return false;
            EnableUseBaseUrl();
            return true;
        case IDC_PROC_TARGET_ENABLE:
            if (code != BN_CLICKED) return false;
            EnableTargetAdder();
            return true;
        case IDC_PROC_TARGET_MODE:
        case IDC_PROC_TARGET:
            if (code != CBN_SELENDOK) return false;
            EnableWindow(Item(IDC_PROC_URL_MASK), CustomMask());
            return true;
    }
    return false;
}

// Leaving asks the system to go on line when Internet links are to be checked and it is set to
// work off line; refused, the check is skipped.
bool ProcessingOptionsPage::MayLeave() {
    WizardState& w = Wizard();
    if (Checked(IDC_PROC_TARGET_ENABLE) && ControlText(Item(IDC_PROC_TARGET)).empty())
        return Refuse("The \"Target\" field cannot be empty!");
    if (ReadSearchOptions().checkInternetUrls && w.internetGetConnectedState != nullptr &&
        w.internetGoOnline != nullptr) {
        DWORD flags = 0;
        w.internetGetConnectedState(&flags, 0);
        char blank[] = "blank:";
        if ((flags & kInternetConnectionOffline) != 0 && !w.internetGoOnline(blank, w.frame, 0)) w.skipInternetCheck = 1;
    }
    return true;
}

}  // namespace

std::unique_ptr<WizardPage> MakeProcessingOptionsPage() { return std::make_unique<ProcessingOptionsPage>(); }

}  // namespace corvane
