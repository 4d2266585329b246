// Restavo's entry point: the command-line switches, single instance, fonts, and the dialog's message loop.
#include <windows.h>

#include <cstring>

#include "shell/program_values.h"
#include "shell/shell_verb.h"
#include "shell/single_instance.h"
#include "shell/user_dialogs.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/registry_settings_store.h"
#include "restavo/restavo_dialog.h"

namespace {

using namespace corvane;

HFONT MakeFont(int weight, bool underlined) {
    return CreateFontA(15, 0, 0, 0, weight, FALSE, underlined ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       "MS Sans Serif");
}

int RunDialog(SingleInstance& instance) {
    ProgramValues& program = Program();
    program.uiFont = MakeFont(FW_NORMAL, false);
    program.uiFontUnderlined = MakeFont(FW_NORMAL, true);
    program.uiFontBold = MakeFont(FW_BOLD, false);

    Win32FileSystem files;
    RegistrySettingsStore settings(kRestavoSettingsKey);
    RestavoDialogContext context;
    context.settings = &settings;
    context.fileSystem = &files;
    context.instance = &instance;
    HWND dialog = CreateRestavoDialog(&context);
    if (dialog == nullptr) EmergencyQuit("Cannot create the main window!");
    ShowWindow(dialog, SW_SHOW);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    DestroyWindow(dialog);
    // The atom stays: a later start that finds it without a window runs as the first instance.
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instanceHandle, HINSTANCE, LPSTR commandLine, int) {
    const char* line = commandLine != nullptr ? commandLine : "";
    SingleInstance instance(kRestavoIdentifier);
    const bool atomFound = instance.FindOrAddAtom();
    InitProgramPaths(instanceHandle);

    if (IsSwitch(line, "-uninstall")) {
        RemoveRegistryTraces("Restavo.Open", {kRestavoSettingsKey}, {});
        return 0;
    }
    if (IsSwitch(line, "-shell")) {
        RegisterShellVerb({"Restavo.Open", "&Restavo",
                           "Cannot open or create a registry key!\nProbably the registry is corrupt!",
                           "Cannot set a registry value!\nProbably the registry is corrupt!"},
                          Program().programPath);
        return 0;
    }
    // The folder lives in 261 bytes here and in the hand-over: a longer one is refused, not cut.
    if (std::strlen(line) >= kPathBuffer) {
        Dialogs().MessageBox(nullptr,
                             "The folder given on the command line is too long!\n"
                             "Restavo takes a folder of at most 260 characters.",
                             "Restavo", MB_ICONHAND);
        return 0;
    }
    if (atomFound && instance.HandOverToRunning(line)) return 0;

    instance.CreateSlot();
    // Quotes are kept: the folder is shown exactly as it was given.
    Program().startupPath = line;
    return RunDialog(instance);
}
