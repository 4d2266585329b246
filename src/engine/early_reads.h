// What the Unicode pass found in the pages it read whole: their "saved from url" comments, so that the
// saved-from pass need not open every page again (under some systems each opening is a round trip).
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "engine/scan_record.h"

namespace corvane {

class EarlyReads {
public:
    struct SavedFrom {
        bool read = false;  // false: the pass skips the page (unreadable or empty)
        std::size_t size = 0;
        ScanRecord record;  // the search's polls and its result
    };

    void NoteSavedFrom(std::int32_t row, SavedFrom&& note) { savedFrom_[row] = std::move(note); }
    // The findings for the page of `row`; nullptr when the page was not searched ahead.
    const SavedFrom* SavedFromOf(std::int32_t row) const {
        auto it = savedFrom_.find(row);
        return it == savedFrom_.end() ? nullptr : &it->second;
    }
    // Every page was searched for its "saved from url" comment.
    bool savedFromComplete = false;

private:
    std::unordered_map<std::int32_t, SavedFrom> savedFrom_;
};

}  // namespace corvane
