// Step 7: how links queued for deletion are rendered when the files are written.
#include <windows.h>

#include <vector>

#include "apply/review_model.h"
#include "shell/program_values.h"
#include "shell/user_dialogs.h"
#include "corvane_ids.h"
#include "engine/url_text.h"
#include "platform/utf8.h"
#include "wizard/options_from_pages.h"
#include "wizard/pages/page.h"

namespace corvane {
namespace {

const char kImageFilter[] = "Image Files (*.gif, *.jpg, *.jpeg, *.png, *.bmp)\0*.gif;*.jpg;*.jpeg;*.png;*.bmp\0"
                            "All Files (*.*)\0*.*\0";

struct Group {
    int replaceChoice, edit, browse;
};
const Group kImage = {IDC_DEL_IMAGE_REPLACE, IDC_DEL_IMAGE_URL, IDC_DEL_IMAGE_BROWSE};
const Group kBackground = {IDC_DEL_BACKGROUND_REPLACE, IDC_DEL_BACKGROUND_URL, IDC_DEL_BACKGROUND_BROWSE};

const TooltipTool kTools[] = {
    {IDC_DEL_TEXT_CONVERT, 700, "Forces conversion of text links marked as \"DELETE\" to usual text"},
    {IDC_DEL_TEXT_EMPTY, 701, "Forces replacement of text links marked as \"DELETE\" with the empty URL (#)"},
    {IDC_DEL_IMAGE_EMPTY, 702, "Forces replacement URL's marked as \"DELETE\" pointing to image files with emptiness"},
    {IDC_DEL_IMAGE_REPLACE, 703, "Forces replacement URL's marked as \"DELETE\" pointing to image files with the specified URL"},
    {IDC_DEL_IMAGE_URL, 704, "URL to replace URL's marked as \"DELETE\" pointing to image files with"},
    {IDC_DEL_IMAGE_BROWSE, 705, "Choose a file to be used as the replacement"},
    {IDC_DEL_IMAGE_RELATIVE, 706, "Forces conversion of the replacement URL to relative (recommended)"},
    {IDC_DEL_BACKGROUND_EMPTY, 707, "Forces replacement URL's marked as \"DELETE\" pointing to background images with emptiness"},
    {IDC_DEL_BACKGROUND_REPLACE, 708, "Forces replacement URL's marked as \"DELETE\" pointing to background images with the specified URL"},
    {IDC_DEL_BACKGROUND_URL, 709, "URL to replace URL's marked as \"DELETE\" pointing to background images with"},
    {IDC_DEL_BACKGROUND_BROWSE, 710, "Choose a file to be used as the replacement"},
    {IDC_DEL_BACKGROUND_RELATIVE, 711, "Forces conversion of the replacement URL to relative (recommended)"},
};

class DeletionPage : public WizardPage {
public:
    bool MayLeave() override {
        for (const Group* g : {&kImage, &kBackground})
            if (Chosen(*g) && ControlText(Item(g->edit)).empty()) return Refuse("The replacement URL cannot be empty!");
        return Confirm(kApplyQuestion);
    }

protected:
    void OnInit() override;
    void AddTools() override { WizardPage::AddTools(kTools); }
    bool OnCommand(WORD id, WORD code) override {
        bool handled = false;
        RunAction([&] { handled = Command(id, code); });
        return handled;
    }

private:
    bool Chosen(const Group& g) const { return Checked(g.replaceChoice); }
    void EnableGroup(const Group& g) {
        bool on = Chosen(g);
        EnableWindow(Item(g.edit), on);
        EnableWindow(Item(g.browse), on);
    }
    void NormaliseEdits();
    void Browse(const Group& g);
    bool Command(WORD id, WORD code);
};

// A typed drive path becomes a file:/// URL, canonical when step 4 asks for it; both groups at once.
void DeletionPage::NormaliseEdits() {
    for (const Group* g : {&kImage, &kBackground}) {
        if (!Chosen(*g)) continue;
        HWND edit = Item(g->edit);
        std::string text = ControlText(edit);
        text.resize(Utf8Cut(text, kMaxReplacementEdit));  // never half a character
        std::string normal = NormaliseReplacementUrl(text, ReadProcessingOptions().canonicalize);
        normal.resize(Utf8Cut(normal, kMaxReplacementEdit));
        if (normal != text) SetWindowTextA(edit, normal.c_str());
    }
}

void DeletionPage::Browse(const Group& g) {
    OpenFilesRequest request;
    request.owner = window();
    request.title = "Replace";
    request.initialFolder = Wizard().settings.lastRootFolder;
    request.filter.assign(kImageFilter, sizeof kImageFilter);
    request.flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER;
    request.bufferChars = kPathBuffer;
    std::vector<std::string> chosen;
    if (!Dialogs().OpenFiles(request, &chosen) || chosen.size() != 1) return;
    std::string url = "file:///" + chosen[0];
    ConvertSeparators(url, true);
    SetDlgItemTextA(window(), g.edit, url.c_str());
}

void DeletionPage::OnInit() {
    FillPageFromSettings(window(), Step::Deletion, Wizard().settings);
    EnableGroup(kImage);
    EnableGroup(kBackground);
}

bool DeletionPage::Command(WORD id, WORD code) {
    switch (id) {
        case IDC_DEL_IMAGE_URL:
        case IDC_DEL_BACKGROUND_URL:
            if (code != EN_KILLFOCUS) return false;
            NormaliseEdits();
            return true;
        case IDC_DEL_IMAGE_EMPTY:
        case IDC_DEL_IMAGE_REPLACE:
            EnableGroup(kImage);
            return true;
        case IDC_DEL_BACKGROUND_EMPTY:
        case IDC_DEL_BACKGROUND_REPLACE:
            EnableGroup(kBackground);
            return true;
        case IDC_DEL_IMAGE_BROWSE:
            Browse(kImage);
            return true;
        case IDC_DEL_BACKGROUND_BROWSE:
            Browse(kBackground);
            return true;
    }
    return false;
}

}  // namespace

std::unique_ptr<WizardPage> MakeDeletionPage() { return std::make_unique<DeletionPage>(); }

}  // namespace corvane
