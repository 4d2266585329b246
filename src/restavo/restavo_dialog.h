// Restavo's dialog: the folder, the backup extension, restore or delete, and the walk.
#pragma once

#include <windows.h>

#include "platform/file_system.h"
#include "platform/settings_store.h"

namespace corvane {

class SingleInstance;

constexpr const char* kRestavoSettingsKey = "Software\\Meridel Software\\Restavo";
constexpr const char* kRestavoIdentifier = "6F1A9D30-C2B7-4e58-8D41-0A7E3C95B2F1";

// What the dialog works with; it lives as long as the dialog.
struct RestavoDialogContext {
    SettingsStore* settings = nullptr;      // where lastRootFolder is kept
    FileSystem* fileSystem = nullptr;       // the files the walk restores or deletes
    SingleInstance* instance = nullptr;     // the atom and the hand-over slot; may be null
    int recurse = 1;                        // follows the browser's "&Add subfolders too"
    int processed = 0;                      // backups met by the last walk
};

// Dialog 101 of Restavo's resources, created with the context as its parameter. Closing posts
// the quit message; the owner of the message loop destroys the window.
INT_PTR CALLBACK RestavoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the dialog modeless from the program's resources (Program().instance).
HWND CreateRestavoDialog(RestavoDialogContext* context);

}  // namespace corvane
