// The queued changes of a search and the per-file encodings.
#include "engine/link_table.h"

#include <utility>

namespace corvane {

LinkTable::LinkTable(std::int32_t capacity)
    : capacity_(capacity > 0 && capacity < kCapacity ? capacity : kCapacity),
      fileEncoding_(static_cast<std::size_t>(kFileCapacity), kEncoding8Bit) {}

LinkRecord& LinkTable::Pending() {
    if (records_.size() <= static_cast<std::size_t>(linkCount_)) records_.resize(static_cast<std::size_t>(linkCount_) + 1);
    return records_[static_cast<std::size_t>(linkCount_)];
}

bool LinkTable::Commit() {
    LinkRecord& r = Pending();
    if (linkCount_ >= capacity_) {
        // The table is full: the record is dropped rather than the table growing without bound.
        overflowed_ = true;
        r.linkUrl.clear();
        r.linkReplacement.clear();
        return false;
    }
    r.linkListRow = -1;
    ++linkCount_;
    return true;
}

void LinkTable::DiscardPending() {
    LinkRecord& r = Pending();
    std::string().swap(r.linkUrl);
    std::string().swap(r.linkReplacement);
}

bool LinkTable::AddSecondPassLink(std::int32_t record) {
    if (secondPassLinks_.size() >= static_cast<std::size_t>(capacity_)) {
        overflowed_ = true;
        return false;
    }
    secondPassLinks_.push_back(record);
    return true;
}

void LinkTable::SwapRecords(std::int32_t a, std::int32_t b) {
    if (a == b) return;
    LinkRecord& x = (*this)[a];
    LinkRecord& y = (*this)[b];
    std::int32_t rowA = x.linkListRow, rowB = y.linkListRow;
    std::swap(x, y);
    x.linkListRow = rowA;
    y.linkListRow = rowB;
}

void LinkTable::ClearLinkTable() {
    records_.clear();
    records_.shrink_to_fit();
    linkCount_ = 0;
    overflowed_ = false;
    secondPassLinks_.clear();
}

int UnwrapReplacement(const std::string& stored, std::string* out, bool keepMarker) {
    const std::size_t n = stored.size();
    auto put = [&](const std::string& s) {
        if (out) *out = s;
    };
    if (n >= 2 && stored.front() == '"' && stored.back() == '"') {
        put(stored.substr(1, n - 2));
        return 1;
    }
    const bool marker = n >= 3 && (stored.compare(0, 3, "|||") == 0 || stored.compare(0, 3, ":::") == 0);
    if (!marker) {
        put(stored);
        return 0;
    }
    if (n >= 5 && stored[3] == '"' && stored.back() == '"') {
        put((keepMarker ? stored.substr(0, 3) : std::string()) + stored.substr(4, n - 5));
        return 1;
    }
    put(keepMarker ? stored : stored.substr(3));
    return 0;
}

}  // namespace corvane
