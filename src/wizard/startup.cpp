// Corvane's start-up: switches, single instance and hand-over, fonts, the Internet library, the frame.
#include "wizard/startup.h"

#include <commctrl.h>

#include <cstring>

#include "shell/program_values.h"
#include "shell/shell_verb.h"
#include "shell/single_instance.h"
#include "shell/user_dialogs.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/registry_settings_store.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

const ShellVerb kVerb = {"Corvane.Open", "Check with &Corvane",
                         "Cannot open or create the registry key!\nProbably the registry is corrupt!",
                         "Cannot set the registry value!\nProbably the registry is corrupt!"};

void CreateFonts() {
    LOGFONTA font = {};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    ProgramValues& p = Program();
    p.uiFont = CreateFontIndirectA(&font);
    font.lfUnderline = TRUE;
    p.uiFontUnderlined = CreateFontIndirectA(&font);
    font.lfUnderline = FALSE;
    font.lfWeight = FW_BOLD;
    p.uiFontBold = CreateFontIndirectA(&font);
}

void LoadInternetLibrary() {
    HMODULE wininet = LoadLibraryA("wininet.dll");
    if (wininet == nullptr)
        EmergencyQuit("Failed to load \"Wininet.dll\"!\nPlease install Microsoft Internet Explorer 3.0 or higher!");
    WizardState& w = Wizard();
    w.internetGetConnectedState =
        reinterpret_cast<InternetGetConnectedStateFn>(reinterpret_cast<void*>(GetProcAddress(wininet, "InternetGetConnectedState")));
    w.internetGoOnline =
        reinterpret_cast<InternetGoOnlineFn>(reinterpret_cast<void*>(GetProcAddress(wininet, "InternetGoOnline")));
}

}  // namespace

std::string StartupPathOf(const char* commandLine) {
    std::string path = commandLine != nullptr ? commandLine : "";
    if (!path.empty() && path.front() == '"') {
        path.erase(0, 1);
        if (!path.empty()) path.pop_back();
    }
    return path;
}

int RunCorvane(HINSTANCE instance, const char* commandLine) {
    if (commandLine == nullptr) commandLine = "";
    SingleInstance single(kCorvaneIdentifier);
    bool atomFound = single.FindOrAddAtom();
    InitProgramPaths(instance);

    if (IsSwitch(commandLine, "-uninstall") || IsSwitch(commandLine, "-shell")) {
        if (IsSwitch(commandLine, "-uninstall"))
            RemoveRegistryTraces(kVerb.verb, {kCorvaneSettingsKey}, {"Software\\Corvane"});
        else
            RegisterShellVerb(kVerb, Program().programPath);
        // This process never shows a window, so the atom it added would only mislead the next start.
        if (!atomFound) single.DeleteAtom();
        return 0;
    }
    // A path has at most 260 characters and the hand-over carries at most 261 bytes.
    if (std::strlen(commandLine) > kPathBuffer - 1) {
        Dialogs().MessageBox(nullptr,
                             "The path given on the command line is too long.\n"
                             "A folder or file path may have at most 260 characters.",
                             kProgramName, MB_OK | MB_ICONERROR);
        if (!atomFound) single.DeleteAtom();
        return 0;
    }
    if (atomFound && single.HandOverToRunning(commandLine)) return 0;

    single.CreateSlot();
    Program().startupPath = StartupPathOf(commandLine);
    CreateFonts();
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    LoadInternetLibrary();

    RegistrySettingsStore store(kCorvaneSettingsKey);
    Win32FileSystem fs;
    WizardState& w = Wizard();
    w.store = &store;
    w.fs = &fs;
    w.instance = &single;
    RunWizardFrame(instance);
    w.store = nullptr;
    w.fs = nullptr;
    w.instance = nullptr;
    return 0;
}

}  // namespace corvane
