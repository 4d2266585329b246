// Adding a folder's files or a dialog's selection to the file list, in the list's documented order.
#include "filelist/folder_scan.h"

#include <algorithm>
#include <cstddef>

#include "platform/utf8.h"

namespace corvane {
namespace {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '\\') return folder + name;
    return folder + "\\" + name;
}

unsigned char FoldAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c; }

// Orders texts ignoring the case of ASCII letters (folded to upper case), byte by byte.
bool LessIgnoringCase(const std::string& a, const std::string& b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = FoldAscii(static_cast<unsigned char>(a[i]));
        unsigned char y = FoldAscii(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

bool Fits(const std::string& path) { return !path.empty() && Utf16Length(path) <= FileList::kMaxPath; }

// Puts one folder level's files after the rows listed before it, in ascending order ignoring
// case. Names that compare equal keep the order the file system gave them, and only rows from
// before this level count as duplicates: the same rows as inserting each name in turn before
// the first greater row of the level, without walking the level once per name.
void AppendLevel(FileList& files, std::vector<std::string>& paths) {
    const std::int32_t before = files.size();
    std::stable_sort(paths.begin(), paths.end(), LessIgnoringCase);
    for (const std::string& path : paths) {
        if (files.FindFileRow(path, before) == -1) files.Append(path);
    }
}

}  // namespace

int ScanFolder(FileList& files, FileSystem& fs, OperationHost& host, bool recurse, const std::string& folder) {
    // A folder's names are gathered without a fixed cap, so that none of its files is dropped
    // silently; memory bounds them, and the search refuses an oversized list with a message.
    std::vector<std::string> filePaths;
    std::vector<std::string> subfolders;
    bool stopped = false;
    fs.ListFolder(folder, [&](const FolderEntry& entry) {
        if (entry.isDirectory) {
            if (recurse && !entry.name.empty() && entry.name != "." && entry.name != ".." &&
                Fits(JoinPath(folder, entry.name)))
                subfolders.push_back(entry.name);
            return true;
        }
        if (!entry.name.empty()) {
            std::string path = JoinPath(folder, entry.name);
            if (Fits(path)) filePaths.push_back(std::move(path));
        }
        if (host.PumpMessages() == kPollStop) {
            stopped = true;
            return false;
        }
        return true;
    });
    AppendLevel(files, filePaths);
    if (stopped) return kAddStopped;
    if (!recurse) return 0;
    std::stable_sort(subfolders.begin(), subfolders.end(), LessIgnoringCase);
    for (const std::string& name : subfolders) {
        if (ScanFolder(files, fs, host, true, JoinPath(folder, name)) != 0) return kAddStopped;
    }
    return 0;
}

int AddSelectedFiles(FileList& files, OperationHost& host, const std::vector<std::string>& selection) {
    if (selection.empty()) return 0;
    const std::int32_t before = files.size();
    if (selection.size() == 1) {
        const std::string& path = selection[0];
        if (Fits(path) && files.FindFileRow(path, before) == -1) files.Append(path);
        return 0;
    }
    const std::string& folder = selection[0];
    for (std::size_t i = 1; i < selection.size(); ++i) {
        if (selection[i].empty()) break;
        std::string path = JoinPath(folder, selection[i]);
        if (Fits(path) && files.FindFileRow(path, before) == -1) files.Append(path);
        if (host.PumpMessages() == kPollStop) return kAddStopped;
    }
    return 0;
}

}  // namespace corvane
