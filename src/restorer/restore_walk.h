// The backup walk of Restavo: restores or deletes the backups of a folder tree.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace corvane {

enum RestoreMode : int { kRestoreBackups = 0, kDeleteBackups = 1 };

// Results of RestoreWalk.
constexpr int kRestoreWalkDone = 0;
constexpr int kRestoreWalkFailed = 1;    // some backup or subfolder could not be handled
constexpr int kRestoreWalkRefused = 2;   // no extension given: nothing was touched

// The report of kRestoreWalkFailed.
constexpr char kRestoreWalkErrorText[] =
    "There was a serious error during processing! Please check your disk for errors!";

// Walks `folder` (and its subfolders, depth-first, when `recurse`): the files of a folder
// first, in listing order, then its subfolders. A file is a backup when the text after the
// last dot of its name equals `extension` ignoring case; restore mode moves it over its live
// file (the name without that last dot and extension), delete mode deletes it. Adds one to
// `processed` for every backup met, handled or not. A failed move or deletion, or a subfolder
// that cannot be listed, makes the result kRestoreWalkFailed, but the walk goes on with the
// rest; a root folder that cannot be listed simply has no backups. An empty extension is
// refused with kRestoreWalkRefused.
int RestoreWalk(FileSystem& fileSystem, const std::string& folder, const std::string& extension, bool recurse,
                RestoreMode mode, int& processed);

}  // namespace corvane
