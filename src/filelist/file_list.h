// The site's files: rows of full paths with the mark that tells whether a link points to them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/file_system.h"

namespace corvane {

class FileList {
public:
    static constexpr std::size_t kMaxPath = 260;

    std::int32_t size() const { return static_cast<std::int32_t>(rows_.size()); }
    const std::string& path(std::int32_t row) const { return rows_[static_cast<std::size_t>(row)].path; }
    bool referenced(std::int32_t row) const { return rows_[static_cast<std::size_t>(row)].referenced; }
    // A row outside the list is passed over.
    void SetReferenced(std::int32_t row, bool mark = true);

    // `identity`, when known, is the file the path reaches (all zero: not known).
    void Append(const std::string& path, const FileIdentity& identity = FileIdentity());
    // A row beyond the ends inserts at the nearer end.
    void Insert(std::int32_t row, const std::string& path, const FileIdentity& identity = FileIdentity());
    // A row outside the list is passed over.
    void Remove(std::int32_t row);
    void Clear();

    // First of the first rowsToSearch rows whose text equals `path` ignoring case, after
    // "." and ".." segments of `path` are resolved (stored rows are compared as they stand); -1 when none.
    // A path longer than kMaxPath never matches.
    std::int32_t FindFileRow(const std::string& path, std::int32_t rowsToSearch) const;

    // Whether some row was added with this identity: the file is listed, under whatever name.
    bool HoldsFile(const FileIdentity& identity) const;

    // Whether `path` (resolved as FindFileRow resolves it, with or without its closing separator)
    // is a folder that holds some row, directly or deeper down.
    bool HoldsRows(const std::string& path) const;

    // Rows whose file name (the text after the last '\' or '/') equals `name` ignoring case,
    // in ascending order. Valid until the list changes.
    const std::vector<std::int32_t>& RowsNamed(const std::string& name) const;

private:
    struct Row {
        std::string path;
        std::string key;  // path with letters folded as the file system compares them
        bool referenced = false;
        FileIdentity identity;
    };
    void Invalidate(std::int32_t fromRow);

    std::vector<Row> rows_;
    std::map<FileIdentity, std::int32_t> identities_;  // rows added with each known identity
    // Lowest row of each key among rows [0, indexed_); grown on demand by lookups. Every URL of a
    // site is looked up here: open addressing over small slots stays in the cache, where a node per
    // key and a division per step did not.
    struct IndexSlot {
        std::uint32_t tag = 0;   // the low bits of the key's hash
        std::int32_t row = -1;   // kFreeSlot, kErasedSlot or the row
        std::uint32_t keyAt = 0;  // the key's copy in indexKeys_, compared without touching the row
        std::uint32_t keyLength = 0;
    };
    static constexpr std::int32_t kFreeSlot = -1;
    static constexpr std::int32_t kErasedSlot = -2;
    std::size_t IndexSlotOf(const std::string& key, std::size_t hash) const;  // the slot holding key, or npos
    void IndexAdd(std::int32_t row) const;  // unless its key is indexed already
    mutable std::vector<IndexSlot> index_;  // a power of two in size, at most three quarters taken
    mutable std::string indexKeys_;
    mutable std::size_t indexTaken_ = 0;    // rows and erased slots
    mutable std::int32_t indexed_ = 0;
    // Rows by case-folded file name; rebuilt whole on the first lookup after a change.
    mutable std::unordered_map<std::string, std::vector<std::int32_t>> names_;
    mutable bool namesValid_ = false;
    // Case-folded folders that hold rows; rebuilt whole on the first lookup after a change.
    mutable std::unordered_set<std::string> folders_;
    mutable bool foldersValid_ = false;
    mutable std::string key_;  // the key looked up, kept for its buffer
    // The paths looked up last and what the index answered for each, before any limit: the pages of one
    // folder ask for the same pictures, style sheets and neighbours, as written. Valid while the rows
    // stay as they are and as far indexed.
    struct Asked {
        std::string path;
        std::int32_t row = -1;          // the lowest row of the key, -1 when none
        std::int32_t indexed = -1;      // indexed_ when answered
        std::uint64_t generation = 0;   // rowsChanged_ when answered; 0: free
    };
    static constexpr std::size_t kAskedSlots = 1024;
    mutable std::vector<Asked> asked_;
    std::uint64_t rowsChanged_ = 1;  // counts the changes of the rows
    std::int32_t LookUp(const std::string& path) const;
};

// Resolves "." and ".." segments after a '\' or '/' as the row lookup does; false when a ".."
// has no segment before it to remove (out then holds no result).
bool ResolveDotSegments(const std::string& path, std::string* out);

}  // namespace corvane
