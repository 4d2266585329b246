// The system's folder browser with an "&Add subfolders too" box fitted beside its buttons.
#include "shell/folder_browser.h"

#include <shlobj.h>

#include "shell/program_values.h"
#include "platform/utf8.h"

namespace corvane {
namespace {

constexpr int kSubfoldersBoxId = 0x3F00;

// One browser at a time, as the shell's dialog is modal.
struct BrowserState {
    HINSTANCE instance = nullptr;
    HFONT font = nullptr;
    std::string startFolder;
    int* flag = nullptr;
    WNDPROC buttonProc = nullptr;
};
BrowserState g_browser;

LRESULT CALLBACK SubfoldersBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    // The box's own clicks come through here too, so the flag follows it even when the browser is cancelled.
    if (message == BM_SETCHECK && g_browser.flag != nullptr) *g_browser.flag = wParam == BST_CHECKED ? 1 : 0;
    return CallWindowProcA(g_browser.buttonProc, box, message, wParam, lParam);
}

// The width the box needs to show its whole text in the given font.
int BoxTextWidth(HWND browser, HFONT font) {
    HDC dc = GetDC(browser);
    HGDIOBJ old = SelectObject(dc, font != nullptr ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SIZE size = {};
    GetTextExtentPoint32A(dc, "Add subfolders too", 18, &size);
    SelectObject(dc, old);
    ReleaseDC(browser, dc);
    return size.cx + GetSystemMetrics(SM_CXMENUCHECK) + 6;
}

// Some browsers leave too little room left of their buttons for the text: the browser is then
// widened and the buttons moved right, so the text is never cut.
void MakeRoom(HWND browser, HWND tree, int shortfall, int buttonsLeft) {
    RECT r;
    GetWindowRect(browser, &r);
    SetWindowPos(browser, nullptr, 0, 0, r.right - r.left + shortfall, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND child = GetWindow(browser, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, browser, reinterpret_cast<POINT*>(&r), 2);
        if (child == tree)
            SetWindowPos(child, nullptr, 0, 0, r.right - r.left + shortfall, r.bottom - r.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        else if (r.left >= buttonsLeft)
            SetWindowPos(child, nullptr, r.left + shortfall, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void AddSubfoldersBox(HWND browser) {
    HWND button = FindWindowExA(browser, nullptr, "Button", nullptr);
    HWND tree = FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
    if (button == nullptr || tree == nullptr) return;
    RECT buttonRect, treeRect;
    GetWindowRect(button, &buttonRect);
    GetWindowRect(tree, &treeRect);
    MapWindowPoints(nullptr, browser, reinterpret_cast<POINT*>(&buttonRect), 2);
    MapWindowPoints(nullptr, browser, reinterpret_cast<POINT*>(&treeRect), 2);
    int width = buttonRect.left - 8 - treeRect.left;
    const int needed = BoxTextWidth(browser, g_browser.font);
    if (width < needed) {
        MakeRoom(browser, tree, needed - width, buttonRect.left);
        width = needed;
    }
    HWND box = CreateWindowExA(0, "Button", "&Add subfolders too",
                               WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX, treeRect.left,
                               buttonRect.top, width > 0 ? width : 0, buttonRect.bottom - buttonRect.top, browser,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSubfoldersBoxId)), g_browser.instance,
                               nullptr);
    if (box == nullptr) return;
    SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(g_browser.font), FALSE);
    g_browser.buttonProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubfoldersBoxProc)));
    if (*g_browser.flag != 0) SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
}

int CALLBACK BrowserCallback(HWND browser, UINT message, LPARAM, LPARAM) {
    if (message == BFFM_INITIALIZED) {
        if (!g_browser.startFolder.empty())
            SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(g_browser.startFolder.c_str()));
        AddSubfoldersBox(browser);
    }
    return 0;
}

}  // namespace

int BrowseForFolder(HINSTANCE instance, HFONT font, HWND owner, std::string* path, int* addSubfolders) {
    g_browser = BrowserState{};
    g_browser.instance = instance;
    g_browser.font = font;
    g_browser.flag = addSubfolders;
    // A path is limited in characters as Windows counts them, not in UTF-8 bytes.
    g_browser.startFolder = Utf16Length(*path) < kPathBuffer ? *path : path->substr(0, Utf8Cut(*path, kPathBuffer - 1));

    // The shell's namespace needs COM on this thread; a thread that has it already keeps it.
    const HRESULT com = CoInitialize(nullptr);
    char displayName[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = "Choose a folder:";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowserCallback;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&info);
    int result = -1;
    if (item != nullptr) {
        // The wide call: a path of 260 characters may take more than 260 bytes in UTF-8.
        wchar_t chosen[MAX_PATH] = {};
        char narrow[MAX_PATH * 4] = {};
        if (SHGetPathFromIDListW(item, chosen) &&
            WideCharToMultiByte(CP_ACP, 0, chosen, -1, narrow, sizeof narrow, nullptr, nullptr) > 0) {
            *path = narrow;
            result = 0;
        } else {
            result = -2;
        }
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    g_browser = BrowserState{};
    return result;
}

}  // namespace corvane
