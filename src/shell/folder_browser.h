// The system's folder browser with an "&Add subfolders too" box fitted into it.
#pragma once

#include <windows.h>

#include <string>

namespace corvane {

// 0 chosen (*path holds it), -1 cancelled, -2 no file-system path. *path is the start folder on
// entry (may be empty). *addSubfolders follows the box at once, also when the browser is cancelled.
int BrowseForFolder(HINSTANCE instance, HFONT font, HWND owner, std::string* path, int* addSubfolders);

}  // namespace corvane
