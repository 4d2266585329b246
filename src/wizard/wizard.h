// What the wizard's frame and its pages share for the whole run, and the frame's services to the pages.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/internet_check.h"
#include "engine/link_table.h"
#include "engine/replacement_search.h"
#include "engine/search_driver.h"
#include "filelist/file_list.h"
#include "platform/file_system.h"
#include "platform/operation_host.h"
#include "platform/settings_store.h"
#include "settings/settings.h"
#include "wizard/step.h"

namespace corvane {

class SingleInstance;

constexpr const char* kProgramName = "Corvane";

using InternetGetConnectedStateFn = BOOL(WINAPI*)(LPDWORD, DWORD);
using InternetGoOnlineFn = BOOL(WINAPI*)(LPSTR, HWND, DWORD);

struct WizardState {
    HWND frame = nullptr;
    int currentStep = 0;
    HWND pageWindow[kStepCount] = {};
    int actionRunning = 0;
    int actionDepth = 0;  // commands nested inside a running operation; the outermost one ends it
    // Steps 5 to 8 run again over the rewritten site, without new backups.
    bool secondPass = false;
    int skipInternetCheck = 0;
    // The frame was asked to close while an operation ran: the operation stops at its next poll,
    // then the close completes.
    bool closePending = false;
    std::string restavoPath;

    Settings settings;
    SettingsStore* store = nullptr;      // the registry in the program
    FileSystem* fs = nullptr;
    SingleInstance* instance = nullptr;  // null in tests that make no atom
    FileList files;
    LinkTable links;
    SavedFromTable savedFrom;
    SearchState search;                  // rootPath and counts; reset by page 4 when shown
    InternetCheck* internet = nullptr;   // its caches are reset by page 4 when shown

    // Page 2's "Add subfolders too", kept between its folder browsers.
    int addSubfolders = 1;

    InternetGetConnectedStateFn internetGetConnectedState = nullptr;
    InternetGoOnlineFn internetGoOnline = nullptr;

    // Whether a key is held; GetAsyncKeyState in the program, scripted in tests.
    std::function<bool(int virtualKey)> keyIsDown;
    // The least time between two looks at the message queue (0: every call looks).
    ULONGLONG pumpIntervalMs = 15;
    ULONGLONG lastPump = 0;
};

WizardState& Wizard();

// The frame as a modal dialog (resource 101); returns when the frame has ended.
INT_PTR RunWizardFrame(HINSTANCE instance);
// The frame's dialog procedure, for tests that make the frame modeless.
INT_PTR CALLBACK WizardFrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);

// Whether unlocking gives page 6's replacement editor back its saved states or leaves it as the
// page has set it meanwhile.
enum class EditGroup { Restore, Keep };

// The governed controls: their states saved, then disabled; given back by UnlockFrame.
void LockFrame();
void UnlockFrame(EditGroup editGroup = EditGroup::Restore);
void EnableFrameButton(int id, bool enabled);
HWND FrameButton(int id);
HWND PageWindow(Step step);
HWND PageControl(Step step, int control);
bool IsChecked(Step step, int control);
// By step index, as the tests name the pages.
HWND PageControl(int step, int control);
bool IsChecked(int step, int control);

// Marks a page's long operation. Actions nest: a command handled while an operation pumps
// messages begins and ends its own, and only the outermost end clears actionRunning and
// completes a close that came meanwhile.
void BeginAction();
void EndAction();

// Runs a page's command as an action.
template <typename Work>
void RunAction(Work work) {
    BeginAction();
    work();
    EndAction();
}

// Runs a page's long operation: the action marked, the frame locked around `work`, then unlocked.
template <typename Work>
void RunLocked(EditGroup editGroup, Work work) {
    RunAction([&] {
        LockFrame();
        work();
        UnlockFrame(editGroup);
    });
}

// Dispatches what is waiting; kPollStop when ESC, kPollSkip when F10 is held while the frame is
// in front. Also kPollStop once the frame has been asked to close.
int PumpMessages();

// The text of a control, whole.
std::string ControlText(HWND control);

// Every page's controls that are kept between runs, filled from / read into the settings.
void FillPageFromSettings(HWND page, Step step, const Settings& settings);
void ReadPagesIntoSettings(Settings* settings);

// Page 2's operations the other pages use.
void WidenFileList(const std::string& text);
// The open-file dialog's filters for the site's files (page 2's Add file(s), page 6's Browse).
std::string ProcessableFilesFilter();
void ClearFileList();

// The private command codes that pages post to themselves.
constexpr WORD kStartCommand = 0xFFFE;
constexpr WORD kStartupFolderCommand = 0xFFFD;

}  // namespace corvane
