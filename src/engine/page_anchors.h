// The anchors of the site's pages (`id` on any element, `name` on `a`), kept compact: one pool of
// names and, per page, a sorted run of offsets into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/text_search.h"

namespace corvane {

// Appends to `out` the anchors of a page's text (UTF-16 already little-endian) in the order they
// stand, as UTF-8 with character references decoded. Comments, scripts and style blocks hold none.
void ReadAnchors(const Text& text, std::vector<std::string>& out);

// Character references of an attribute value decoded: numeric ones and the named ones URLs may hold.
std::string DecodeCharacterReferences(const std::string& in);

class PageAnchors {
public:
    // Remembers the anchors of the page at `row` (read once; a second read of the row is ignored).
    void CollectAnchors(std::uint32_t row, const Text& text);
    bool Collected(std::uint32_t row) const;
    bool HasAnchor(std::uint32_t row, std::string_view name) const;
    // The anchors of a page, sorted (duplicates kept once).
    std::vector<std::string_view> AnchorsOf(std::uint32_t row) const;
    // The one page other than `except` that holds `name`; -1 when none or several do.
    std::int32_t OnlyOtherPageWith(std::string_view name, std::uint32_t except);
    // Bytes held by the pool and the indexes (the lookup of other pages included once built).
    std::size_t MemoryBytes() const;

private:
    struct Run {
        std::uint32_t first = 0;
        std::uint32_t count = 0;
        bool collected = false;
    };
    std::string_view NameAt(std::uint32_t index) const;

    std::string pool_;                 // names, each ended by a NUL
    std::vector<std::uint32_t> names_;  // offsets into pool_, each page's run sorted by name
    std::vector<Run> pages_;           // by row
    struct Holders {
        std::uint32_t row;
        std::uint32_t pages;
    };
    std::unordered_map<std::string_view, Holders> holders_;  // built on first use, once all pages are read
    bool holdersBuilt_ = false;
};

}  // namespace corvane
