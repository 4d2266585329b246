// The URLs of today's pages that the tag table does not read: responsive images, media, objects,
// forms, svg references, refresh, lazy-loading attributes, style attributes; and the page's <base>.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/text_search.h"

namespace corvane {

struct ScriptRegions;

// One attribute of a tag; byte positions. A value's content lies between its delimiters.
struct TagAttribute {
    std::int32_t namePos = 0;
    std::int32_t nameEnd = 0;
    std::int32_t valuePos = -1;    // the value's first character (its quote, if any); -1: no value
    std::int32_t contentPos = -1;  // after the opening quote
    std::int32_t contentEnd = -1;  // at the closing quote (or the value's end)
    std::int32_t valueEnd = -1;    // after the closing quote
    unsigned char quote = 0;       // '"', '\'' or 0
};

// Reads the name and attributes of the tag whose '<' stands at tagPos. Returns the position after
// the tag's '>' (the text's size when it never ends); -1 when no tag name follows the '<'.
// name gets the tag's name in lower case (ASCII).
std::int32_t ReadTag(const Text& t, std::int32_t tagPos, std::string* name, std::vector<TagAttribute>* attributes);

// One candidate of a srcset list: its URL and the end of its descriptor (the URL's end when none).
struct SrcsetCandidate {
    std::int32_t urlPos;
    std::int32_t urlEnd;
    std::int32_t descriptorEnd;
};

// The candidates of the srcset value between from and end, as browsers split it: a URL is a run
// of non-blanks (trailing commas are not part of it), its descriptors run to the next comma.
std::vector<SrcsetCandidate> ParseSrcset(const Text& t, std::int32_t from, std::int32_t end);

// A URL the walk found, with the span a rewrite replaces.
struct FoundUrl {
    std::int32_t tagPos;    // the tag's '<'; -2 inside style text
    std::int32_t valuePos;  // the span's first character
    std::int32_t spanLen;   // characters, delimiters included
    std::int32_t quoteLen;  // delimiter characters at each end
    std::string raw;        // the URL as written, without delimiters
    std::uint8_t kind;      // LinkKind
    bool wholeValue;        // the span is a whole attribute value: quotes may be added to it
};

// One walk over the tags of a page (outside script regions when regions is given), in text order.
// baseHref gets the first <base> tag's href (found: true) as written.
void FindModernUrls(const Text& t, const ScriptRegions* regions, std::vector<FoundUrl>& out, std::string* baseHref,
                    bool* baseFound);

// The href of the page's first <base> tag that has one, outside scripts, as FindModernUrls finds it.
bool FindBaseHref(const Text& t, std::string* href);

// Style text between from and end: the string forms "@import "x"" and image-set("x" 1x) (url(
// arguments are read by the url( search). tagPos is stored with each URL found.
void FindStyleStrings(const Text& t, std::int32_t from, std::int32_t end, std::int32_t tagPos, std::vector<FoundUrl>& out);

}  // namespace corvane
