// Step 2: the list box that shows the site's file list, and the commands that add and remove files.
#include <windows.h>

#include <algorithm>

#include "shell/program_values.h"
#include "shell/text_width.h"
#include "shell/user_dialogs.h"
#include "corvane_ids.h"
#include "filelist/folder_scan.h"
#include "wizard/pages/page.h"

namespace corvane {
namespace {

const char kProcessableFilter[] =
    "All Processable Files (*.htm, *.html, *.shtml, *.gif, *.jpg, *.jpeg, *.png, *.bmp, *.css, *.js)\0"
    "*.htm;*.html;*.shtml;*.gif;*.jpg;*.jpeg;*.png;*.bmp;*.css;*.js\0"
    "HTML Files (*.htm, *.html, *.shtml)\0*.htm;*.html;*.shtml\0"
    "Image Files (*.gif, *.jpg, *.jpeg, *.png, *.bmp)\0*.gif;*.jpg;*.jpeg;*.png;*.bmp\0"
    "Style Sheets (*.css)\0*.css\0"
    "JavaScript Files (*.js)\0*.js\0"
    "All Files (*.*)\0*.*\0";

const TooltipTool kTools[] = {
    {IDC_FILES_ADD_FILES, 200, "Add one or more files to the file list"},
    {IDC_FILES_ADD_FOLDERS, 201, "Add one or more folders to the file list"},
    {IDC_FILES_REMOVE, 202, "Remove selected files from the file list"},
    {IDC_FILES_REMOVE_ALL, 203, "Clear the file list"},
};

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return path;
    // A drive root keeps its backslash.
    if (slash == 2 && path.size() > 1 && path[1] == ':') return path.substr(0, 3);
    return path.substr(0, slash);
}

class FileListPage : public WizardPage {
public:
    void Clear() {
        Wizard().files.Clear();
        SendMessageA(ListBox(), LB_RESETCONTENT, 0, 0);
        width_.Reset();
    }
    void Widen(const std::string& text) {
        if (text.empty())
            width_.Reset();
        else
            width_.Widen(text);
    }

protected:
    void OnInit() override {
        width_ = ListWidth(window(), IDC_FILES_LIST);
        Wizard().addSubfolders = 1;
    }
    void AddTools() override { WizardPage::AddTools(kTools); }
    void OnShown() override;
    bool OnCommand(WORD id, WORD code) override;

private:
    // Adding pumps the frame's messages so that ESC can stop it; before each look at the queue the
    // box takes the rows added so far, so the user sees them come and Remove acts on what is shown.
    class AddingHost : public NullHost {
    public:
        AddingHost(FileListPage& page, bool scrollToEnd) : page_(page), scrollToEnd_(scrollToEnd) {}
        int PumpMessages() override {
            if (page_.RowsShown() < Wizard().files.size()) page_.ShowNewRows(scrollToEnd_);
            return ::corvane::PumpMessages();
        }

    private:
        FileListPage& page_;
        bool scrollToEnd_;
    };

    HWND ListBox() const { return Item(IDC_FILES_LIST); }
    std::int32_t RowsShown() const;
    void ShowNewRows(bool scrollToEnd);
    void UpdateCounter(bool busy);
    void UpdateButtons();
    template <typename Add>
    void RunAdding(int focusAfter, bool scrollToEnd, Add add);
    void AddFiles();
    void AddFolders();
    void Remove();
    void RemoveAll();
    void AddStartupFolder();

    ListWidth width_{nullptr, IDC_FILES_LIST};
    bool adding_ = false;  // an add runs; commands handled meanwhile leave the buttons to its end
};

FileListPage* TheFileListPage() {
    return static_cast<FileListPage*>(WizardPage::From(PageWindow(Step::FileList)));
}

std::int32_t FileListPage::RowsShown() const {
    LRESULT shown = SendMessageA(ListBox(), LB_GETCOUNT, 0, 0);
    return shown > 0 ? static_cast<std::int32_t>(shown) : 0;
}

// Shows the rows the file list gained at its end since the box last matched it. Only adding
// appends, and Remove takes a row from both at once, so the box always shows a prefix of the list.
void FileListPage::ShowNewRows(bool scrollToEnd) {
    const FileList& files = Wizard().files;
    HWND list = ListBox();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (std::int32_t row = RowsShown(); row < files.size(); ++row) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(files.path(row).c_str()));
        width_.Widen(files.path(row));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    if (scrollToEnd && files.size() > 0) SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(files.size() - 1), 0);
    InvalidateRect(list, nullptr, TRUE);
}

void FileListPage::UpdateCounter(bool busy) {
    std::string text = busy ? "Press ESC to stop" : "Files added: " + std::to_string(Wizard().files.size());
    SetDlgItemTextA(window(), IDC_FILES_COUNTER, text.c_str());
}

void FileListPage::UpdateButtons() {
    bool any = Wizard().files.size() > 0;
    HWND next = FrameButton(IDC_FRAME_NEXT);
    bool hadFocus = GetFocus() == next;
    EnableWindow(next, any);
    if (hadFocus && !any) SetFocus(Item(IDC_FILES_ADD_FILES));
    for (int id : {IDC_FILES_REMOVE, IDC_FILES_REMOVE_ALL}) {
        HWND button = Item(id);
        bool focused = GetFocus() == button;
        EnableWindow(button, any);
        if (focused && !any) SetFocus(Item(IDC_FILES_ADD_FILES));
    }
}

// Runs one adding operation with the counter, the lock and the wait cursor around it.
template <typename Add>
void FileListPage::RunAdding(int focusAfter, bool scrollToEnd, Add add) {
    UpdateCounter(true);
    RunLocked(EditGroup::Restore, [&] {
        HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        adding_ = true;
        AddingHost host(*this, scrollToEnd);
        add(host);
        adding_ = false;
        ShowNewRows(scrollToEnd);
        SetCursor(old != nullptr ? old : LoadCursorA(nullptr, IDC_ARROW));
    });
    SetFocus(Item(focusAfter));
    UpdateButtons();
    UpdateCounter(false);
}

void FileListPage::AddFiles() {
    WizardState& w = Wizard();
    OpenFilesRequest request;
    request.owner = window();
    request.title = "Add File(s)";
    request.initialFolder = w.settings.lastRootFolder;
    request.filter = ProcessableFilesFilter();
    request.flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    request.bufferChars = kPathBuffer;
    std::vector<std::string> selection;
    if (Dialogs().OpenFiles(request, &selection) && !selection.empty()) {
        RunAdding(IDC_FILES_ADD_FILES, true,
                  [&](OperationHost& host) { AddSelectedFiles(w.files, host, selection, w.fs); });
        w.settings.lastRootFolder = selection.size() == 1 ? FolderOf(selection[0]) : selection[0];
    }
    Dialogs().FlashIfInBackground(w.frame);
}

void FileListPage::AddFolders() {
    WizardState& w = Wizard();
    std::string folder = w.settings.lastRootFolder;
    int chosen = Dialogs().BrowseForFolder(Program().instance, Program().uiFont, window(), &folder, &w.addSubfolders);
    if (chosen == -1) return;
    if (chosen != 0) {
        Dialogs().MessageBox(window(), "Cannot resolve the specified path!\nChoose another folder!", kProgramName,
                             MB_OK | MB_ICONERROR | MB_TASKMODAL);
        return;
    }
    RunAdding(IDC_FILES_ADD_FOLDERS, false,
              [&](OperationHost& host) { ScanFolder(w.files, *w.fs, host, w.addSubfolders != 0, folder); });
    w.settings.lastRootFolder = folder;
    Dialogs().FlashIfInBackground(w.frame);
}

void FileListPage::Remove() {
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
    width_.Reset();
    for (std::int32_t row = 0; row < Wizard().files.size(); ++row) width_.Widen(Wizard().files.path(row));
    if (adding_) return;  // the frame stays locked until the add ends
    UpdateButtons();
    UpdateCounter(false);
}

void FileListPage::RemoveAll() {
    if (Dialogs().MessageBox(window(), "Do you really want to clear the list?", "Remove All", MB_YESNO | MB_ICONQUESTION) ==
        IDNO)
        return;
    Clear();
    if (adding_) return;
    UpdateButtons();
    UpdateCounter(false);
}

void FileListPage::AddStartupFolder() {
    WizardState& w = Wizard();
    ProgramValues& p = Program();
    if (w.files.size() > 0 &&
        Dialogs().MessageBox(window(),
                             "The file list already contains some items. Append to current?\n"
                             "If you will choose \"No\" the list will be cleared.",
                             kProgramName, MB_YESNO | MB_ICONQUESTION) == IDNO)
        Clear();
    w.addSubfolders =
        Dialogs().MessageBox(window(), "Add subfolders too?", kProgramName, MB_YESNO | MB_ICONQUESTION) == IDYES ? 1 : 0;
    std::string folder = p.startupPath;
    RunAdding(IDC_FILES_ADD_FOLDERS, false,
              [&](OperationHost& host) { ScanFolder(w.files, *w.fs, host, w.addSubfolders != 0, folder); });
    w.settings.lastRootFolder = folder;
    p.startupPath.clear();
}

void FileListPage::OnShown() {
    EnableFrameButton(IDC_FRAME_PREVIOUS, true);
    UpdateButtons();
    UpdateCounter(false);
    if (!Program().startupPath.empty()) {
        BeginAction();
        ShowWindow(Wizard().frame, SW_SHOW);
        PostMessageA(window(), WM_COMMAND, MAKEWPARAM(0, kStartupFolderCommand), 0);
    }
}

bool FileListPage::OnCommand(WORD id, WORD code) {
    if (id == 0 && code == kStartupFolderCommand) {
        AddStartupFolder();
        EndAction();  // the one that showing the page began
        return true;
    }
    void (FileListPage::*handler)() = nullptr;
    switch (id) {
        case IDC_FILES_ADD_FILES: handler = &FileListPage::AddFiles; break;
        case IDC_FILES_ADD_FOLDERS: handler = &FileListPage::AddFolders; break;
        case IDC_FILES_REMOVE: handler = &FileListPage::Remove; break;
        case IDC_FILES_REMOVE_ALL: handler = &FileListPage::RemoveAll; break;
    }
    if (handler == nullptr || code != BN_CLICKED) return false;
    RunAction([&] { (this->*handler)(); });
    return true;
}

}  // namespace

std::unique_ptr<WizardPage> MakeFileListPage() { return std::make_unique<FileListPage>(); }

std::string ProcessableFilesFilter() { return std::string(kProcessableFilter, sizeof kProcessableFilter); }

void WidenFileList(const std::string& text) {
    if (FileListPage* page = TheFileListPage()) page->Widen(text);
}

void ClearFileList() {
    if (FileListPage* page = TheFileListPage()) page->Clear();
}

}  // namespace corvane
