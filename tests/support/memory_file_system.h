// An in-memory file system for tests: Windows-form paths, chosen listing order, and failures on demand.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace corvane {

// Folders and files live in a map keyed by the path with ASCII letters folded (names compare
// without regard to case, as on Windows). A folder lists its entries in the order they were
// added unless SetListingOrder says otherwise. Every call is counted, overall and by kind, and
// any of them can be made to fail: the n-th call of a kind, the n-th call overall, or every
// call from the n-th on. GetFileInfo is neither counted nor journalled, so that failure schedules
// keep their meaning; it gives each file an identity kept through moves. A file written
// unflushed is not durable until FlushFiles names it: Durable tells what a crash would keep.
class MemoryFileSystem : public FileSystem {
public:
    enum Operation : int { kRead, kReadFirst, kWrite, kMove, kDelete, kExists, kList, kFlush, kAnyOperation };

    // Adds a folder and any missing parent folders (the drive root included).
    void AddFolder(const std::string& path) { MakeFolder(Normalize(path)); }
    // Adds or overwrites a file; missing parent folders are added.
    void AddFile(const std::string& path, const std::string& content) {
        AddFile(path, std::vector<unsigned char>(content.begin(), content.end()));
    }
    void AddFile(const std::string& path, const std::vector<unsigned char>& content) {
        std::string norm = Normalize(path);
        if (norm.empty() || IsRoot(norm)) return;
        if (!MakeFolder(ParentOf(norm))) return;
        std::string key = Fold(norm);
        auto found = nodes_.find(key);
        if (found != nodes_.end()) {
            if (found->second.folder) return;
            found->second.data = content;
            found->second.lastWrite = ++clock_;
            found->second.durable = true;
            return;
        }
        Link(norm, false, content);
    }
    // Removes a file or a folder with everything in it, without counting an operation.
    void Remove(const std::string& path) {
        std::string norm = Normalize(path);
        if (norm.empty() || !nodes_.count(Fold(norm))) return;
        Unlink(Fold(norm));
    }

    // No new file can be created in `folder` (as in a read-only folder); the files in it can still
    // be moved and replaced.
    void SetReadOnlyFolder(const std::string& folder) { readOnly_.push_back(Fold(Normalize(folder))); }

    // The named entries of `folder` are listed first, in this order; the others follow as before.
    void SetListingOrder(const std::string& folder, const std::vector<std::string>& names) {
        auto found = nodes_.find(Fold(Normalize(folder)));
        if (found == nodes_.end() || !found->second.folder) return;
        std::vector<std::string>& children = found->second.children;
        std::vector<std::string> ordered;
        for (const std::string& name : names) {
            std::string key = Fold(Normalize(folder + "\\" + name));
            for (auto it = children.begin(); it != children.end(); ++it) {
                if (*it == key) {
                    ordered.push_back(key);
                    children.erase(it);
                    break;
                }
            }
        }
        ordered.insert(ordered.end(), children.begin(), children.end());
        children.swap(ordered);
    }

    bool HasFile(const std::string& path) const {
        auto found = nodes_.find(Fold(Normalize(path)));
        return found != nodes_.end() && !found->second.folder;
    }
    bool HasFolder(const std::string& path) const {
        auto found = nodes_.find(Fold(Normalize(path)));
        return found != nodes_.end() && found->second.folder;
    }
    // The file's content as text; empty when there is no such file.
    std::string Content(const std::string& path) const {
        auto found = nodes_.find(Fold(Normalize(path)));
        if (found == nodes_.end() || found->second.folder) return std::string();
        return std::string(found->second.data.begin(), found->second.data.end());
    }
    // The file exists and its content would survive a crash (it was added, written flushed, or flushed since).
    bool Durable(const std::string& path) const {
        const Node* file = FindFile(path);
        return file != nullptr && file->durable;
    }
    // Every file's path in key order (the case of each name as it was added).
    std::vector<std::string> Files() const {
        std::vector<std::string> result;
        for (const auto& node : nodes_)
            if (!node.second.folder) result.push_back(node.second.path);
        return result;
    }

    // Calls made so far, of one kind or (kAnyOperation) of all kinds together.
    long OperationCount(Operation kind) const { return counts_[kind]; }
    // The n-th call (counted from the first call ever made) of `kind`, or overall, fails.
    void FailOperation(Operation kind, long n) { rules_.push_back(Rule{kind, n, false}); }
    // The n-th call and every later one of `kind` (or overall) fail.
    void FailOperationsFrom(Operation kind, long n) { rules_.push_back(Rule{kind, n, true}); }
    void ClearFailures() { rules_.clear(); }
    // One line per call: the kind's name, the path(s), and " FAILED" when it failed.
    const std::vector<std::string>& journal() const { return journal_; }

    bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& out) override {
        if (!Begin(kRead, "read " + path)) return false;
        const Node* file = FindFile(path);
        if (file == nullptr) return Failed();
        out = file->data;
        return true;
    }
    int ReadFirstBytes(const std::string& path, unsigned char* buffer, int count) override {
        if (!Begin(kReadFirst, "readFirst " + path)) return -1;
        const Node* file = FindFile(path);
        if (file == nullptr) {
            Failed();
            return -1;
        }
        if (count <= 0) return 0;
        if (buffer == nullptr) {
            Failed();
            return -1;
        }
        std::size_t n = file->data.size() < static_cast<std::size_t>(count) ? file->data.size()
                                                                            : static_cast<std::size_t>(count);
        for (std::size_t i = 0; i < n; ++i) buffer[i] = file->data[i];
        return static_cast<int>(n);
    }
    bool WriteNewFile(const std::string& path, const void* data, std::size_t size,
                      WriteFailure* failure = nullptr) override {
        return Write(path, data, size, failure, true);
    }
    bool WriteNewFileUnflushed(const std::string& path, const void* data, std::size_t size,
                               WriteFailure* failure) override {
        return Write(path, data, size, failure, false);
    }
    bool MoveFileUnflushed(const std::string& from, const std::string& to, bool replaceExisting) override {
        return MoveFile(from, to, replaceExisting);
    }
    bool FlushFiles(const std::vector<std::string>& paths) override {
        if (!Begin(kFlush, "flush files " + Joined(paths))) return false;
        for (const std::string& path : paths)
            if (FindFile(path) == nullptr) return Failed();
        for (const std::string& path : paths) nodes_[Fold(Normalize(path))].durable = true;
        return true;
    }
    bool FlushFolders(const std::vector<std::string>& paths) override {
        return Begin(kFlush, "flush folders " + Joined(paths));
    }
    bool Write(const std::string& path, const void* data, std::size_t size, WriteFailure* failure, bool flush) {
        // An injected failure stands for a disk that fails once the file exists (a full disk).
        if (!Begin(kWrite, "write " + path)) {
            if (failure) *failure = WriteFailure{false, "injected failure"};
            return false;
        }
        std::string norm = Normalize(path);
        const bool readOnly = std::find(readOnly_.begin(), readOnly_.end(), Fold(ParentOf(norm))) != readOnly_.end();
        if (norm.empty() || IsRoot(norm) || nodes_.count(Fold(norm)) || !IsFolder(ParentOf(norm)) || readOnly ||
            (data == nullptr && size > 0)) {
            if (failure) *failure = WriteFailure{true, readOnly ? "access denied" : "cannot create"};
            return Failed();
        }
        const unsigned char* bytes = static_cast<const unsigned char*>(data);
        Link(norm, false, std::vector<unsigned char>(bytes, bytes + size));
        nodes_[Fold(norm)].durable = flush;
        return true;
    }
    bool MoveFile(const std::string& from, const std::string& to, bool replaceExisting) override {
        if (!Begin(kMove, "move " + from + " -> " + to + (replaceExisting ? " (replace)" : ""))) return false;
        std::string source = Normalize(from), target = Normalize(to);
        const Node* file = FindFile(from);
        if (file == nullptr || target.empty() || IsRoot(target) || !IsFolder(ParentOf(target))) return Failed();
        std::string sourceKey = Fold(source), targetKey = Fold(target);
        std::vector<unsigned char> data = file->data;
        const std::uint64_t id = file->id, lastWrite = file->lastWrite;
        const bool durable = file->durable;
        if (sourceKey == targetKey) {
            nodes_[sourceKey].name = NameOf(target);
            nodes_[sourceKey].path = target;
            return true;
        }
        auto existing = nodes_.find(targetKey);
        if (existing != nodes_.end()) {
            if (existing->second.folder || !replaceExisting) return Failed();
            Unlink(targetKey);
        }
        Unlink(sourceKey);
        Link(target, false, data);
        nodes_[targetKey].id = id;  // a move keeps the file what it is
        nodes_[targetKey].lastWrite = lastWrite;
        nodes_[targetKey].durable = durable;
        return true;
    }
    bool DeleteFile(const std::string& path) override {
        if (!Begin(kDelete, "delete " + path)) return false;
        if (FindFile(path) == nullptr) return Failed();
        Unlink(Fold(Normalize(path)));
        return true;
    }
    bool FileExists(const std::string& path) override {
        if (!Begin(kExists, "exists " + path)) return false;
        return nodes_.count(Fold(Normalize(path))) != 0;
    }
    bool GetFileInfo(const std::string& path, FileInfo& info) override {
        auto found = nodes_.find(Fold(Normalize(path)));
        if (found == nodes_.end()) return false;
        info.identity = FileIdentity{1, found->second.id};
        info.size = static_cast<std::int64_t>(found->second.data.size());
        info.lastWrite = static_cast<std::int64_t>(found->second.lastWrite);
        info.isDirectory = found->second.folder;
        return true;
    }
    bool ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit) override {
        if (!Begin(kList, "list " + folder)) return false;
        auto found = nodes_.find(Fold(Normalize(folder)));
        if (found == nodes_.end() || !found->second.folder) return Failed();
        std::vector<std::string> children = found->second.children;  // the visitor may change the tree
        for (const std::string& key : children) {
            auto child = nodes_.find(key);
            if (child == nodes_.end()) continue;
            FolderEntry entry;
            entry.name = child->second.name;
            entry.isDirectory = child->second.folder;
            if (!visit(entry)) break;
        }
        return true;
    }

private:
    struct Node {
        std::string name;
        bool folder = false;
        std::vector<unsigned char> data;
        std::vector<std::string> children;  // keys, in listing order
        std::string path;                   // normalised, as added
        std::uint64_t id = 0;
        std::uint64_t lastWrite = 0;
        bool durable = true;
    };
    struct Rule {
        Operation kind;
        long n;
        bool onwards;
    };

    static std::string Fold(const std::string& s) {
        std::string r = s;
        for (char& c : r)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return r;
    }
    // "X:" for a drive root, else "X:\a\b" with "." and ".." resolved; "" when not a drive path.
    static std::string Normalize(const std::string& path) {
        if (path.size() < 2 || path[1] != ':') return std::string();
        char drive = path[0];
        if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z'))) return std::string();
        std::vector<std::string> segments;
        std::string segment;
        for (std::size_t i = 2; i <= path.size(); ++i) {
            char c = i < path.size() ? path[i] : '\\';
            if (c == '\\' || c == '/') {
                if (segment == "..") {
                    if (!segments.empty()) segments.pop_back();
                } else if (!segment.empty() && segment != ".") {
                    segments.push_back(segment);
                }
                segment.clear();
            } else {
                segment += c;
            }
        }
        std::string result(1, static_cast<char>(drive >= 'a' ? drive - 'a' + 'A' : drive));
        result += ':';
        for (const std::string& s : segments) result += "\\" + s;
        return result;
    }
    static bool IsRoot(const std::string& norm) { return norm.size() == 2; }
    static std::string ParentOf(const std::string& norm) {
        std::size_t slash = norm.find_last_of('\\');
        return slash == std::string::npos ? std::string() : norm.substr(0, slash);
    }
    static std::string NameOf(const std::string& norm) {
        std::size_t slash = norm.find_last_of('\\');
        return slash == std::string::npos ? norm : norm.substr(slash + 1);
    }

    static std::string Joined(const std::vector<std::string>& paths) {
        std::string all;
        for (const std::string& path : paths) all += (all.empty() ? "" : ", ") + path;
        return all;
    }
    bool IsFolder(const std::string& norm) const {
        auto found = nodes_.find(Fold(norm));
        return found != nodes_.end() && found->second.folder;
    }
    const Node* FindFile(const std::string& path) const {
        auto found = nodes_.find(Fold(Normalize(path)));
        return found == nodes_.end() || found->second.folder ? nullptr : &found->second;
    }
    bool MakeFolder(const std::string& norm) {
        if (norm.empty()) return false;
        auto found = nodes_.find(Fold(norm));
        if (found != nodes_.end()) return found->second.folder;
        if (!IsRoot(norm) && !MakeFolder(ParentOf(norm))) return false;
        Link(norm, true, {});
        return true;
    }
    void Link(const std::string& norm, bool folder, const std::vector<unsigned char>& data) {
        std::string key = Fold(norm);
        Node& node = nodes_[key];
        node.name = NameOf(norm);
        node.folder = folder;
        node.data = data;
        node.path = norm;
        node.id = ++clock_;
        node.lastWrite = clock_;
        if (!IsRoot(norm)) nodes_[Fold(ParentOf(norm))].children.push_back(key);
    }
    void Unlink(const std::string& key) {
        auto found = nodes_.find(key);
        if (found == nodes_.end()) return;
        std::vector<std::string> children = found->second.children;
        for (const std::string& child : children) Unlink(child);
        std::string norm = found->second.path;
        nodes_.erase(found);
        if (IsRoot(norm)) return;
        auto parent = nodes_.find(Fold(ParentOf(norm)));
        if (parent == nodes_.end()) return;
        std::vector<std::string>& siblings = parent->second.children;
        for (auto it = siblings.begin(); it != siblings.end(); ++it) {
            if (*it == key) {
                siblings.erase(it);
                break;
            }
        }
    }

    // Counts the call and tells whether it may go on (false: an injected failure).
    bool Begin(Operation kind, const std::string& what) {
        long kindCount = ++counts_[kind];
        long overall = ++counts_[kAnyOperation];
        bool fail = false;
        for (const Rule& rule : rules_) {
            long n = rule.kind == kAnyOperation ? overall : (rule.kind == kind ? kindCount : -1);
            if (n < 0) continue;
            if (rule.onwards ? n >= rule.n : n == rule.n) fail = true;
        }
        journal_.push_back(what);
        if (fail) journal_.back() += " FAILED";
        return !fail;
    }
    // Marks the last journal line as failed; returns false for the caller to pass on.
    bool Failed() {
        if (!journal_.empty()) journal_.back() += " FAILED";
        return false;
    }

    std::map<std::string, Node> nodes_;
    long counts_[kAnyOperation + 1] = {};
    std::uint64_t clock_ = 0;  // hands out identities and last-write times
    std::vector<std::string> readOnly_;
    std::vector<Rule> rules_;
    std::vector<std::string> journal_;
};

}  // namespace corvane
