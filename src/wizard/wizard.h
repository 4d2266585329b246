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

    // Page 2
    int addSubfolders = 1;
    int fileListExtent = 0;

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

// The governed controls disabled (restore false) or given back their saved states (restore
// true); keepEditGroup leaves page 6's replacement editor as it is.
void FrameLock(bool restore, bool keepEditGroup);
void EnableFrameButton(int id, bool enabled);
HWND FrameButton(int id);
HWND PageControl(int step, int control);
bool IsChecked(int step, int control);

// Marks a page's long operation; EndAction completes a close that came meanwhile.
void BeginAction();
void EndAction();

// Dispatches what is waiting; 1 when ESC, 2 when F10 is held while the frame is in front.
// Also 1 once the frame has been asked to close.
int PumpMessages();

// The text of a control, whole.
std::string ControlText(HWND control);

// Every page's controls that are kept between runs, filled from / read into the settings.
void FillPageFromSettings(HWND page, Step step, const Settings& settings);
void ReadPagesIntoSettings(Settings* settings);

// Tooltip set n: 0 the frame's, n+1 the page of index n.
void AddWizardTooltips(HWND window, int set);

// Page procedures, by step index.
INT_PTR CALLBACK WelcomePageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK FileListPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK SearchOptionsPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK ProcessingOptionsPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK SearchPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK ReviewPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK DeletionPageProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK ApplyPageProc(HWND, UINT, WPARAM, LPARAM);

// Page 2's operations the other pages use.
void WidenFileList(const std::string& text);
// The open-file dialog's filters for the site's files (page 2's Add file(s), page 6's Browse).
std::string ProcessableFilesFilter();
void ClearFileList();

// The private command codes that pages post to themselves.
constexpr WORD kStartCommand = 0xFFFE;
constexpr WORD kStartupFolderCommand = 0xFFFD;

}  // namespace corvane
