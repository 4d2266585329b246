// Step 6: the list of queued changes, grouped by URL, and the editor of one row's replacement.
#include <windows.h>

#include <vector>

#include "apply/review_model.h"
#include "shell/program_values.h"
#include "shell/user_dialogs.h"
#include "corvane_ids.h"
#include "engine/url_text.h"
#include "wizard/options_from_pages.h"
#include "wizard/page_host.h"
#include "shell/text_width.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

const char* const kSortMethods[] = {"Unsorted", "By URL", "By action"};
struct ReviewPage {
    HWND page = nullptr;
    bool updating = false;  // reviewUpdating: selection notices are ignored while the list is rebuilt
    int extent = 0;         // reviewListExtent
    std::string browseFolder;
};
ReviewPage g_review;

HWND Item(int id) { return GetDlgItem(g_review.page, id); }
HWND List() { return Item(IDC_REVIEW_LIST); }

class ReviewHost : public PageHost {
public:
    ReviewHost() : PageHost(g_review.page, PageHostControls{0, 0, 0, IDC_REVIEW_STATUS}) {}
};

void WidenReviewList(const std::string& text) {
    HWND list = List();
    if (text.empty()) {
        g_review.extent = 0;
        SendMessageA(list, LB_SETHORIZONTALEXTENT, 0, 0);
        return;
    }
    SIZE size = {TextWidth(g_review.page, text), 0};
    if (size.cx > g_review.extent) {
        g_review.extent = size.cx;
        SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(size.cx + GetSystemMetrics(SM_CXVSCROLL)), 0);
    }
}

std::string RowText(int index) {
    LRESULT length = SendMessageA(List(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return std::string();
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(List(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

std::int32_t SelectedItem(int* index) {
    LRESULT selected = SendMessageA(List(), LB_GETCURSEL, 0, 0);
    if (index != nullptr) *index = static_cast<int>(selected);
    if (selected == LB_ERR) return -1;
    return static_cast<std::int32_t>(SendMessageA(List(), LB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
}

bool Canonicalize() { return IsChecked(3, IDC_PROC_CANONICALIZE); }

void SelectionUpdate() {
    int index = -1;
    std::int32_t item = SelectedItem(&index);
    ReviewSelection s = UpdateReviewSelection(Wizard().links, item, index >= 0 ? RowText(index) : std::string());
    for (int id : {IDC_REVIEW_REPLACEMENT, IDC_REVIEW_APPLY}) EnableWindow(Item(id), s.editEnabled);
    for (int id : {IDC_REVIEW_BROWSE, IDC_REVIEW_COPY_OLD, IDC_REVIEW_MAKE_RELATIVE, IDC_REVIEW_DELETE})
        EnableWindow(Item(id), s.actionsEnabled);
    if (s.loadEdit) {
        SetWindowTextA(Item(IDC_REVIEW_REPLACEMENT), s.editText.c_str());
        CheckDlgButton(g_review.page, IDC_REVIEW_MAKE_RELATIVE, s.makeRelative ? BST_CHECKED : BST_UNCHECKED);
    }
}

void Refresh() {
    WizardState& w = Wizard();
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    HWND list = List();
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    WidenReviewList("");
    ReviewHost host;
    ReviewList rows = RefreshReviewList(w.links, w.files, ReadReviewOptions(), host);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (const ReviewRow& row : rows.rows) {
        LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.text.c_str()));
        if (at >= 0) SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(row.item));
        WidenReviewList(row.text);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    for (int id : {IDC_REVIEW_BROWSE, IDC_REVIEW_COPY_OLD, IDC_REVIEW_REPLACEMENT, IDC_REVIEW_APPLY, IDC_REVIEW_MAKE_RELATIVE})
        EnableWindow(Item(id), rows.editingEnabled);
    SetCursor(old != nullptr ? old : LoadCursorA(nullptr, IDC_ARROW));
    Dialogs().FlashIfInBackground(w.frame);
}

void Sort() {
    int method = static_cast<int>(SendMessageA(Item(IDC_REVIEW_SORT), CB_GETCURSEL, 0, 0));
    if (method <= 0) return;
    SendMessageA(List(), LB_RESETCONTENT, 0, 0);
    WidenReviewList("");
    ReviewHost host;
    SortLinkTable(Wizard().links, method, host);
}

// Rebuilds the list (sorting first when asked) with the frame locked and selection notices ignored.
void Rebuild(bool sort) {
    g_review.updating = true;
    FrameLock(false, true);
    if (sort) Sort();
    Refresh();
    SelectionUpdate();
    FrameLock(true, true);
    g_review.updating = false;
}

void ApplyEdit() {
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    int index = -1;
    std::int32_t item = SelectedItem(&index);
    HWND list = List();
    LRESULT top = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
    std::string text = ControlText(Item(IDC_REVIEW_REPLACEMENT)).substr(0, kMaxReplacementEdit);
    bool relative = IsDlgButtonChecked(g_review.page, IDC_REVIEW_MAKE_RELATIVE) == BST_CHECKED;
    ReplacementEditResult r = ApplyReplacementEdit(Wizard().links, item, text, relative, Canonicalize());
    CheckDlgButton(g_review.page, IDC_REVIEW_MAKE_RELATIVE, r.makeRelative ? BST_CHECKED : BST_UNCHECKED);
    if (r.applied && index >= 0) {
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
        SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(r.rowText.c_str()));
        SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(item));
        SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SetWindowTextA(Item(IDC_REVIEW_REPLACEMENT), r.editText.c_str());
        WidenReviewList("");
        LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) WidenReviewList(RowText(static_cast<int>(i)));
    }
    SetCursor(old != nullptr ? old : LoadCursorA(nullptr, IDC_ARROW));
}

void Browse() {
    WizardState& w = Wizard();
    if (g_review.browseFolder.empty()) g_review.browseFolder = w.settings.lastRootFolder;
    OpenFilesRequest request;
    request.owner = g_review.page;
    request.title = "Replace";
    request.initialFolder = g_review.browseFolder;
    request.filter = ProcessableFilesFilter();
    request.flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER;
    request.bufferChars = kPathBuffer;
    std::vector<std::string> chosen;
    if (!Dialogs().OpenFiles(request, &chosen) || chosen.size() != 1) return;
    SetWindowTextA(Item(IDC_REVIEW_REPLACEMENT), chosen[0].c_str());
    CheckDlgButton(g_review.page, IDC_REVIEW_MAKE_RELATIVE, BST_CHECKED);
    ApplyEdit();
    SelectionUpdate();
    std::size_t slash = chosen[0].find_last_of("\\/");
    g_review.browseFolder = slash == std::string::npos ? std::string() : chosen[0].substr(0, slash);
}

void CopyOld() {
    std::string url;
    if (CopyOldUrl(Wizard().links, SelectedItem(nullptr), &url)) SetWindowTextA(Item(IDC_REVIEW_REPLACEMENT), url.c_str());
}

void OnInit(HWND page) {
    g_review = ReviewPage();
    g_review.page = page;
    for (const char* method : kSortMethods)
        SendDlgItemMessageA(page, IDC_REVIEW_SORT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(method));
    SendDlgItemMessageA(page, IDC_REVIEW_REPLACEMENT, EM_SETLIMITTEXT, kMaxReplacementEdit, 0);
    FillPageFromSettings(page, Step::Review, Wizard().settings);
    EnableWindow(Item(IDC_REVIEW_HIDE_DELETE), FALSE);
}

// Runs a command as the page's action; the frame may complete a close when it ends.
template <typename Command>
void AsAction(Command command) {
    BeginAction();
    command();
    EndAction();
}

bool OnCommand(WORD id, WORD code) {
    if (id == 0 && code == kStartCommand) {
        AsAction([] { Rebuild(true); });
        return true;
    }
    switch (id) {
        case IDC_REVIEW_LIST:
            if (code != LBN_SELCHANGE) return false;
            if (!g_review.updating) AsAction(SelectionUpdate);
            return true;
        case IDC_REVIEW_SORT:
            if (code != CBN_SELENDOK) return false;
            AsAction([] { Rebuild(true); });
            return true;
    }
    // Buttons and boxes act on their click only.
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_REVIEW_HIDE_DELETE:
        case IDC_REVIEW_HIDE_REPLACE:
        case IDC_REVIEW_HIDE_TARGET:
        case IDC_REVIEW_HIDE_ORPHAN:
            AsAction([] { Rebuild(false); });
            return true;
        case IDC_REVIEW_ALLOW_DELETION:
            AsAction([] {
                EnableWindow(Item(IDC_REVIEW_HIDE_DELETE), IsDlgButtonChecked(g_review.page, IDC_REVIEW_ALLOW_DELETION) == BST_CHECKED);
                Rebuild(false);
            });
            return true;
        case IDC_REVIEW_BROWSE: AsAction(Browse); return true;
        case IDC_REVIEW_COPY_OLD: AsAction(CopyOld); return true;
        case IDC_REVIEW_DELETE:
            AsAction([] { SetWindowTextA(Item(IDC_REVIEW_REPLACEMENT), ""); });
            return true;
        case IDC_REVIEW_MAKE_RELATIVE: AsAction(ApplyEdit); return true;
        case IDC_REVIEW_APPLY:
            AsAction([] {
                ApplyEdit();
                SelectionUpdate();
            });
            return true;
    }
    return false;
}

}  // namespace

INT_PTR CALLBACK ReviewPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(page);
            return TRUE;
        case WM_SHOWWINDOW:
            if (wParam) {
                BeginAction();
                PostMessageA(page, WM_COMMAND, MAKEWPARAM(0, kStartCommand), 0);
            }
            return TRUE;
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    }
    return FALSE;
}

}  // namespace corvane
