// Search primitives over a file's raw text: tags, attributes, delimited values, in 8-bit or UTF-16 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// Values are copied into buffers of this many characters at most (plus a terminator).
constexpr std::int32_t kMaxValueChars = 65534;

// A file's text as read from disk (UTF-16 already in little-endian order).
// Positions are byte offsets; the character width is 1 for encoding 0 and 2 otherwise.
// A trailing odd byte of UTF-16 text is no character; a search that starts inside a
// UTF-16 character starts at the next one.
class TagOpenings;
struct Text {
    const unsigned char* data = nullptr;
    std::int32_t size = 0;       // bytes
    std::uint8_t encoding = 0;   // fileEncoding of the file
    // When set, where FindTag finds the text's tags: built for this very text, it outlives it.
    const TagOpenings* openings = nullptr;
    // The encoding the text declares, once asked (-1: not yet): every URL of a page outside ASCII asks.
    mutable std::int32_t declaredCharset = -1;
    std::int32_t width() const { return encoding == 0 ? 1 : 2; }
};

Text MakeText(const void* data, std::int32_t size, std::uint8_t encoding);

// Every place FindTag may find a tag of a text, found in one walk for the many walks of a page's
// scan. Memory stays bounded: past kMaxKept places the text is searched again as without it.
// One thread at a time: a lookup remembers where it ended, the next one usually starts there.
class TagOpenings {
public:
    static constexpr std::size_t kMaxKept = 1u << 16;
    // room, when given, lends its storage, given back when this ends.
    explicit TagOpenings(const Text& t, std::vector<std::int32_t>* room = nullptr);
    ~TagOpenings();
    TagOpenings(const TagOpenings&) = delete;
    TagOpenings& operator=(const TagOpenings&) = delete;
    // The index of the first place kept at or after p; size() when none. Walks ask for the place
    // they stand at or the next one: answered here without a search.
    std::size_t IndexAt(std::int32_t p) const {
        const std::size_t i = hint_;
        if (i < at_.size() && at_[i] >= p && (i == 0 || at_[i - 1] < p)) return i;
        if (i + 1 < at_.size() && at_[i] < p && at_[i + 1] >= p) return hint_ = i + 1;
        return Search(p);
    }
    std::size_t size() const { return at_.size(); }
    std::int32_t operator[](std::size_t i) const { return at_[i]; }
    // Where the places kept end: each one before it is kept; -1 when all are.
    std::int32_t unkeptFrom() const { return unkeptFrom_; }

private:
    std::size_t Search(std::int32_t p) const;
    std::vector<std::int32_t> at_;
    std::vector<std::int32_t>* room_;
    std::int32_t unkeptFrom_ = -1;
    mutable std::size_t hint_ = 0;
};

// The character at a byte position as one 8-bit character (UTF-16 units through the
// system's ANSI code page, '_' when it has no 8-bit form). 0 at or beyond the end.
unsigned char CharAt(const Text& t, std::int32_t pos);

// First '<' at or after `from` followed by `name` (ASCII case folded); -1 when none.
std::int32_t FindTag(const Text& t, const char* name, std::int32_t from);

// Position after the first '>' not followed by '=', and after any codes 1-31 that follow;
// -1 when that is at or beyond the end.
std::int32_t SkipToTagEnd(const Text& t, std::int32_t p);

enum FindScope : int {
    kScopeTagOpen = 0,      // gives up at '<' not followed by '='
    kScopeTagClose = 1,     // gives up at '>' not followed by '='
    kScopeAll = 2,          // only the end of the range
    kScopeDoubleQuote = 3,  // gives up at '"'
    kScopeSingleQuote = 4,  // gives up at '\''
    kScopeEscDouble = 5,    // gives up at '\' + '"'
    kScopeEscSingle = 6,    // gives up at '\' + '\''
    kScopeSpace = 7,        // gives up at ' '
};

// First occurrence of `needle` (case folded) starting at or after `from` and before `end`
// (a byte position), giving up where the scope's stop condition holds; -1 when none.
std::int32_t FindText(const Text& t, std::int32_t end, const char* needle, std::int32_t from, int scope);

// Finds attribute `name` in the tag that continues at `from`. Returns the number of value
// characters copied to `out` (0: not found or empty; at most kMaxValueChars). With prefixOnly,
// returns the name's length at the first match. `valuePos` receives the position of the
// value's first character (its opening delimiter, if any), else -1. Either output may be null.
std::int32_t FindAttribute(const Text& t, const char* name, std::int32_t from, std::string* out,
                           std::int32_t* valuePos, bool prefixOnly);

// Where FindAttribute's walk over the tag that continues at `from` ends: at the tag's closing bracket,
// or at the end of the text when a quoted stretch never closes. No name it meets stands at or after it.
std::int32_t TagNamesEnd(const Text& t, std::int32_t from);

// An attribute name met in a tag: where it starts, and the name in lower case.
struct AttributeName {
    std::int32_t pos;
    std::string name;
};

// Every whole name beginning with `prefix` that FindAttribute would meet in the tag that continues
// at `from`, in the order it meets them: FindAttribute(t, name, pos, ...) from the first entry of
// that name answers what FindAttribute(t, name, from, ...) does, for many names in one walk.
void FindAttributeNames(const Text& t, const char* prefix, std::int32_t from, std::vector<AttributeName>& out);

enum ExtractMode : int {
    kExtractAttribute = 0,  // attribute values and URLs in text
    kExtractCssUrl = 1,     // style-sheet url( arguments, '(' ... ')' recognised
    kExtractTagName = 2,    // tag name length for inserting an attribute
    kExtractEventTag = 3,   // tag name length for the event pass
};

// Copies the delimited value at `from` to `out` and measures its span. Returns the
// number of characters copied; 0 when the value does not end before the end of the text
// (then `out` is empty and spanLen 0). A value longer than kMaxValueChars is skipped the
// same way, and so is a url( argument that meets a '{' or '}' before its ')'. An
// undelimited value also ends at a tab or line break. spanLen counts characters,
// delimiters included; quoteLen the delimiter characters at each end. Any output may be null.
std::int32_t ExtractValue(const Text& t, std::int32_t from, std::string* out, int mode,
                          std::int32_t* spanLen, std::int32_t* quoteLen);

// Copies the characters from `from` up to `to` (byte positions) as ExtractValue copies a value's.
// Returns how many characters were copied.
std::int32_t CopyChars(const Text& t, std::int32_t from, std::int32_t to, std::string* out);

}  // namespace corvane
