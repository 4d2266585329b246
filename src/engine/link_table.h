// The queued changes of a search: one record per URL that needs a change, plus per-file encodings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

enum FileEncoding : std::uint8_t { kEncoding8Bit = 0, kEncodingUtf16LE = 1, kEncodingUtf16BE = 2 };

// What a URL is to its page, where the tag alone does not say how a deletion is written.
enum LinkKind : std::uint8_t {
    kLinkAsTag = 0,        // the tag's rule decides (every attribute the tag table reads)
    kLinkSrcsetCandidate,  // one candidate of a srcset list: removed with its descriptor and comma
    kLinkMedia,            // a media or picture source: emptied
    kLinkPicture,          // a picture (poster, lazy image): the image rule of the deletion step
    kLinkBackground,       // a lazy background: the background rule of the deletion step
    kLinkLink,             // a link to go to (form action, refresh, manifest, svg use): "#"
    kLinkReference,        // cite: a reference, never deleted
    kLinkStyle,            // a style sheet's URL inside a tag or a string: emptied
};

struct LinkRecord {
    std::string linkUrl;          // decoded URL as found, fragment included
    std::string linkReplacement;  // the action, encoded (see UnwrapReplacement)
    std::uint32_t linkFile = 0;   // FileList row of the file that holds the URL
    std::int32_t linkTagPos = 0;  // '<' of the tag; -1 script text; -2 style-sheet url(
    std::int32_t linkValuePos = 0;
    std::uint32_t linkValueLen = 0;  // characters, delimiters included
    std::uint32_t linkQuoteLen = 0;  // delimiter characters at each end: 0, 1 or 2
    std::int32_t linkListRow = -1;   // review-list row, -1 when not shown
    std::uint8_t linkKind = kLinkAsTag;
    std::uint8_t linkFragmentRepair = 0;  // a FragmentRepair when the record repairs a #fragment
};

class LinkTable {
public:
    static constexpr std::int32_t kCapacity = 262144;
    static constexpr std::int32_t kFileCapacity = 131072;

    // At most kCapacity records; a smaller table reaches its limit sooner.
    LinkTable() : LinkTable(kCapacity) {}
    explicit LinkTable(std::int32_t capacity);

    std::int32_t capacity() const { return capacity_; }

    std::int32_t linkCount() const { return linkCount_; }
    LinkRecord& operator[](std::int32_t record) { return records_[static_cast<std::size_t>(record)]; }
    const LinkRecord& operator[](std::int32_t record) const { return records_[static_cast<std::size_t>(record)]; }

    // The slot at index linkCount that a producer fills before it decides to commit.
    LinkRecord& Pending();
    // Makes the pending record part of the table. Refused (false, texts dropped)
    // once the table holds capacity() records; full() then tells so.
    bool Commit();
    // Drops the pending record's texts; linkCount stays.
    void DiscardPending();
    bool full() const { return overflowed_; }

    // Remembers a record whose replacement added a forgotten protocol name.
    bool AddSecondPassLink(std::int32_t record);
    std::int32_t secondPassCount() const { return static_cast<std::int32_t>(secondPassLinks_.size()); }
    const std::vector<std::int32_t>& secondPassLinks() const { return secondPassLinks_; }
    std::vector<std::int32_t>& secondPassLinks() { return secondPassLinks_; }

    // Exchanges every field of two records but linkListRow.
    void SwapRecords(std::int32_t a, std::int32_t b);
    // Frees every committed record and the second-pass list; per-file encodings stay.
    void ClearLinkTable();

    std::uint8_t fileEncoding(std::uint32_t file) const {
        return file < fileEncoding_.size() ? fileEncoding_[file] : static_cast<std::uint8_t>(kEncoding8Bit);
    }
    void setFileEncoding(std::uint32_t file, std::uint8_t enc) {
        if (file < fileEncoding_.size()) fileEncoding_[file] = enc;
    }

private:
    std::vector<LinkRecord> records_;  // committed records, then the pending slot
    std::int32_t capacity_;
    std::int32_t linkCount_ = 0;
    bool overflowed_ = false;
    std::vector<std::int32_t> secondPassLinks_;
    std::vector<std::uint8_t> fileEncoding_;
};

// Decodes a stored replacement: the text without its double quotes (and, unless
// keepMarker, without a "|||" or ":::" marker). Returns 1 when the text was quoted.
int UnwrapReplacement(const std::string& stored, std::string* out, bool keepMarker);

}  // namespace corvane
