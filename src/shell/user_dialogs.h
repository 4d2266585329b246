// Everything a window asks of the user or of the shell goes through this seam, so that tests can
// answer the questions and record the calls.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace corvane {

struct OpenFilesRequest {
    HWND owner = nullptr;
    std::string title;
    std::string initialFolder;
    std::string filter;        // text\0patterns\0...\0\0, as OPENFILENAME wants it
    DWORD flags = 0;
    std::size_t bufferChars = 261;
};

struct AboutBoxRequest {
    HINSTANCE instance = nullptr;
    HFONT font = nullptr, underlined = nullptr, bold = nullptr;
    HWND owner = nullptr;
    UINT_PTR timerId = 0;
    std::string link1;  // the maker's web address
    std::string link2;  // "mailto:" the support address
    int pictureResource = 0;  // 0: the box has no picture
    // Decodes pictureResource; the box deletes the bitmap when it closes. Null: no picture.
    HBITMAP (*loadPicture)(HINSTANCE instance, HWND window, int resourceId) = nullptr;
};

class UserDialogs {
public:
    virtual ~UserDialogs() = default;
    // MessageBox: the answer (IDYES, IDNO, IDOK, ...).
    virtual int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) = 0;
    // The open-file dialog. False when cancelled or when it failed; else `selection` holds one
    // full path, or a folder followed by the chosen names.
    virtual bool OpenFiles(const OpenFilesRequest& request, std::vector<std::string>* selection) = 0;
    // The folder browser with its "&Add subfolders too" box bound to *addSubfolders.
    // 0 chosen (*path holds it), -1 cancelled, -2 the choice has no file-system path.
    virtual int BrowseForFolder(HINSTANCE instance, HFONT font, HWND owner, std::string* path,
                                int* addSubfolders) = 0;
    virtual void ShowAboutBox(const AboutBoxRequest& request) = 0;
    // HTML Help, HH_DISPLAY_TOPIC of "file.chm::/topic.htm", owned by the desktop window.
    virtual void ShowHelpTopic(const std::string& target) = 0;
    // ShellExecute with the verb "open", shown normally; the caller does not wait.
    virtual void ShellOpen(HWND owner, const std::string& file, const std::string& parameters) = 0;
    // Flashes `window` once when it is not the foreground window.
    virtual void FlashIfInBackground(HWND window) = 0;
};

// The process's seam: the real dialogs unless a test has put its own in place.
UserDialogs& Dialogs();
// Tests put their seam in place; nullptr brings the real one back.
void SetDialogs(UserDialogs* dialogs);

}  // namespace corvane
