// What the Unicode pass read whole, kept for the passes after it: the saved-from pass's findings for
// every page, and the files themselves while a byte budget lasts. Each file is then opened once per
// search instead of three times, which is what a search costs where opening a file is slow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "engine/scan_record.h"
#include "platform/file_system.h"

namespace corvane {

class EarlyReads {
public:
    struct File {
        std::vector<unsigned char> bytes;  // UTF-16 big-endian turned round, as the scanners read it
        FileInfo info;
        std::uint64_t hash = 0;  // of the bytes as read
    };
    struct SavedFrom {
        bool read = false;  // false: the pass skips the page (unreadable or empty)
        std::size_t size = 0;
        ScanRecord record;  // the search's polls and its result
    };

    explicit EarlyReads(std::size_t budget) : budget_(budget) {}

    // Keeps the file of `row` while the budget allows; the bytes are dropped otherwise.
    void Keep(std::int32_t row, File&& file);
    // Hands over the file kept for `row` and lets its bytes go from the budget. Any thread may ask.
    bool Take(std::int32_t row, File& out);

    void NoteSavedFrom(std::int32_t row, SavedFrom&& note) { savedFrom_[row] = std::move(note); }
    // The pass's findings for the page of `row`; nullptr when the page was not searched ahead.
    const SavedFrom* SavedFromOf(std::int32_t row) const;
    // Every page was searched for its "saved from url" comment.
    bool savedFromComplete = false;

private:
    std::mutex mutex_;
    std::unordered_map<std::int32_t, File> kept_;
    std::size_t held_ = 0;
    std::size_t budget_;
    std::unordered_map<std::int32_t, SavedFrom> savedFrom_;
};

}  // namespace corvane
