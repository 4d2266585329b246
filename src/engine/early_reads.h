// What the Unicode pass found in the pages it read whole: their "saved from url" comments, so that the
// saved-from pass need not open every page again (under some systems each opening is a round trip).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

class EarlyReads {
public:
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
