// The backup walk of Restavo: restores or deletes the backups of a folder tree.
#include "restorer/restore_walk.h"

#include <vector>

namespace corvane {
namespace {

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
    return folder + "\\" + name;
}

// Walks one folder; `listed` is false when the folder could not be listed.
bool WalkFolder(FileSystem& fs, const std::string& folder, const std::string& extension, bool recurse,
                RestoreMode mode, int& processed, bool& listed) {
    // The listing is taken whole before anything is moved, so that a restored file can
    // never show up again in the same listing (a.bak.bak restored to a.bak, then to a).
    std::vector<FolderEntry> entries;
    listed = fs.ListFolder(folder, [&](const FolderEntry& entry) {
        entries.push_back(entry);
        return true;
    });
    bool ok = true;
    std::vector<std::string> subfolders;
    for (const FolderEntry& entry : entries) {
        if (entry.isDirectory) {
            if (recurse && entry.name != "." && entry.name != "..") subfolders.push_back(entry.name);
            continue;
        }
        const std::size_t dot = entry.name.rfind('.');
        if (dot == std::string::npos || !EqualsIgnoringCase(entry.name.substr(dot + 1), extension)) continue;
        // A name that is nothing but the extension is the backup of no file.
        if (dot == 0) continue;
        ++processed;
        const std::string backup = Join(folder, entry.name);
        bool done;
        if (mode == kDeleteBackups) {
            done = fs.DeleteFile(backup);
        } else {
            // Replacing in one step: if the move fails, the live file is still there, whole.
            done = fs.MoveFile(backup, Join(folder, entry.name.substr(0, dot)), true);
        }
        if (!done) ok = false;
    }
    for (const std::string& name : subfolders) {
        bool subListed = true;
        if (!WalkFolder(fs, Join(folder, name), extension, recurse, mode, processed, subListed)) ok = false;
        if (!subListed) ok = false;
    }
    return ok;
}

}  // namespace

int RestoreWalk(FileSystem& fileSystem, const std::string& folder, const std::string& extension, bool recurse,
                RestoreMode mode, int& processed) {
    if (extension.empty()) return kRestoreWalkRefused;
    bool listed = true;
    return WalkFolder(fileSystem, folder, extension, recurse, mode, processed, listed) ? kRestoreWalkDone
                                                                                        : kRestoreWalkFailed;
}

}  // namespace corvane
