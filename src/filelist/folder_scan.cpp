// Adding a folder's files or a dialog's selection to the file list, in the list's documented order.
#include "filelist/folder_scan.h"

#include <algorithm>
#include <cstddef>
#include <set>

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

bool Fits(const std::string& path) { return !path.empty() && !Utf16LongerThan(path, FileList::kMaxPath); }

// The identity of the file at `path`; all zero when it cannot be told.
FileIdentity IdentityOf(FileSystem& fs, const std::string& path) {
    FileInfo info;
    return fs.GetFileInfo(path, info) ? info.identity : FileIdentity();
}

// Appends `path` unless a row before `before` has its name, or any row its file (the first name
// in list order wins, so a site's file is written once, and its backup made once). `known`: the
// file's identity as its folder's listing gave it.
void AppendOnce(FileList& files, FileSystem* fs, const std::string& path, std::int32_t before,
                const FileIdentity* known = nullptr) {
    if (files.FindFileRow(path, before) != -1) return;
    const FileIdentity identity = known != nullptr ? *known : fs != nullptr ? IdentityOf(*fs, path) : FileIdentity();
    if (!files.HoldsFile(identity)) files.Append(path, identity);
}

// Puts one folder level's files after the rows listed before it, in ascending order ignoring
// case. Names that compare equal keep the order the file system gave them, and only rows from
// before this level count as duplicate names: the same rows as inserting each name in turn before
// the first greater row of the level, without walking the level once per name.
struct ListedFile {
    std::string path;
    bool identityKnown;
    FileIdentity identity;
};

void AppendLevel(FileList& files, FileSystem& fs, std::vector<ListedFile>& listed) {
    const std::int32_t before = files.size();
    std::stable_sort(listed.begin(), listed.end(),
                     [](const ListedFile& a, const ListedFile& b) { return LessIgnoringCase(a.path, b.path); });
    for (const ListedFile& f : listed) AppendOnce(files, &fs, f.path, before, f.identityKnown ? &f.identity : nullptr);
}

// The folders below `folder` reached without passing through a folder link.
void CollectOwnFolders(FileSystem& fs, const std::string& folder, std::set<FileIdentity>& own) {
    const FileIdentity identity = IdentityOf(fs, folder);
    if (!(identity == FileIdentity()) && !own.insert(identity).second) return;
    std::vector<std::string> subfolders;
    fs.ListFolder(folder, [&](const FolderEntry& entry) {
        if (entry.isDirectory && !entry.isLink && !entry.name.empty()) subfolders.push_back(entry.name);
        return true;
    });
    for (const std::string& name : subfolders) CollectOwnFolders(fs, JoinPath(folder, name), own);
}

struct ScanState {
    std::string top;
    std::set<FileIdentity> entered;
    // Made when the first folder link is met: a link to a folder of the site itself is not
    // followed, so the site's links keep naming the folder by its own path.
    bool ownKnown = false;
    std::set<FileIdentity> own;
};

bool LinksIntoSite(FileSystem& fs, ScanState& state, const std::string& link) {
    if (!state.ownKnown) {
        CollectOwnFolders(fs, state.top, state.own);
        state.ownKnown = true;
    }
    const FileIdentity identity = IdentityOf(fs, link);
    return !(identity == FileIdentity()) && state.own.count(identity) != 0;
}

int ScanLevel(FileList& files, FileSystem& fs, OperationHost& host, bool recurse, const std::string& folder,
              ScanState& state) {
    const FileIdentity identity = IdentityOf(fs, folder);
    if (!(identity == FileIdentity()) && !state.entered.insert(identity).second) return 0;
    // A folder's names are gathered without a fixed cap, so that none of its files is dropped
    // silently; memory bounds them, and the search refuses an oversized list with a message.
    std::vector<ListedFile> filePaths;
    std::vector<std::string> subfolders;
    std::set<std::string> links;
    bool stopped = false;
    fs.ListFolder(folder, [&](const FolderEntry& entry) {
        if (entry.isDirectory) {
            if (recurse && !entry.name.empty() && entry.name != "." && entry.name != ".." &&
                Fits(JoinPath(folder, entry.name))) {
                subfolders.push_back(entry.name);
                if (entry.isLink) links.insert(entry.name);
            }
            return true;
        }
        if (!entry.name.empty()) {
            std::string path = JoinPath(folder, entry.name);
            if (Fits(path)) filePaths.push_back(ListedFile{std::move(path), entry.identityKnown, entry.identity});
        }
        if (host.PumpMessages() == kPollStop) {
            stopped = true;
            return false;
        }
        return true;
    });
    AppendLevel(files, fs, filePaths);
    if (stopped) return kAddStopped;
    if (!recurse) return 0;
    std::stable_sort(subfolders.begin(), subfolders.end(), LessIgnoringCase);
    for (const std::string& name : subfolders) {
        const std::string path = JoinPath(folder, name);
        if (links.count(name) != 0 && LinksIntoSite(fs, state, path)) continue;
        if (ScanLevel(files, fs, host, true, path, state) != 0) return kAddStopped;
    }
    return 0;
}

}  // namespace

int ScanFolder(FileList& files, FileSystem& fs, OperationHost& host, bool recurse, const std::string& folder) {
    ScanState state;
    state.top = folder;
    return ScanLevel(files, fs, host, recurse, folder, state);
}

int AddSelectedFiles(FileList& files, OperationHost& host, const std::vector<std::string>& selection,
                     FileSystem* fs) {
    if (selection.empty()) return 0;
    const std::int32_t before = files.size();
    if (selection.size() == 1) {
        const std::string& path = selection[0];
        if (Fits(path)) AppendOnce(files, fs, path, before);
        return 0;
    }
    const std::string& folder = selection[0];
    for (std::size_t i = 1; i < selection.size(); ++i) {
        if (selection[i].empty()) break;
        std::string path = JoinPath(folder, selection[i]);
        if (Fits(path)) AppendOnce(files, fs, path, before);
        if (host.PumpMessages() == kPollStop) return kAddStopped;
    }
    return 0;
}

}  // namespace corvane
