// Step 3: where links are looked for and how replacements are found, with the site's base URL.
#include <windows.h>

#include "corvane_ids.h"
#include "engine/url_text.h"
#include "platform/utf8.h"
#include "wizard/pages/page.h"

namespace corvane {
namespace {

const TooltipTool kTools[] = {
    {IDC_SEARCH_OPT_SAVED_FROM, 300, "Allows using the \"saved from url\" comments to determine original file location (recommended)"},
    {IDC_SEARCH_OPT_FILE_NAMES, 301, "Allows suggesting replacements for broken URL's using file names (recommended)"},
    {IDC_SEARCH_OPT_SCRIPT_PROTOCOLS, 302, "Enables to consider any string inside scripts beginning with a protocol name as a real URL (recommended)"},
    {IDC_SEARCH_OPT_SCRIPT_TAGS, 303, "Enables to consider any string inside scripts looking like a tag as a real tag"},
    {IDC_SEARCH_OPT_CHECK_INTERNET, 304, "Allows connecting to the Internet to check URL's pointing to the Internet"},
    {IDC_SEARCH_OPT_EVENTS, 305, "Allows seaching for URL's inside DHTML event definitions (recommended)"},
    {IDC_SEARCH_OPT_USE_BASE_URL, 306, "Allows using a base URL for searching"},
    {IDC_SEARCH_OPT_BASE_URL, 307, "The base URL of your site (for example, \"http://www.meridel.example/\")"},
    {IDC_SEARCH_OPT_CHECK_FRAGMENTS, 308, "Allows checking that the #fragment of a local link names an anchor of its page, and repairing the ones that miss"},
};

class SearchOptionsPage : public WizardPage {
public:
    bool MayLeave() override;

protected:
    void OnInit() override {
        FillPageFromSettings(window(), Step::SearchOptions, Wizard().settings);
    }
    void AddTools() override { WizardPage::AddTools(kTools); }
    void OnShown() override {
        EnableFrameButton(IDC_FRAME_NEXT, true);
        EnableFrameButton(IDC_FRAME_PREVIOUS, true);
        EnableBaseUrl();
    }
    bool OnCommand(WORD id, WORD code) override {
        if (id == IDC_SEARCH_OPT_USE_BASE_URL && code == BN_CLICKED) {
            EnableBaseUrl();
            return true;
        }
        if (id == IDC_SEARCH_OPT_BASE_URL && code == EN_KILLFOCUS) {
            CanonicaliseBaseUrl();
            return true;
        }
        return false;
    }

private:
    void EnableBaseUrl() { EnableWindow(Item(IDC_SEARCH_OPT_BASE_URL), Checked(IDC_SEARCH_OPT_USE_BASE_URL)); }
    void CanonicaliseBaseUrl();
};

// The base URL is kept in canonical form, so what the user sees is what the search compares.
void SearchOptionsPage::CanonicaliseBaseUrl() {
    HWND edit = Item(IDC_SEARCH_OPT_BASE_URL);
    std::string typed = ControlText(edit);
    typed.resize(Utf8Cut(typed, kOptionTextBytes - 1));  // never half a character
    std::string canonical;
    CanonicalizeUrl(typed, &canonical);
    canonical.resize(Utf8Cut(canonical, kOptionTextBytes - 1));
    if (canonical != typed) SetWindowTextA(edit, canonical.c_str());
}

bool SearchOptionsPage::MayLeave() {
    if (!Checked(IDC_SEARCH_OPT_USE_BASE_URL)) return true;
    std::string base = ControlText(Item(IDC_SEARCH_OPT_BASE_URL));
    const char* refusal = base.empty()                              ? "You have not entered the base URL!"
                          : base.find("://") == std::string::npos ? "The base URL does not contain a protocol name!"
                                                                    : nullptr;
    return refusal == nullptr || Refuse(refusal);
}

}  // namespace

std::unique_ptr<WizardPage> MakeSearchOptionsPage() { return std::make_unique<SearchOptionsPage>(); }

}  // namespace corvane
