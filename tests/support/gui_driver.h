// Drives a Win32 program from a second process: start it, find its windows, press its buttons,
// read and write its texts, answer its message boxes, and wait for it to end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace corvane::gui {

constexpr DWORD kDefaultTimeoutMs = 20000;

// A started program. The handles are closed on destruction; the program is left running.
class DrivenProcess {
public:
    DrivenProcess() = default;
    ~DrivenProcess();
    DrivenProcess(const DrivenProcess&) = delete;
    DrivenProcess& operator=(const DrivenProcess&) = delete;

    // Starts `program` with `arguments` appended to its quoted name as they are.
    bool Start(const std::string& program, const std::string& arguments);
    // Takes hold of a process that something else started (to wait for it or end it).
    bool Attach(DWORD processId);
    DWORD id() const { return info_.dwProcessId; }
    HANDLE handle() const { return info_.hProcess; }
    // True when it ended within the time; *exitCode then holds its exit code.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);
    void Terminate();

private:
    PROCESS_INFORMATION info_ = {};
};

// A visible top-level window of the process (0: of any process) with this class and caption
// (null: any), other than `except`; null when none appeared within the time.
HWND WaitForWindow(DWORD processId, const char* className, const char* caption, DWORD timeoutMs = kDefaultTimeoutMs,
                   HWND except = nullptr);
// A message box of the process with this caption (a dialog-class window other than `except`).
HWND WaitForMessageBox(DWORD processId, const char* caption, HWND except, DWORD timeoutMs = kDefaultTimeoutMs);
// Waits until the window is gone; false when it is still there after the time.
bool WaitForWindowGone(HWND window, DWORD timeoutMs = kDefaultTimeoutMs);

// Texts are read and written with the wide messages and converted from and to the ANSI code page.
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int controlId);
bool SetItemText(HWND dialog, int controlId, const std::string& text);
std::vector<std::string> ListBoxRows(HWND dialog, int controlId);
// The text of a message box.
std::string MessageBoxText(HWND box);

// Presses a button by control id without waiting for what it starts (posted BM_CLICK).
bool ClickButton(HWND dialog, int controlId);
// Sends WM_COMMAND for the control as if it had been clicked, without waiting.
bool PostCommand(HWND dialog, int controlId);
// Presses a message box's button (IDYES, IDOK, ...).
bool PressMessageBoxButton(HWND box, int buttonId);

}  // namespace corvane::gui
