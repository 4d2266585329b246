// Step 7: how links queued for deletion are rendered when the files are written.
#include <windows.h>

#include <vector>

#include "apply/review_model.h"
#include "shell/program_values.h"
#include "shell/user_dialogs.h"
#include "corvane_ids.h"
#include "engine/url_text.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

const char kImageFilter[] = "Image Files (*.gif, *.jpg, *.jpeg, *.png, *.bmp)\0*.gif;*.jpg;*.jpeg;*.png;*.bmp\0"
                            "All Files (*.*)\0*.*\0";

struct Group {
    int replaceChoice, edit, browse;
};
const Group kImage = {IDC_DEL_IMAGE_REPLACE, IDC_DEL_IMAGE_URL, IDC_DEL_IMAGE_BROWSE};
const Group kBackground = {IDC_DEL_BACKGROUND_REPLACE, IDC_DEL_BACKGROUND_URL, IDC_DEL_BACKGROUND_BROWSE};

bool Chosen(HWND page, const Group& g) { return IsDlgButtonChecked(page, g.replaceChoice) == BST_CHECKED; }

void EnableGroup(HWND page, const Group& g) {
    bool on = Chosen(page, g);
    EnableWindow(GetDlgItem(page, g.edit), on);
    EnableWindow(GetDlgItem(page, g.browse), on);
}

// A typed drive path becomes a file:/// URL, canonical when step 4 asks for it; both groups at once.
void NormaliseEdits(HWND page) {
    for (const Group* g : {&kImage, &kBackground}) {
        if (!Chosen(page, *g)) continue;
        HWND edit = GetDlgItem(page, g->edit);
        std::string text = ControlText(edit).substr(0, kMaxReplacementEdit);
        std::string normal = NormaliseReplacementUrl(text, IsChecked(3, IDC_PROC_CANONICALIZE));
        if (normal.size() > kMaxReplacementEdit) normal.resize(kMaxReplacementEdit);
        if (normal != text) SetWindowTextA(edit, normal.c_str());
    }
}

void Browse(HWND page, const Group& g) {
    OpenFilesRequest request;
    request.owner = page;
    request.title = "Replace";
    request.initialFolder = Wizard().settings.lastRootFolder;
    request.filter.assign(kImageFilter, sizeof kImageFilter);
    request.flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER;
    request.bufferChars = kPathBuffer;
    std::vector<std::string> chosen;
    if (!Dialogs().OpenFiles(request, &chosen) || chosen.size() != 1) return;
    std::string url = "file:///" + chosen[0];
    ConvertSeparators(url, true);
    SetDlgItemTextA(page, g.edit, url.c_str());
}

void OnInit(HWND page) {
    FillPageFromSettings(page, Step::Deletion, Wizard().settings);
    EnableGroup(page, kImage);
    EnableGroup(page, kBackground);
}

bool OnCommand(HWND page, WORD id, WORD code) {
    switch (id) {
        case IDC_DEL_IMAGE_URL:
        case IDC_DEL_BACKGROUND_URL:
            if (code != EN_KILLFOCUS) return false;
            NormaliseEdits(page);
            return true;
        case IDC_DEL_IMAGE_EMPTY:
        case IDC_DEL_IMAGE_REPLACE:
            EnableGroup(page, kImage);
            return true;
        case IDC_DEL_BACKGROUND_EMPTY:
        case IDC_DEL_BACKGROUND_REPLACE:
            EnableGroup(page, kBackground);
            return true;
        case IDC_DEL_IMAGE_BROWSE:
            Browse(page, kImage);
            return true;
        case IDC_DEL_BACKGROUND_BROWSE:
            Browse(page, kBackground);
            return true;
    }
    return false;
}

}  // namespace

INT_PTR CALLBACK DeletionPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(page);
            return TRUE;
        case WM_COMMAND: {
            BeginAction();
            bool handled = OnCommand(page, LOWORD(wParam), HIWORD(wParam));
            EndAction();
            return handled ? TRUE : FALSE;
        }
    }
    return FALSE;
}

}  // namespace corvane
