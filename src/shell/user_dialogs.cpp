// The real user-dialog seam: message boxes, the open-file dialog, the folder browser, the about box,
// HTML Help and the shell.
#include "shell/user_dialogs.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cstring>

#include "shell/about_box.h"
#include "shell/folder_browser.h"

namespace corvane {
namespace {

class SystemDialogs : public UserDialogs {
public:
    int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) override {
        return ::MessageBoxA(owner, text.c_str(), caption.c_str(), type);
    }

    bool OpenFiles(const OpenFilesRequest& request, std::vector<std::string>* selection) override {
        std::vector<char> buffer(request.bufferChars < 2 ? 2 : request.bufferChars, '\0');
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = request.owner;
        ofn.lpstrFilter = request.filter.empty() ? nullptr : request.filter.c_str();
        ofn.lpstrFile = buffer.data();
        ofn.nMaxFile = static_cast<DWORD>(buffer.size());
        ofn.lpstrInitialDir = request.initialFolder.empty() ? nullptr : request.initialFolder.c_str();
        ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
        ofn.Flags = request.flags;
        if (!GetOpenFileNameA(&ofn)) return false;
        selection->clear();
        // Explorer-style multiple selection: the folder, then each name, each ended by a NUL.
        const char* p = buffer.data();
        const char* end = buffer.data() + buffer.size();
        while (p < end && *p != '\0') {
            std::size_t n = strnlen(p, static_cast<std::size_t>(end - p));
            selection->emplace_back(p, n);
            p += n + 1;
        }
        return !selection->empty();
    }

    int BrowseForFolder(HINSTANCE instance, HFONT font, HWND owner, std::string* path, int* addSubfolders) override {
        return corvane::BrowseForFolder(instance, font, owner, path, addSubfolders);
    }

    void ShowAboutBox(const AboutBoxRequest& request) override { corvane::ShowAboutBox(request); }

    void ShowHelpTopic(const std::string& target) override {
        // HTML Help is looked up at run time so that a system without it costs only the help.
        using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
        static HMODULE library = LoadLibraryA("hhctrl.ocx");
        if (library == nullptr) return;
        auto htmlHelp = reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpA")));
        if (htmlHelp == nullptr) return;
        const UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC
        htmlHelp(GetDesktopWindow(), target.c_str(), kDisplayTopic, 0);
    }

    void ShellOpen(HWND owner, const std::string& file, const std::string& parameters) override {
        ShellExecuteA(owner, "open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(), nullptr,
                      SW_SHOWNORMAL);
    }

    void FlashIfInBackground(HWND window) override {
        if (GetForegroundWindow() != window) FlashWindow(window, TRUE);
    }
};

UserDialogs* g_override = nullptr;

}  // namespace

UserDialogs& Dialogs() {
    static SystemDialogs system;
    return g_override != nullptr ? *g_override : system;
}

void SetDialogs(UserDialogs* dialogs) { g_override = dialogs; }

}  // namespace corvane
