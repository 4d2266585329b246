// The check of #fragments of local links: noted while the pages are scanned, judged once every page's
// anchors are known, and a fragment that misses queued as a REPLACE of its whole URL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/page_anchors.h"
#include "engine/text_search.h"

namespace corvane {

struct EngineContext;

// Why a record changes a link's #fragment (kept in LinkRecord::linkFragmentRepair).
enum FragmentRepair : std::uint8_t {
    kFragmentKept = 0,     // not a fragment repair
    kFragmentCase = 1,     // an anchor of the same page that differs in case, '-', '_', '.', blanks or escapes
    kFragmentMoved = 2,    // the one other page of the site with that anchor
    kFragmentDropped = 3,  // no anchor found: the link keeps pointing at its page
};
// "fragment-case", "fragment-moved", "fragment-dropped"; "" for kFragmentKept.
const char* FragmentRepairName(std::uint8_t repair);

// The text after the '#' of a fragment as it reads in the page: character references decoded.
// Returns false for fragments that are not checked: '#' alone and #top in any letter case.
bool FragmentToCheck(const std::string& afterHash, std::string* name);

class FragmentCheck {
public:
    PageAnchors& anchors() { return anchors_; }

    // Notes the link whose value starts at valuePos and reaches the page at `target` (a working link, or the
    // replacement of a broken one); record: the record already queued for that URL, else -1. Links without a
    // fragment to check, and links to files that are not pages, are passed over.
    void NoteLink(EngineContext& ctx, const Text& text, std::uint32_t file, std::int32_t tagPos, std::int32_t valuePos,
                  const std::string& raw, const std::string& decoded, std::int32_t target, std::int32_t record);

    // Judges every noted link and queues the repairs, in the order the links were found. Returns the number
    // of records added, or -1 when the user stopped or the link table filled up.
    int QueueRepairs(EngineContext& ctx);

    std::size_t notedCount() const { return notes_.size(); }

private:
    struct Note {
        std::uint32_t file;
        std::uint32_t target;
        std::int32_t tagPos;
        std::int32_t valuePos;
        std::uint32_t valueLen;
        std::uint32_t quoteLen;
        std::int32_t record;
        // One allocation per link, as most pages are linked before they are read: the URL as written before
        // its '#', the fragment's name (references decoded, UTF-8) and the decoded URL, each ended by a NUL.
        std::string texts;
    };
    struct Texts {
        std::string base, name, url;
    };
    static Texts Unpack(const Note& n);
    std::uint8_t Repair(const Note& n, const Texts& t, std::string* fragment, std::int32_t* page);

    PageAnchors anchors_;
    std::vector<Note> notes_;
};

}  // namespace corvane
