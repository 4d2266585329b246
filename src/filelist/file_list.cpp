// The file list's rows and the row lookup by path, kept fast by an index that grows with the lookups.
#include "filelist/file_list.h"

#include <cstring>
#include <functional>
#include <utility>

#include "platform/utf8.h"

namespace corvane {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A name that is no UTF-8 (possible outside Windows) is keyed as the Windows-1252 name it would be,
// so that links read in that code page find it as well as links that spell its bytes.
void FoldKeyInPlace(std::string& key) {
    // Eight ASCII characters at a time: every URL's path is folded to be looked up.
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    std::size_t i = 0;
    char* const d = &key[0];
    for (; i + 8 <= key.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, d + i, 8);
        if (w & kHigh) break;
        const std::uint64_t atLeastA = w + (0x80 - 'a') * kOnes;
        const std::uint64_t aboveZ = w + (0x80 - 'z' - 1) * kOnes;
        w ^= ((atLeastA & ~aboveZ) & kHigh) >> 2;  // clears 0x20 of each lower-case letter
        std::memcpy(d + i, &w, 8);
    }
    for (; i < key.size(); ++i) {
        const auto c = static_cast<unsigned char>(d[i]);
        if (c >= 0x80) {
            key = FoldUtf8(IsValidUtf8(key) ? key : Windows1252ToUtf8(key));
            return;
        }
        if (c >= 'a' && c <= 'z') d[i] = static_cast<char>(c - 32);  // as FoldUtf8 folds ASCII
    }
}

std::string FoldKey(const std::string& path) {
    std::string key(path);
    FoldKeyInPlace(key);
    return key;
}

}  // namespace

bool ResolveDotSegments(const std::string& in, std::string* out) {
    const std::size_t n = in.size();
    const char* const base = in.data();
    // Text is copied as it stands up to each separator followed by a '.', where "." and ".." segments
    // are resolved: o holds the text already settled, in[k..] what follows it. A ".." drops the
    // segment before it with its separator; the separator after the ".." is looked at again.
    // Written into out when it can be, whose buffer is then used again.
    std::string local;
    std::string& o = out != nullptr && out != &in ? *out : local;
    o.clear();
    std::size_t k = 0;
    for (;;) {
        std::size_t s = n;
        for (const char* d = base + k; (d = static_cast<const char*>(std::memchr(d, '.', n - static_cast<std::size_t>(d - base))));
             ++d) {
            const auto dot = static_cast<std::size_t>(d - base);
            if (dot > k && IsSeparator(base[dot - 1])) {
                s = dot - 1;
                break;
            }
        }
        o.append(base + k, s - k);
        if (s == n) break;
        char c = base[s];
        k = s + 1;
        while (IsSeparator(c)) {
            if (k < n && in[k] == '.' && (k + 1 == n || IsSeparator(in[k + 1]))) {
                k += k + 1 == n ? 1 : 2;  // "a\.\b" is "a\b"; a trailing "a\." is "a\"
                continue;
            }
            if (!(k + 1 < n && in[k] == '.' && in[k + 1] == '.' && (k + 2 == n || IsSeparator(in[k + 2])))) break;
            std::size_t prev = o.size();
            while (prev > 0 && !IsSeparator(o[prev - 1])) --prev;
            if (prev == 0) return false;  // nothing before the ".." to remove
            const char before = o[prev - 1];
            o.resize(prev - 1);
            if (k + 2 == n) {
                c = before;  // a trailing ".." leaves the folder with its separator
                k = n;
                break;
            }
            c = in[k + 2];
            k += 3;
        }
        o.push_back(c);
    }
    if (out != nullptr && &o != out) *out = std::move(o);
    return true;
}

namespace {
bool Known(const FileIdentity& identity) { return !(identity == FileIdentity()); }
}  // namespace

void FileList::Append(const std::string& path, const FileIdentity& identity) { Insert(size(), path, identity); }

void FileList::Insert(std::int32_t row, const std::string& path, const FileIdentity& identity) {
    if (row < 0) row = 0;
    if (row > size()) row = size();
    Invalidate(row);
    Row r;
    r.path = path;
    r.key = FoldKey(path);
    r.identity = identity;
    if (Known(identity)) ++identities_[identity];
    rows_.insert(rows_.begin() + row, std::move(r));
}

void FileList::Remove(std::int32_t row) {
    if (row < 0 || row >= size()) return;
    Invalidate(row);
    const FileIdentity& identity = rows_[static_cast<std::size_t>(row)].identity;
    if (Known(identity) && --identities_[identity] == 0) identities_.erase(identity);
    rows_.erase(rows_.begin() + row);
}

void FileList::Clear() {
    rows_.clear();
    identities_.clear();
    index_.clear();
    indexKeys_.clear();
    indexTaken_ = 0;
    indexed_ = 0;
    names_.clear();
    namesValid_ = false;
    folders_.clear();
    foldersValid_ = false;
    std::vector<Asked>().swap(asked_);
    ++rowsChanged_;
}

void FileList::SetReferenced(std::int32_t row, bool mark) {
    if (row < 0 || row >= size()) return;
    rows_[static_cast<std::size_t>(row)].referenced = mark;
}

// Rows from fromRow on are about to move: forget every entry that names one of them. Walking
// only those rows keeps a run of removals from the bottom up linear in all.
void FileList::Invalidate(std::int32_t fromRow) {
    namesValid_ = false;
    foldersValid_ = false;
    ++rowsChanged_;
    if (fromRow >= indexed_) return;
    for (std::int32_t r = fromRow; r < indexed_; ++r) {
        const std::string& key = rows_[static_cast<std::size_t>(r)].key;
        const std::size_t slot = IndexSlotOf(key, std::hash<std::string>()(key));
        if (slot != std::string::npos && index_[slot].row >= fromRow) index_[slot].row = kErasedSlot;
    }
    indexed_ = fromRow;
}

namespace {
std::size_t FirstSlot(std::size_t hash, std::size_t slots) {
    return static_cast<std::size_t>((static_cast<std::uint64_t>(hash) * 0x9E3779B97F4A7C15ull) >> 32) & (slots - 1);
}
}  // namespace

std::size_t FileList::IndexSlotOf(const std::string& key, std::size_t hash) const {
    if (index_.empty()) return std::string::npos;
    const std::size_t mask = index_.size() - 1;
    const auto tag = static_cast<std::uint32_t>(hash);
    for (std::size_t i = FirstSlot(hash, index_.size());; i = (i + 1) & mask) {
        const IndexSlot& slot = index_[i];
        if (slot.row == kFreeSlot) return std::string::npos;
        if (slot.row >= 0 && slot.tag == tag && slot.keyLength == key.size() &&
            std::memcmp(indexKeys_.data() + slot.keyAt, key.data(), key.size()) == 0)
            return i;
    }
}

void FileList::IndexAdd(std::int32_t row) const {
    const std::string& key = rows_[static_cast<std::size_t>(row)].key;
    const std::size_t hash = std::hash<std::string>()(key);
    if (IndexSlotOf(key, hash) != std::string::npos) return;
    if ((indexTaken_ + 1) * 4 > index_.size() * 3) {
        // Rebuilt from the rows it holds, without the erased slots and their keys, at most half full.
        std::vector<IndexSlot> old;
        old.swap(index_);
        std::string oldKeys;
        oldKeys.swap(indexKeys_);
        std::size_t live = 1;
        for (const IndexSlot& slot : old) live += slot.row >= 0 ? 1 : 0;
        std::size_t size = 16;
        while (size < live * 2) size *= 2;
        index_.assign(size, IndexSlot());
        indexTaken_ = 0;
        for (const IndexSlot& slot : old) {
            if (slot.row < 0) continue;
            std::size_t i = FirstSlot(std::hash<std::string>()(rows_[static_cast<std::size_t>(slot.row)].key), size);
            while (index_[i].row != kFreeSlot) i = (i + 1) & (size - 1);
            index_[i] = IndexSlot{slot.tag, slot.row, static_cast<std::uint32_t>(indexKeys_.size()), slot.keyLength};
            indexKeys_.append(oldKeys, slot.keyAt, slot.keyLength);
            ++indexTaken_;
        }
    }
    std::size_t i = FirstSlot(hash, index_.size());
    while (index_[i].row >= 0) i = (i + 1) & (index_.size() - 1);
    if (index_[i].row == kFreeSlot) ++indexTaken_;
    index_[i] = IndexSlot{static_cast<std::uint32_t>(hash), row, static_cast<std::uint32_t>(indexKeys_.size()),
                          static_cast<std::uint32_t>(key.size())};
    indexKeys_ += key;
}

std::int32_t FileList::FindFileRow(const std::string& path, std::int32_t rowsToSearch) const {
    const std::int32_t limit = rowsToSearch < size() ? rowsToSearch : size();
    if (limit <= 0) return -1;
    // A key keeps its first row, so the index always names the lowest one.
    for (; indexed_ < limit; ++indexed_) IndexAdd(indexed_);
    if (asked_.empty()) asked_.resize(kAskedSlots);
    Asked& a = asked_[std::hash<std::string>()(path) & (kAskedSlots - 1)];
    if (a.generation != rowsChanged_ || a.indexed != indexed_ || a.path != path) {
        a.path = path;
        a.row = LookUp(path);
        a.indexed = indexed_;
        a.generation = rowsChanged_;
    }
    return a.row >= limit ? -1 : a.row;
}

std::int32_t FileList::LookUp(const std::string& path) const {
    if (Utf16LongerThan(path, kMaxPath)) return -1;
    std::string& resolved = key_;
    if (!ResolveDotSegments(path, &resolved)) return -1;
    FoldKeyInPlace(resolved);
    const std::size_t slot = IndexSlotOf(resolved, std::hash<std::string>()(resolved));
    return slot == std::string::npos ? -1 : index_[slot].row;
}

}  // namespace corvane

namespace corvane {

const std::vector<std::int32_t>& FileList::RowsNamed(const std::string& name) const {
    static const std::vector<std::int32_t> none;
    auto nameOf = [](const std::string& key) {
        const std::size_t sep = key.find_last_of("\\/");
        return sep == std::string::npos ? key : key.substr(sep + 1);
    };
    if (!namesValid_) {
        names_.clear();
        for (std::size_t r = 0; r < rows_.size(); ++r)
            names_[nameOf(rows_[r].key)].push_back(static_cast<std::int32_t>(r));
        namesValid_ = true;
    }
    key_ = name;
    FoldKeyInPlace(key_);
    const auto it = names_.find(key_);
    return it == names_.end() ? none : it->second;
}

bool FileList::HoldsFile(const FileIdentity& identity) const {
    return Known(identity) && identities_.count(identity) != 0;
}

bool FileList::HoldsRows(const std::string& path) const {
    if (Utf16LongerThan(path, kMaxPath)) return false;
    std::string& folder = key_;
    if (!ResolveDotSegments(path, &folder)) return false;
    if (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
    if (folder.empty()) return false;
    if (!foldersValid_) {
        folders_.clear();
        for (const Row& r : rows_)
            for (std::size_t sep = r.key.find_first_of("\\/"); sep != std::string::npos;
                 sep = r.key.find_first_of("\\/", sep + 1))
                if (sep > 0) folders_.insert(r.key.substr(0, sep));
        foldersValid_ = true;
    }
    FoldKeyInPlace(folder);
    return folders_.count(folder) != 0;
}

}  // namespace corvane
