// What the Unicode pass found in the files it read whole: their "saved from url" comments, so that the
// saved-from pass need not open every page again, and the files themselves up to a budget, so that the
// broken-links pass need not open them again either (under some systems each opening is a round trip).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace corvane {

class EarlyReads {
public:
    EarlyReads(std::int32_t rows, std::size_t keepBytes)
        : kept_(rows > 0 && keepBytes > 0 ? static_cast<std::size_t>(rows) : 0), room_(keepBytes), full_(keepBytes == 0) {}

    // Keeps the file of `row` (its bytes moved out of `bytes`) while it fits in what is left of the budget.
    // Once one does not fit none after it is kept: memory stays bounded, and a site larger than the
    // budget is read again from there on. Called in the order of the rows, before any Take or Copy.
    bool Keep(std::int32_t row, std::vector<unsigned char>& bytes, const FileInfo& info, std::uint64_t hash) {
        if (full_.load(std::memory_order_relaxed) || row < 0 || static_cast<std::size_t>(row) >= kept_.size())
            return false;
        // What the buffer holds, not what it uses: a reused buffer may be larger than its file.
        if (bytes.capacity() > room_) {
            full_.store(true, std::memory_order_relaxed);
            return false;
        }
        room_ -= bytes.capacity();
        auto file = std::make_unique<Kept>();
        file->bytes.swap(bytes);
        file->info = info;
        file->hash = hash;
        kept_[static_cast<std::size_t>(row)] = std::move(file);
        return true;
    }
    // No more files are kept: the Unicode pass may read the rest for their first bytes only.
    bool full() const { return full_.load(std::memory_order_relaxed); }
    // The file kept for `row`, moved out (and let go) by Take, copied by Copy; false when none is. Rows
    // are distinct between threads, so several may call these at once.
    bool Take(std::int32_t row, std::vector<unsigned char>& bytes, FileInfo& info, std::uint64_t& hash) {
        if (!Copy(row, nullptr, info, hash)) return false;
        std::unique_ptr<Kept>& kept = kept_[static_cast<std::size_t>(row)];
        bytes.swap(kept->bytes);
        kept.reset();
        return true;
    }
    bool Copy(std::int32_t row, std::vector<unsigned char>* bytes, FileInfo& info, std::uint64_t& hash) const {
        if (row < 0 || static_cast<std::size_t>(row) >= kept_.size() || !kept_[static_cast<std::size_t>(row)])
            return false;
        const Kept& kept = *kept_[static_cast<std::size_t>(row)];
        if (bytes != nullptr) bytes->assign(kept.bytes.begin(), kept.bytes.end());
        info = kept.info;
        hash = kept.hash;
        return true;
    }

    struct SavedFrom {
        bool read = false;  // false: the pass skips the page (unreadable or empty)
        std::int8_t found = 0;
        std::int32_t polls = 0;  // made by the search before its result
        std::size_t size = 0;
        std::string value;  // the comment's value as found
    };

    // A site's worth of pages is noted at once: a few bytes per row, the texts only of values found.
    void NoteSavedFrom(std::int32_t row, const SavedFrom& note) {
        if (row < 0) return;
        if (static_cast<std::size_t>(row) >= notes_.size()) notes_.resize(static_cast<std::size_t>(row) + 1);
        Note& n = notes_[static_cast<std::size_t>(row)];
        n.noted = true;
        n.read = note.read;
        n.found = note.found;
        n.polls = note.polls;
        n.size = static_cast<std::uint32_t>(note.size);
        if (!note.value.empty()) {
            n.value = static_cast<std::int32_t>(values_.size());
            values_.push_back(note.value);
        }
    }
    // The findings for the page of `row`; false when the page was not searched ahead.
    bool SavedFromOf(std::int32_t row, SavedFrom* out) const {
        if (row < 0 || static_cast<std::size_t>(row) >= notes_.size() || !notes_[static_cast<std::size_t>(row)].noted)
            return false;
        const Note& n = notes_[static_cast<std::size_t>(row)];
        out->read = n.read;
        out->found = n.found;
        out->polls = n.polls;
        out->size = n.size;
        out->value = n.value >= 0 ? values_[static_cast<std::size_t>(n.value)] : std::string();
        return true;
    }
    // Every page was searched for its "saved from url" comment.
    bool savedFromComplete = false;

private:
    // A file as the Unicode pass read it: big-endian UTF-16 turned round, its hash that of the bytes as read.
    struct Kept {
        std::vector<unsigned char> bytes;
        FileInfo info;
        std::uint64_t hash = 0;
    };

    std::vector<std::unique_ptr<Kept>> kept_;  // by row
    std::size_t room_;
    std::atomic<bool> full_;
    struct Note {
        bool noted = false;
        bool read = false;
        std::int8_t found = 0;
        std::int32_t polls = 0;
        std::uint32_t size = 0;  // a file read whole is below 2 GiB
        std::int32_t value = -1;  // in values_
    };
    std::vector<Note> notes_;
    std::vector<std::string> values_;
};

}  // namespace corvane
