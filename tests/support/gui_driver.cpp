// Drives a Win32 program from a second process through window messages.
#include "gui_driver.h"

namespace corvane::gui {
namespace {

constexpr DWORD kPollMs = 50;
constexpr UINT kSendTimeoutMs = 5000;
// The static that holds a message box's text: 0xFFFF on Windows; Wine gives it another id.
constexpr int kMessageBoxTextId = 0xFFFF;

std::wstring Wide(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string Narrow(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, result) != 0;
}

struct Search {
    DWORD processId;
    const char* className;
    const char* caption;
    HWND except;
    HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((search->processId != 0 && owner != search->processId) || window == search->except || !IsWindowVisible(window))
        return TRUE;
    char className[256] = {};
    GetClassNameA(window, className, sizeof className);
    if (search->className != nullptr && lstrcmpiA(className, search->className) != 0) return TRUE;
    if (search->caption != nullptr && WindowText(window) != search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

template <typename Test>
bool WaitUntil(DWORD timeoutMs, Test test) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (test()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(kPollMs);
    }
}

}  // namespace

DrivenProcess::~DrivenProcess() {
    if (info_.hThread != nullptr) CloseHandle(info_.hThread);
    if (info_.hProcess != nullptr) CloseHandle(info_.hProcess);
}

bool DrivenProcess::Start(const std::string& program, const std::string& arguments) {
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info_) != 0;
}

bool DrivenProcess::Attach(DWORD processId) {
    if (info_.hProcess != nullptr) return false;
    info_.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, processId);
    if (info_.hProcess == nullptr) return false;
    info_.dwProcessId = processId;
    return true;
}

bool DrivenProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (info_.hProcess == nullptr || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

void DrivenProcess::Terminate() {
    if (info_.hProcess != nullptr) TerminateProcess(info_.hProcess, 1);
}

HWND WaitForWindow(DWORD processId, const char* className, const char* caption, DWORD timeoutMs, HWND except) {
    Search search{processId, className, caption, except, nullptr};
    WaitUntil(timeoutMs, [&] {
        EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found;
}

HWND WaitForMessageBox(DWORD processId, const char* caption, HWND except, DWORD timeoutMs) {
    return WaitForWindow(processId, "#32770", caption, timeoutMs, except);
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
    return WaitUntil(timeoutMs, [&] { return !IsWindow(window); });
}

std::string WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!Send(window, WM_GETTEXTLENGTH, 0, 0, &length)) return std::string();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), &copied)) return std::string();
    text.resize(copied < text.size() ? static_cast<std::size_t>(copied) : text.size() - 1);
    return Narrow(text);
}

std::string ItemText(HWND dialog, int controlId) {
    HWND item = GetDlgItem(dialog, controlId);
    return item != nullptr ? WindowText(item) : std::string();
}

bool SetItemText(HWND dialog, int controlId, const std::string& text) {
    HWND item = GetDlgItem(dialog, controlId);
    std::wstring wide = Wide(text);
    DWORD_PTR result = 0;
    return item != nullptr && Send(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), &result) && result;
}

std::vector<std::string> ListBoxRows(HWND dialog, int controlId) {
    std::vector<std::string> rows;
    HWND list = GetDlgItem(dialog, controlId);
    DWORD_PTR count = 0;
    if (list == nullptr || !Send(list, LB_GETCOUNT, 0, 0, &count) || static_cast<LRESULT>(count) == LB_ERR) return rows;
    for (DWORD_PTR i = 0; i < count; ++i) {
        DWORD_PTR length = 0;
        if (!Send(list, LB_GETTEXTLEN, i, 0, &length) || static_cast<LRESULT>(length) == LB_ERR) break;
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        DWORD_PTR copied = 0;
        if (!Send(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]), &copied)) break;
        text.resize(static_cast<LRESULT>(copied) >= 0 && copied < text.size() ? static_cast<std::size_t>(copied)
                                                                               : text.size() - 1);
        rows.push_back(Narrow(text));
    }
    return rows;
}

std::string MessageBoxText(HWND box) {
    if (HWND text = GetDlgItem(box, kMessageBoxTextId)) return WindowText(text);
    // Otherwise the first static with a text (the icon's static has none).
    for (HWND child = FindWindowExA(box, nullptr, "Static", nullptr); child != nullptr;
         child = FindWindowExA(box, child, "Static", nullptr)) {
        std::string text = WindowText(child);
        if (!text.empty()) return text;
    }
    return std::string();
}

bool ClickButton(HWND dialog, int controlId) {
    HWND button = GetDlgItem(dialog, controlId);
    return button != nullptr && PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

bool PostCommand(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), reinterpret_cast<LPARAM>(control)) != 0;
}

bool PressMessageBoxButton(HWND box, int buttonId) {
    // A message box's buttons answer WM_COMMAND from their own ids, whatever their text.
    HWND button = GetDlgItem(box, buttonId);
    return PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != 0;
}

}  // namespace corvane::gui
