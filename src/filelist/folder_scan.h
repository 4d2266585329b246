// Adding files to the file list: a folder (with or without its subfolders), or an open-file dialog's selection.
#pragma once

#include <string>
#include <vector>

#include "filelist/file_list.h"
#include "platform/file_system.h"
#include "platform/operation_host.h"

namespace corvane {

// Result of an add that the user stopped with ESC; what was added before the stop stays.
constexpr int kAddStopped = 255;

// Adds every file of `folder` (and with `recurse` of all its subfolders, depth first, subfolders
// in ascending order of name ignoring case). A folder's own files follow the rows that were
// there before, in ascending order of path ignoring case; a file already listed before that
// folder is not added again, nor is a file listed already under another name (a hard link, or a
// name through a folder link). A folder already entered under another path in this scan (a link
// back to a parent, a second link to one folder) is not entered again, so loops end. Paths longer
// than FileList::kMaxPath are passed over, and so is a folder that cannot be listed. Returns 0,
// or kAddStopped when the user pressed ESC.
int ScanFolder(FileList& files, FileSystem& fs, OperationHost& host, bool recurse, const std::string& folder);

// Adds an open-file dialog's result: one full path, or a folder followed by names (an empty
// name ends the list). Each path not already listed before this call becomes a new last row;
// with `fs`, not when the file is listed already under another name.
// Returns 0, or kAddStopped when the user pressed ESC.
int AddSelectedFiles(FileList& files, OperationHost& host, const std::vector<std::string>& selection,
                     FileSystem* fs = nullptr);

}  // namespace corvane
