// Step 6: the list of queued changes, grouped by URL, and the editor of one row's replacement.
#include <windows.h>

#include <vector>

#include "apply/review_model.h"
#include "shell/program_values.h"
#include "shell/user_dialogs.h"
#include "corvane_ids.h"
#include "engine/url_text.h"
#include "platform/utf8.h"
#include "wizard/options_from_pages.h"
#include "shell/text_width.h"
#include "wizard/page_host.h"
#include "wizard/pages/page.h"

namespace corvane {
namespace {

const char* const kSortMethods[] = {"Unsorted", "By URL", "By action"};

const TooltipTool kTools[] = {
    {IDC_REVIEW_SORT, 600, "URL list sorting method"},
    {IDC_REVIEW_HIDE_REPLACE, 601, "Hides URL's marked as \"REPLACE\""},
    {IDC_REVIEW_HIDE_TARGET, 602, "Hides URL's marked as \"TARGET\""},
    {IDC_REVIEW_HIDE_DELETE, 603, "Hides URL's marked as \"DELETE\""},
    {IDC_REVIEW_HIDE_ORPHAN, 604, "Hides the list of orphan files"},
    {IDC_REVIEW_REPLACEMENT, 605, "URL to change the selected URL to"},
    {IDC_REVIEW_APPLY, 606, "Applies changes to the selected URL"},
    {IDC_REVIEW_BROWSE, 607, "Choose a file to be used as the replacement"},
    {IDC_REVIEW_COPY_OLD, 608, "Sets replacement to original URL thus leaving it broken"},
    {IDC_REVIEW_DELETE, 609, "Clears the URL replacement thus forcing its deletion"},
    {IDC_REVIEW_MAKE_RELATIVE, 610, "Forces conversion of the selected URL to relative (recommended)"},
    {IDC_REVIEW_ALLOW_DELETION, 611, "Allows deletion of broken URL's"},
    {IDC_REVIEW_BACKUPS, 612, "Forces making of backup files that can be restored or deleted with the Restavo utility (recommended)"},
};

class ReviewPage : public WizardPage {
public:
    bool MayLeave() override { return Checked(IDC_REVIEW_ALLOW_DELETION) || Confirm(kApplyQuestion); }

protected:
    void OnInit() override;
    void AddTools() override { WizardPage::AddTools(kTools); }
    void OnShown() override {
        BeginAction();
        PostMessageA(window(), WM_COMMAND, MAKEWPARAM(0, kStartCommand), 0);
    }
    bool OnCommand(WORD id, WORD code) override;

private:
    HWND List() const { return Item(IDC_REVIEW_LIST); }
    std::string RowText(int index) const;
    std::int32_t SelectedItem(int* index) const;
    void SelectionUpdate();
    void Refresh();
    void Sort();
    void Rebuild(bool sort);
    void ApplyEdit();
    void Browse();
    void CopyOld();

    bool updating_ = false;  // reviewUpdating: selection notices are ignored while the list is rebuilt
    ListWidth width_{nullptr, IDC_REVIEW_LIST};  // reviewListExtent
    std::string browseFolder_;
};

std::string ReviewPage::RowText(int index) const {
    LRESULT length = SendMessageA(List(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return std::string();
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(List(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

std::int32_t ReviewPage::SelectedItem(int* index) const {
    LRESULT selected = SendMessageA(List(), LB_GETCURSEL, 0, 0);
    if (index != nullptr) *index = static_cast<int>(selected);
    if (selected == LB_ERR) return -1;
    return static_cast<std::int32_t>(SendMessageA(List(), LB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
}

bool Canonicalize() { return ReadProcessingOptions().canonicalize; }

void ReviewPage::SelectionUpdate() {
    int index = -1;
    std::int32_t item = SelectedItem(&index);
    ReviewSelection s = UpdateReviewSelection(Wizard().links, item, index >= 0 ? RowText(index) : std::string());
    for (int id : {IDC_REVIEW_REPLACEMENT, IDC_REVIEW_APPLY}) EnableWindow(Item(id), s.editEnabled);
    for (int id : {IDC_REVIEW_BROWSE, IDC_REVIEW_COPY_OLD, IDC_REVIEW_MAKE_RELATIVE, IDC_REVIEW_DELETE})
        EnableWindow(Item(id), s.actionsEnabled);
    if (s.loadEdit) {
        SetWindowTextA(Item(IDC_REVIEW_REPLACEMENT), s.editText.c_str());
        CheckDlgButton(window(), IDC_REVIEW_MAKE_RELATIVE, s.makeRelative ? BST_CHECKED : BST_UNCHECKED);
    }
}

void ReviewPage::Refresh() {
    WizardState& w = Wizard();
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    HWND list = List();
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    width_.Reset();
    PageHost host(window(), PageHostControls{0, 0, 0, IDC_REVIEW_STATUS});
    ReviewList rows = RefreshReviewList(w.links, w.files, ReadReviewOptions(), host);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (const ReviewRow& row : rows.rows) {
        LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.text.c_str()));
        if (at >= 0) SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(row.item));
        width_.Widen(row.text);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    for (int id : {IDC_REVIEW_BROWSE, IDC_REVIEW_COPY_OLD, IDC_REVIEW_REPLACEMENT, IDC_REVIEW_APPLY, IDC_REVIEW_MAKE_RELATIVE})
        EnableWindow(Item(id), rows.editingEnabled);
    SetCursor(old != nullptr ? old : LoadCursorA(nullptr, IDC_ARROW));
    Dialogs().FlashIfInBackground(w.frame);
}

void ReviewPage::Sort() {
    int method = static_cast<int>(SendMessageA(Item(IDC_REVIEW_SORT), CB_GETCURSEL, 0, 0));
    if (method <= 0) return;
    SendMessageA(List(), LB_RESETCONTENT, 0, 0);
    width_.Reset();
    PageHost host(window(), PageHostControls{0, 0, 0, IDC_REVIEW_STATUS});
    SortLinkTable(Wizard().links, method, host);
}

// Rebuilds the list (sorting first when asked) with the frame locked and selection notices ignored.
void ReviewPage::Rebuild(bool sort) {
    updating_ = true;
    RunLocked(EditGroup::Keep, [this, sort] {
        if (sort) Sort();
        Refresh();
        SelectionUpdate();
    });
    updating_ = false;
}

void ReviewPage::ApplyEdit() {
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    int index = -1;
    std::int32_t item = SelectedItem(&index);
    HWND list = List();
    LRESULT top = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
    std::string text = ControlText(Item(IDC_REVIEW_REPLACEMENT));
    text.resize(Utf8Cut(text, kMaxReplacementEdit));  // never half a character
    bool relative = Checked(IDC_REVIEW_MAKE_RELATIVE);
    ReplacementEditResult r = ApplyReplacementEdit(Wizard().links, item, text, relative, Canonicalize());
    CheckDlgButton(window(), IDC_REVIEW_MAKE_RELATIVE, r.makeRelative ? BST_CHECKED : BST_UNCHECKED);
    if (r.applied && index >= 0) {
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
        SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(r.rowText.c_str()));
        SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(item));
        SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SetWindowTextA(Item(IDC_REVIEW_REPLACEMENT), r.editText.c_str());
        width_.Reset();
        LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) width_.Widen(RowText(static_cast<int>(i)));
    }
    SetCursor(old != nullptr ? old : LoadCursorA(nullptr, IDC_ARROW));
}

void ReviewPage::Browse() {
    WizardState& w = Wizard();
    if (browseFolder_.empty()) browseFolder_ = w.settings.lastRootFolder;
    OpenFilesRequest request;
    request.owner = window();
    request.title = "Replace";
    request.initialFolder = browseFolder_;
    request.filter = ProcessableFilesFilter();
    request.flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER;
    request.bufferChars = kPathBuffer;
    std::vector<std::string> chosen;
    if (!Dialogs().OpenFiles(request, &chosen) || chosen.size() != 1) return;
    SetWindowTextA(Item(IDC_REVIEW_REPLACEMENT), chosen[0].c_str());
    CheckDlgButton(window(), IDC_REVIEW_MAKE_RELATIVE, BST_CHECKED);
    ApplyEdit();
    SelectionUpdate();
    std::size_t slash = chosen[0].find_last_of("\\/");
    browseFolder_ = slash == std::string::npos ? std::string() : chosen[0].substr(0, slash);
}

void ReviewPage::CopyOld() {
    std::string url;
    if (CopyOldUrl(Wizard().links, SelectedItem(nullptr), &url)) SetWindowTextA(Item(IDC_REVIEW_REPLACEMENT), url.c_str());
}

void ReviewPage::OnInit() {
    HWND page = window();
    width_ = ListWidth(page, IDC_REVIEW_LIST);
    for (const char* method : kSortMethods)
        SendDlgItemMessageA(page, IDC_REVIEW_SORT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(method));
    SendDlgItemMessageA(page, IDC_REVIEW_REPLACEMENT, EM_SETLIMITTEXT, kMaxReplacementEdit, 0);
    FillPageFromSettings(page, Step::Review, Wizard().settings);
    EnableWindow(Item(IDC_REVIEW_HIDE_DELETE), FALSE);
}

bool ReviewPage::OnCommand(WORD id, WORD code) {
    if (id == 0 && code == kStartCommand) {
        Rebuild(true);
        EndAction();  // the one that showing the page began
        return true;
    }
    switch (id) {
        case IDC_REVIEW_LIST:
            if (code != LBN_SELCHANGE) return false;
            if (!updating_) RunAction([this] { SelectionUpdate(); });
            return true;
        case IDC_REVIEW_SORT:
            if (code != CBN_SELENDOK) return false;
            RunAction([this] { Rebuild(true); });
            return true;
    }
    // Buttons and boxes act on their click only.
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_REVIEW_HIDE_DELETE:
        case IDC_REVIEW_HIDE_REPLACE:
        case IDC_REVIEW_HIDE_TARGET:
        case IDC_REVIEW_HIDE_ORPHAN:
            RunAction([this] { Rebuild(false); });
            return true;
        case IDC_REVIEW_ALLOW_DELETION:
            RunAction([this] {
                EnableWindow(Item(IDC_REVIEW_HIDE_DELETE), Checked(IDC_REVIEW_ALLOW_DELETION));
                Rebuild(false);
            });
            return true;
        case IDC_REVIEW_BROWSE: RunAction([this] { Browse(); }); return true;
        case IDC_REVIEW_COPY_OLD: RunAction([this] { CopyOld(); }); return true;
        case IDC_REVIEW_DELETE:
            RunAction([this] { SetWindowTextA(Item(IDC_REVIEW_REPLACEMENT), ""); });
            return true;
        case IDC_REVIEW_MAKE_RELATIVE: RunAction([this] { ApplyEdit(); }); return true;
        case IDC_REVIEW_APPLY:
            RunAction([this] {
                ApplyEdit();
                SelectionUpdate();
            });
            return true;
    }
    return false;
}

}  // namespace

std::unique_ptr<WizardPage> MakeReviewPage() { return std::make_unique<ReviewPage>(); }

}  // namespace corvane
