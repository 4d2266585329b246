// Step 2: the list box that shows the site's file list, and the commands that add and remove files.
#include <windows.h>

#include <algorithm>

#include "shell/program_values.h"
#include "shell/user_dialogs.h"
#include "corvane_ids.h"
#include "filelist/folder_scan.h"
#include "shell/text_width.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

HWND g_page = nullptr;

const char kProcessableFilter[] =
    "All Processable Files (*.htm, *.html, *.shtml, *.gif, *.jpg, *.jpeg, *.png, *.bmp, *.css, *.js)\0"
    "*.htm;*.html;*.shtml;*.gif;*.jpg;*.jpeg;*.png;*.bmp;*.css;*.js\0"
    "HTML Files (*.htm, *.html, *.shtml)\0*.htm;*.html;*.shtml\0"
    "Image Files (*.gif, *.jpg, *.jpeg, *.png, *.bmp)\0*.gif;*.jpg;*.jpeg;*.png;*.bmp\0"
    "Style Sheets (*.css)\0*.css\0"
    "JavaScript Files (*.js)\0*.js\0"
    "All Files (*.*)\0*.*\0";

// Adding files pumps the frame's messages so that ESC can stop it.
class AddingHost : public NullHost {
public:
    int PumpMessages() override { return ::corvane::PumpMessages(); }
};

HWND ListBox() { return GetDlgItem(g_page, IDC_FILES_LIST); }

void UpdateFileCounter(bool busy) {
    std::string text = busy ? "Press ESC to stop" : "Files added: " + std::to_string(Wizard().files.size());
    SetDlgItemTextA(g_page, IDC_FILES_COUNTER, text.c_str());
}

void UpdateFileListButtons() {
    bool any = Wizard().files.size() > 0;
    HWND next = FrameButton(IDC_FRAME_NEXT);
    bool hadFocus = GetFocus() == next;
    EnableWindow(next, any);
    if (hadFocus && !any) SetFocus(GetDlgItem(g_page, IDC_FILES_ADD_FILES));
    for (int id : {IDC_FILES_REMOVE, IDC_FILES_REMOVE_ALL}) {
        HWND button = GetDlgItem(g_page, id);
        bool focused = GetFocus() == button;
        EnableWindow(button, any);
        if (focused && !any) SetFocus(GetDlgItem(g_page, IDC_FILES_ADD_FILES));
    }
}

// Shows the rows the model gained at its end since the list box last matched it.
void ShowNewRows(std::int32_t shownBefore, bool scrollToEnd) {
    const FileList& files = Wizard().files;
    HWND list = ListBox();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (std::int32_t row = shownBefore; row < files.size(); ++row) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(files.path(row).c_str()));
        WidenFileList(files.path(row));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    if (scrollToEnd && files.size() > 0) SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(files.size() - 1), 0);
    InvalidateRect(list, nullptr, TRUE);
}

// Runs one adding operation with the counter, the lock and the wait cursor around it.
template <typename Add>
void RunAdding(int focusAfter, bool scrollToEnd, Add add) {
    std::int32_t before = Wizard().files.size();
    UpdateFileCounter(true);
    FrameLock(false, false);
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    add();
    ShowNewRows(before, scrollToEnd);
    SetCursor(old != nullptr ? old : LoadCursorA(nullptr, IDC_ARROW));
    FrameLock(true, false);
    SetFocus(GetDlgItem(g_page, focusAfter));
    UpdateFileListButtons();
    UpdateFileCounter(false);
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return path;
    // A drive root keeps its backslash.
    if (slash == 2 && path.size() > 1 && path[1] == ':') return path.substr(0, 3);
    return path.substr(0, slash);
}

void OnAddFiles() {
    WizardState& w = Wizard();
    OpenFilesRequest request;
    request.owner = g_page;
    request.title = "Add File(s)";
    request.initialFolder = w.settings.lastRootFolder;
    request.filter = ProcessableFilesFilter();
    request.flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    request.bufferChars = kPathBuffer;
    std::vector<std::string> selection;
    if (Dialogs().OpenFiles(request, &selection) && !selection.empty()) {
        RunAdding(IDC_FILES_ADD_FILES, true, [&] {
            AddingHost host;
            AddSelectedFiles(w.files, host, selection, w.fs);
        });
        w.settings.lastRootFolder = selection.size() == 1 ? FolderOf(selection[0]) : selection[0];
    }
    Dialogs().FlashIfInBackground(w.frame);
}

void OnAddFolders() {
    WizardState& w = Wizard();
    std::string folder = w.settings.lastRootFolder;
    int chosen = Dialogs().BrowseForFolder(Program().instance, Program().uiFont, g_page, &folder, &w.addSubfolders);
    if (chosen == -1) return;
    if (chosen != 0) {
        Dialogs().MessageBox(g_page, "Cannot resolve the specified path!\nChoose another folder!", kProgramName,
                             MB_OK | MB_ICONERROR | MB_TASKMODAL);
        return;
    }
    RunAdding(IDC_FILES_ADD_FOLDERS, false, [&] {
        AddingHost host;
        ScanFolder(w.files, *w.fs, host, w.addSubfolders != 0, folder);
    });
    w.settings.lastRootFolder = folder;
    Dialogs().FlashIfInBackground(w.frame);
}

void OnRemove() {
    HWND list = ListBox();
    LRESULT count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    if (count <= 0) return;
    std::vector<int> selected(static_cast<std::size_t>(count));
    count = SendMessageA(list, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(selected.data()));
    selected.resize(static_cast<std::size_t>(count > 0 ? count : 0));
    std::sort(selected.begin(), selected.end());
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(*it), 0);
        Wizard().files.Remove(*it);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    WidenFileList("");
    for (std::int32_t row = 0; row < Wizard().files.size(); ++row) WidenFileList(Wizard().files.path(row));
    UpdateFileListButtons();
    UpdateFileCounter(false);
}

void OnRemoveAll() {
    if (Dialogs().MessageBox(g_page, "Do you really want to clear the list?", "Remove All", MB_YESNO | MB_ICONQUESTION) ==
        IDNO)
        return;
    ClearFileList();
    UpdateFileListButtons();
    UpdateFileCounter(false);
}

void OnStartupFolder() {
    WizardState& w = Wizard();
    ProgramValues& p = Program();
    if (w.files.size() > 0 &&
        Dialogs().MessageBox(g_page,
                             "The file list already contains some items. Append to current?\n"
                             "If you will choose \"No\" the list will be cleared.",
                             kProgramName, MB_YESNO | MB_ICONQUESTION) == IDNO)
        ClearFileList();
    w.addSubfolders =
        Dialogs().MessageBox(g_page, "Add subfolders too?", kProgramName, MB_YESNO | MB_ICONQUESTION) == IDYES ? 1 : 0;
    std::string folder = p.startupPath;
    RunAdding(IDC_FILES_ADD_FOLDERS, false, [&] {
        AddingHost host;
        ScanFolder(w.files, *w.fs, host, w.addSubfolders != 0, folder);
    });
    w.settings.lastRootFolder = folder;
    p.startupPath.clear();
}

void OnShown() {
    EnableFrameButton(IDC_FRAME_PREVIOUS, true);
    UpdateFileListButtons();
    UpdateFileCounter(false);
    if (!Program().startupPath.empty()) {
        BeginAction();
        ShowWindow(Wizard().frame, SW_SHOW);
        PostMessageA(g_page, WM_COMMAND, MAKEWPARAM(0, kStartupFolderCommand), 0);
    }
}

}  // namespace

std::string ProcessableFilesFilter() { return std::string(kProcessableFilter, sizeof kProcessableFilter); }

void WidenFileList(const std::string& text) {
    WizardState& w = Wizard();
    HWND list = GetDlgItem(g_page, IDC_FILES_LIST);
    if (text.empty()) {
        w.fileListExtent = 0;
        SendMessageA(list, LB_SETHORIZONTALEXTENT, 0, 0);
        return;
    }
    SIZE size = {TextWidth(g_page, text), 0};
    if (size.cx > w.fileListExtent) {
        w.fileListExtent = size.cx;
        SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(size.cx + GetSystemMetrics(SM_CXVSCROLL)), 0);
    }
}

void ClearFileList() {
    Wizard().files.Clear();
    SendMessageA(GetDlgItem(g_page, IDC_FILES_LIST), LB_RESETCONTENT, 0, 0);
    WidenFileList("");
}

INT_PTR CALLBACK FileListPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            g_page = page;
            Wizard().addSubfolders = 1;
            return TRUE;
        case WM_SHOWWINDOW:
            if (wParam) OnShown();
            return TRUE;
        case WM_COMMAND: {
            WORD code = HIWORD(wParam);
            WORD id = LOWORD(wParam);
            if (id == 0 && code == kStartupFolderCommand) {
                BeginAction();
                OnStartupFolder();
                EndAction();
                return TRUE;
            }
            void (*handler)() = nullptr;
            switch (id) {
                case IDC_FILES_ADD_FILES: handler = OnAddFiles; break;
                case IDC_FILES_ADD_FOLDERS: handler = OnAddFolders; break;
                case IDC_FILES_REMOVE: handler = OnRemove; break;
                case IDC_FILES_REMOVE_ALL: handler = OnRemoveAll; break;
            }
            if (handler == nullptr || code != BN_CLICKED) return FALSE;
            BeginAction();
            handler();
            EndAction();
            return TRUE;
        }
    }
    return FALSE;
}

}  // namespace corvane
