// Restavo's dialog: the folder, the backup extension, restore or delete, and the walk.
#include "restavo/restavo_dialog.h"

#include <string>
#include <vector>

#include "shell/about_box.h"
#include "shell/program_values.h"
#include "shell/single_instance.h"
#include "shell/tooltips.h"
#include "shell/user_dialogs.h"
#include "restavo_ids.h"
#include "restorer/restore_walk.h"

namespace corvane {
namespace {

constexpr const char* kCaption = "Restavo";
constexpr const char* kContextProperty = "RestavoDialogContext";
constexpr const char* kLastRootFolder = "lastRootFolder";
constexpr int kFolderChars = 260;
constexpr int kExtensionChars = 255;

const TooltipTool kTooltips[] = {
    {IDC_RESTAVO_FOLDER, 0, "The root folder from which restoring or deleting will start"},
    {IDC_RESTAVO_BROWSE, 1, "Choose a root folder from which restoring or deleting will start"},
    {IDC_RESTAVO_EXTENSION, 2, "Backup files extension (\"bak\" for Corvane backups)"},
    {IDC_RESTAVO_RESTORE, 3, "Backup files will be restored replacing current files"},
    {IDC_RESTAVO_DELETE, 4, "Backup files will be deleted leaving current files as they are"},
    {IDC_RESTAVO_ABOUT, 5, "Some information about Restavo"},
    {IDC_RESTAVO_PROCESS, 6, "Start restoration or deletion"},
    {IDC_RESTAVO_EXIT, 7, "Get outta here"},
};

RestavoDialogContext* ContextOf(HWND dialog) {
    return static_cast<RestavoDialogContext*>(GetPropA(dialog, kContextProperty));
}

std::string ItemText(HWND dialog, int id, int maxChars) {
    std::vector<char> buffer(static_cast<std::size_t>(maxChars) + 1, '\0');
    GetDlgItemTextA(dialog, id, buffer.data(), maxChars + 1);
    return buffer.data();
}

int Tell(HWND dialog, const char* text, UINT type) { return Dialogs().MessageBox(dialog, text, kCaption, type); }

void OnInit(HWND dialog, RestavoDialogContext* context) {
    SetPropA(dialog, kContextProperty, context);
    // A second start finds the running one by this value.
    SetWindowLongPtrA(dialog, GWLP_USERDATA, context->instance != nullptr ? context->instance->atom() : 0);
    SetClassLongPtrA(dialog, GCLP_HICON,
                     reinterpret_cast<LONG_PTR>(LoadIconA(Program().instance, MAKEINTRESOURCEA(IDI_RESTAVO))));
    SetDlgItemTextA(dialog, IDC_RESTAVO_EXTENSION, "bak");
    CheckRadioButton(dialog, IDC_RESTAVO_RESTORE, IDC_RESTAVO_DELETE, IDC_RESTAVO_RESTORE);
    context->recurse = 1;
    const std::string& startup = Program().startupPath;
    if (!startup.empty()) SetDlgItemTextA(dialog, IDC_RESTAVO_FOLDER, startup.c_str());
    AddTooltips(dialog, kTooltips);
    // With a folder given the next step is Process; without one it is Browse.
    SetFocus(GetDlgItem(dialog, startup.empty() ? IDC_RESTAVO_BROWSE : IDC_RESTAVO_PROCESS));
}

void OnHandover(HWND dialog, RestavoDialogContext* context) {
    std::string path;
    if (context->instance != nullptr && context->instance->ReadHandover(&path))
        SetDlgItemTextA(dialog, IDC_RESTAVO_FOLDER, path.c_str());
}

void OnBrowse(HWND dialog, RestavoDialogContext* context) {
    std::string folder = ItemText(dialog, IDC_RESTAVO_FOLDER, kFolderChars);
    if (folder.empty()) {
        OpenSettingsStore open(*context->settings);
        if (!open) EmergencyQuit("Main - Unable to open a needed registry key!");
        if (!context->settings->ReadText(kLastRootFolder, kPathBuffer, &folder)) folder.clear();
    }
    const int result = Dialogs().BrowseForFolder(Program().instance, Program().uiFont, dialog, &folder,
                                                 &context->recurse);
    if (result == -2)
        Tell(dialog, "Cannot resolve the specified path!\nChoose another folder!", MB_ICONHAND | MB_TASKMODAL);
    else if (result == 0)
        SetDlgItemTextA(dialog, IDC_RESTAVO_FOLDER, folder.c_str());
}

void OnProcess(HWND dialog, RestavoDialogContext* context) {
    const std::string folder = ItemText(dialog, IDC_RESTAVO_FOLDER, kFolderChars);
    if (folder.empty()) {
        Tell(dialog, "Please specify a folder(s) to process!", MB_ICONEXCLAMATION);
        return;
    }
    // Without an extension every file without one would be taken for a backup of itself.
    const std::string extension = ItemText(dialog, IDC_RESTAVO_EXTENSION, kExtensionChars);
    if (extension.empty()) {
        Tell(dialog, "Please specify the backup files extension!", MB_ICONEXCLAMATION);
        return;
    }
    if (Tell(dialog, "Are You sure? Is everything correct?", MB_YESNO | MB_ICONQUESTION) != IDYES) return;

    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const RestoreMode mode =
        IsDlgButtonChecked(dialog, IDC_RESTAVO_RESTORE) == BST_CHECKED ? kRestoreBackups : kDeleteBackups;
    context->processed = 0;
    const int result =
        RestoreWalk(*context->fileSystem, folder, extension, context->recurse != 0, mode, context->processed);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));

    if (result == kRestoreWalkDone) {
        const std::string report = std::to_string(context->processed) +
                                   (mode == kRestoreBackups ? " backup file(s) restored" : " backup file(s) deleted");
        Tell(dialog, report.c_str(), MB_ICONINFORMATION);
    } else if (result == kRestoreWalkRefused) {
        Tell(dialog, "Please specify the backup files extension!", MB_ICONEXCLAMATION);
    } else {
        Tell(dialog, kRestoreWalkErrorText, MB_ICONHAND);
    }
}

void OnAbout(HWND dialog) {
    const ProgramValues& program = Program();
    AboutBoxRequest request;
    request.instance = program.instance;
    request.font = program.uiFont;
    request.underlined = program.uiFontUnderlined;
    request.bold = program.uiFontBold;
    request.owner = dialog;
    request.timerId = 0;
    request.link1 = kMakerWebAddress;
    request.link2 = kSupportMailto;
    Dialogs().ShowAboutBox(request);
}

void OnClose(HWND dialog, RestavoDialogContext* context) {
    const std::string folder = ItemText(dialog, IDC_RESTAVO_FOLDER, kFolderChars);
    {
        OpenSettingsStore open(*context->settings);
        if (!open) EmergencyQuit("Main - Unable to open a needed registry key!");
        if (!context->settings->WriteText(kLastRootFolder, folder))
            EmergencyQuit("Main - Unable to set a needed registry value!");
    }
    PostQuitMessage(0);
}

bool OnCommand(HWND dialog, RestavoDialogContext* context, WPARAM wParam) {
    if (wParam == kHandoverCommand) {
        OnHandover(dialog, context);
        return true;
    }
    if (HIWORD(wParam) != BN_CLICKED) return false;
    switch (LOWORD(wParam)) {
    case IDC_RESTAVO_BROWSE: OnBrowse(dialog, context); return true;
    case IDC_RESTAVO_PROCESS: OnProcess(dialog, context); return true;
    case IDC_RESTAVO_ABOUT: OnAbout(dialog); return true;
    case IDC_RESTAVO_HELP: Dialogs().ShowHelpTopic(Program().programDir + "Guide.chm::/restavo.htm"); return true;
    case IDC_RESTAVO_EXIT: OnClose(dialog, context); return true;
    default: return false;
    }
}

}  // namespace

INT_PTR CALLBACK RestavoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        OnInit(dialog, reinterpret_cast<RestavoDialogContext*>(lParam));
        return FALSE;  // the focus is set already
    }
    RestavoDialogContext* context = ContextOf(dialog);
    if (context == nullptr) return FALSE;
    switch (message) {
    case WM_COMMAND:
        return OnCommand(dialog, context, wParam) ? TRUE : FALSE;
    case WM_CLOSE:
        OnClose(dialog, context);
        return TRUE;
    case WM_DESTROY:
        RemovePropA(dialog, kContextProperty);
        return FALSE;
    default:
        return FALSE;
    }
}

HWND CreateRestavoDialog(RestavoDialogContext* context) {
    return CreateDialogParamA(Program().instance, MAKEINTRESOURCEA(IDD_RESTAVO), nullptr, RestavoDialogProc,
                              reinterpret_cast<LPARAM>(context));
}

}  // namespace corvane
