// What every record that a scan of one file added must satisfy, whatever the file held.
#pragma once

#include <cstdint>
#include <string>

#include "engine/link_table.h"
#include "engine/text_search.h"

namespace corvane {
namespace testing_support {

// Checks records first..linkCount-1 against the text they were found in (the whole buffer, as
// given to the scanner). Returns a description of the first fault, or an empty text.
inline std::string CheckScanRecords(const LinkTable& links, std::int32_t first, const Text& t, std::uint32_t file) {
    const std::int32_t w = t.width();
    const std::int64_t size = t.size - t.size % w;  // whole characters only
    for (std::int32_t i = first; i < links.linkCount(); ++i) {
        const LinkRecord& r = links[i];
        const std::string at = "record " + std::to_string(i) + ": ";
        if (r.linkFile != file) return at + "wrong file";
        if (r.linkTagPos != -1 && r.linkTagPos != -2) {
            if (r.linkTagPos < 0 || r.linkTagPos >= size || r.linkTagPos % w != 0)
                return at + "tag position " + std::to_string(r.linkTagPos) + " outside the text or between characters";
            if (CharAt(t, r.linkTagPos) != '<') return at + "tag position not at a '<'";
        }
        if (r.linkValuePos < 0 || r.linkValuePos % w != 0)
            return at + "value position " + std::to_string(r.linkValuePos) + " negative or between characters";
        if (r.linkValuePos + static_cast<std::int64_t>(r.linkValueLen) * w > size)
            return at + "value span runs past the end of the text";
        // A NUL, '<' or '>' ends a value wherever it stands, even before a quoted value's closing
        // quote; the rewriter passes over such a span when its delimiters do not fit.
        const std::int64_t end = r.linkValuePos + static_cast<std::int64_t>(r.linkValueLen) * w;
        const unsigned char next = end < size ? CharAt(t, static_cast<std::int32_t>(end)) : 1;
        const bool cutShort = next == 0 || next == '<' || next == '>';
        if (r.linkQuoteLen > 2 || (2 * r.linkQuoteLen > r.linkValueLen && !cutShort))
            return at + "delimiters longer than the span";
        if (r.linkUrl.size() > static_cast<std::size_t>(kMaxValueChars)) return at + "URL longer than a work buffer";
        if (r.linkReplacement.compare(0, 3, ":::") == 0) {
            const bool adds = r.linkValuePos == r.linkTagPos;
            if (adds && (r.linkValueLen != 0 || r.linkQuoteLen != 0)) return at + "an added target with a span";
            if (!adds && r.linkValueLen == 0) return at + "a changed target without a span";
        } else if (r.linkValueLen == 0) {
            return at + "a URL record without a span";
        }
    }
    return std::string();
}

}  // namespace testing_support
}  // namespace corvane
