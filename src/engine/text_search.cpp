// Search primitives over a file's raw text: every read is bounds-checked, every step is one character.
#include "engine/text_search.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "engine/find_byte.h"
#include "platform/ansi_code_page.h"
#include "platform/utf8.h"

namespace corvane {
namespace {

using Pos = std::int64_t;  // wide enough that position + length never overflows

// One 8-bit character for every UTF-16 unit, built once: a scan must not call the code page per character.
const unsigned char* UnitTable() {
    static const std::array<unsigned char, 65536> table = [] {
        std::array<unsigned char, 65536> t{};
        const AnsiCodePage& page = SystemCodePage();
        for (std::uint32_t u = 0; u < t.size(); ++u) {
            unsigned char c = page.FromUtf16(static_cast<std::uint16_t>(u));
            // Every ANSI code page keeps ASCII as it is, so an ASCII result for another unit is a
            // best-fit guess (a full-width '<' read as '<'); markup must not see it as the real thing.
            if (u >= 0x80 && c < 0x80) c = '_';
            t[u] = c;
        }
        t[0] = 0;
        return t;
    }();
    return table.data();
}

unsigned char Fold(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

bool IsQuote(unsigned char c) { return c == '"' || c == '\''; }

// The text as whole characters: a trailing odd byte of UTF-16 text is not one.
struct Scan {
    const unsigned char* d;
    Pos limit;
    Pos w;
    const unsigned char* units;
    bool utf8;  // values of UTF-16 text come out as UTF-8, not one 8-bit character per unit

    explicit Scan(const Text& t)
        : d(t.data),
          limit(t.data && t.size > 0 ? t.size - t.size % t.width() : 0),
          w(t.width()),
          units(t.width() == 2 ? UnitTable() : nullptr),
          utf8(t.width() == 2 && SystemCodePage().IsUtf8()) {}

    bool Has(Pos p) const { return p >= 0 && p + w <= limit; }
    unsigned char At(Pos p) const {
        if (!Has(p)) return 0;
        if (w == 1) return d[p];
        return units[d[p] | (d[p + 1] << 8)];
    }
    std::uint16_t Unit(Pos p) const { return Has(p) ? static_cast<std::uint16_t>(d[p] | (d[p + 1] << 8)) : 0; }
    // Appends the character at p to a value. A surrogate pair is written whole at its first unit.
    void AppendTo(Pos p, std::string& out) const {
        if (!utf8) {
            out.push_back(static_cast<char>(At(p)));
            return;
        }
        const std::uint16_t u = Unit(p);
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
            return;
        }
        std::u16string units(1, static_cast<char16_t>(u));
        const std::uint16_t next = Unit(p + w);
        const std::uint16_t before = p >= w ? Unit(p - w) : 0;
        if (u >= 0xD800 && u <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) units.push_back(static_cast<char16_t>(next));
        else if (u >= 0xDC00 && u <= 0xDFFF && before >= 0xD800 && before <= 0xDBFF) return;
        out += Utf16ToUtf8(units);
    }
    // A start position inside a UTF-16 character moves on to the next character.
    Pos Align(Pos p) const { return w == 2 ? (p + 1) & ~Pos{1} : p; }
    bool BackslashQuote(Pos p, unsigned char quote) const { return At(p) == '\\' && At(p + w) == quote; }
    bool BackslashAnyQuote(Pos p) const { return At(p) == '\\' && IsQuote(At(p + w)); }
    // '<' or '>' that is not part of a comparison such as ">=".
    bool Bracket(Pos p, unsigned char bracket) const { return At(p) == bracket && At(p + w) != '='; }
    bool TagBracket(Pos p) const { return Bracket(p, '<') || Bracket(p, '>'); }

    bool NameAt(Pos p, const char* name, Pos n) const {
        if (p < 0 || p + n * w > limit) return false;
        if (w == 1) {  // every pass of the scanner compares a name at every tag: keep it plain
            for (Pos i = 0; i < n; ++i)
                if (Fold(d[p + i]) != Fold(static_cast<unsigned char>(name[i]))) return false;
            return true;
        }
        for (Pos i = 0; i < n; ++i, p += w)
            if (Fold(At(p)) != Fold(static_cast<unsigned char>(name[i]))) return false;
        return true;
    }
};

// The next '<' at or after p, or -1. Every pass of the scanner walks the file tag by tag, so this
// is the hottest loop of a search: FindByte finds the candidates. In UTF-16 text only the unit
// 0x003C reads as '<' (best-fit guesses are masked in the unit table).
Pos NextOpenBracket(const Scan& s, Pos p) {
    while (p >= 0 && p < s.limit) {
        const void* hit = FindByte(s.d + p, '<', static_cast<std::size_t>(s.limit - p));
        if (!hit) return -1;
        const Pos q = static_cast<const unsigned char*>(hit) - s.d;
        if (s.w == 1 || (q % 2 == 0 && s.d[q + 1] == 0)) return q;
        p = q + 1;
    }
    return -1;
}

bool IsControl(unsigned char c) { return c >= 1 && c <= 31; }

// A printable ASCII character that neither closes nor ends a value of any kind: looked up, as every
// character of every URL is.
constexpr std::array<bool, 256> kOrdinary = [] {
    std::array<bool, 256> t{};
    for (int c = '!'; c < 0x7F; ++c) t[c] = true;
    for (unsigned char c : {'"', '\'', '\\', '<', '>', '{', '}', ')'}) t[c] = false;
    return t;
}();
bool Ordinary(unsigned char c) { return kOrdinary[c]; }

// Characters that continue an attribute's name (in "data-src", "xlink:href", "v-bind:src").
bool IsNameChar(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == ':' || c == '.';
}
bool IsBlank(unsigned char c) { return c >= 1 && c <= 32; }

bool ScopeStops(const Scan& s, Pos p, int scope) {
    switch (scope) {
        case kScopeTagOpen: return s.Bracket(p, '<');
        case kScopeTagClose: return s.Bracket(p, '>');
        case kScopeDoubleQuote: return s.At(p) == '"';
        case kScopeSingleQuote: return s.At(p) == '\'';
        case kScopeEscDouble: return s.BackslashQuote(p, '"');
        case kScopeEscSingle: return s.BackslashQuote(p, '\'');
        case kScopeSpace: return s.At(p) == ' ';
        default: return false;
    }
}

}  // namespace

Text MakeText(const void* data, std::int32_t size, std::uint8_t encoding) {
    Text t;
    t.data = static_cast<const unsigned char*>(data);
    t.size = (data && size > 0) ? size : 0;
    t.encoding = encoding;
    return t;
}

unsigned char CharAt(const Text& t, std::int32_t pos) { return Scan(t).At(pos); }

TagOpenings::TagOpenings(const Text& t, std::vector<std::int32_t>* room) : room_(room) {
    if (room_ != nullptr) at_.swap(*room_);
    at_.clear();
    const Scan s(t);
    for (Pos p = NextOpenBracket(s, 0); p >= 0; p = NextOpenBracket(s, p + s.w)) {
        if (at_.size() == kMaxKept) {
            unkeptFrom_ = static_cast<std::int32_t>(p);
            break;
        }
        at_.push_back(static_cast<std::int32_t>(p));
    }
}

TagOpenings::~TagOpenings() {
    if (room_ != nullptr) at_.swap(*room_);
}

std::size_t TagOpenings::Search(std::int32_t p) const {
    const std::size_t n = at_.size();
    std::size_t i = hint_ < n ? hint_ : n;
    const auto first = at_.begin();
    if (i < n && at_[i] < p) {
        // Walks move forward a tag or two at a time.
        for (int step = 0; step < 4 && i < n && at_[i] < p; ++step) ++i;
        if (i < n && at_[i] < p)
            i = static_cast<std::size_t>(std::lower_bound(first + static_cast<std::ptrdiff_t>(i), at_.end(), p) - first);
    } else if (i > 0 && at_[i - 1] >= p) {
        i = static_cast<std::size_t>(std::lower_bound(first, first + static_cast<std::ptrdiff_t>(i), p) - first);
    }
    hint_ = i;
    return i;
}

std::int32_t FindTag(const Text& t, const char* name, std::int32_t from) {
    if (!name) name = "";
    Pos n = 0;
    while (name[n] != 0) ++n;
    const TagOpenings* o = t.openings;
    bool walked = false;  // the openings kept, from `from` on
    if (o != nullptr && t.width() == 1 && t.data != nullptr) {
        // The walks of a page's scan: each tag compared where it stands, first letter first.
        if (from < 0 || from >= t.size) return -1;
        const unsigned char first = Fold(static_cast<unsigned char>(name[0]));
        for (std::size_t i = o->IndexAt(from); i < o->size(); ++i) {
            const Pos p = (*o)[i] + 1;
            if (n == 0) return (*o)[i];
            if (p + n > t.size || Fold(t.data[p]) != first) continue;
            Pos k = 1;
            while (k < n && Fold(t.data[p + k]) == Fold(static_cast<unsigned char>(name[k]))) ++k;
            if (k == n) return (*o)[i];
        }
        if (o->unkeptFrom() < 0) return -1;
        walked = true;
    }
    const Scan s(t);
    if (from < 0 || from >= s.limit) return -1;
    Pos start = s.Align(from);
    if (walked) {
        start = std::max<Pos>(start, o->unkeptFrom());
    } else if (o != nullptr) {
        for (std::size_t i = o->IndexAt(static_cast<std::int32_t>(start)); i < o->size(); ++i)
            if (s.NameAt((*o)[i] + s.w, name, n)) return (*o)[i];
        if (o->unkeptFrom() < 0) return -1;
        start = std::max<Pos>(start, o->unkeptFrom());
    }
    for (Pos p = NextOpenBracket(s, start); p >= 0; p = NextOpenBracket(s, p + s.w))
        if (s.NameAt(p + s.w, name, n)) return static_cast<std::int32_t>(p);
    return -1;
}

std::int32_t SkipToTagEnd(const Text& t, std::int32_t p) {
    if (t.width() == 1 && t.data != nullptr) {
        // Every walk over a page's tags ends each one here: 8-bit text is read in place.
        const unsigned char* d = t.data;
        const std::int32_t size = t.size;
        if (p < 0 || p >= size) return -1;
        for (std::int32_t q = p; q < size; ++q) {
            const void* hit = FindByte(d + q, '>', static_cast<std::size_t>(size - q));
            if (hit == nullptr) return -1;
            q = static_cast<std::int32_t>(static_cast<const unsigned char*>(hit) - d);
            if (q + 1 < size && d[q + 1] == '=') continue;
            std::int32_t r = q + 1;
            while (r < size && IsControl(d[r])) ++r;
            return r < size ? r : -1;
        }
        return -1;
    }
    const Scan s(t);
    if (p < 0 || p >= s.limit) return -1;
    for (Pos q = s.Align(p); s.Has(q); q += s.w) {
        if (s.w == 1) {
            const void* hit = FindByte(s.d + q, '>', static_cast<std::size_t>(s.limit - q));
            if (hit == nullptr) return -1;
            q = static_cast<Pos>(static_cast<const unsigned char*>(hit) - s.d);
        }
        if (!s.Bracket(q, '>')) continue;
        Pos r = q + s.w;
        while (s.Has(r) && IsControl(s.At(r))) r += s.w;
        return s.Has(r) ? static_cast<std::int32_t>(r) : -1;
    }
    return -1;
}

std::int32_t FindText(const Text& t, std::int32_t end, const char* needle, std::int32_t from, int scope) {
    const Scan s(t);
    if (scope < kScopeTagOpen || scope > kScopeSpace) return -1;
    if (from < 0 || from >= s.limit) return -1;
    if (!needle) needle = "";
    const Pos n = static_cast<Pos>(std::strlen(needle));
    Pos stop = end < s.limit ? end : s.limit;
    // A scope that ends at one character the needle does not hold ends the search at the first one:
    // no match can straddle it, and the search up to it is a search of all.
    const char scopeChar = scope == kScopeTagOpen      ? '<'
                           : scope == kScopeTagClose    ? '>'
                           : scope == kScopeDoubleQuote ? '"'
                           : scope == kScopeSingleQuote ? '\''
                           : scope == kScopeSpace       ? ' '
                                                        : 0;
    if (scopeChar != 0 && n > 0 && s.w == 1 && std::strchr(needle, scopeChar) == nullptr) {
        for (Pos p = from; p < stop; ++p) {
            const void* hit = FindByte(s.d + p, scopeChar, static_cast<std::size_t>(stop - p));
            if (hit == nullptr) break;
            p = static_cast<Pos>(static_cast<const unsigned char*>(hit) - s.d);
            if ((scope == kScopeTagOpen || scope == kScopeTagClose) && s.At(p + 1) == '=') continue;
            stop = p;
            break;
        }
        scope = kScopeAll;
    }
    if (scope == kScopeAll && n > 0 && s.w == 1) {
        // Nothing stops this search but the end: only positions holding the first letter are compared.
        const unsigned char first = Fold(static_cast<unsigned char>(needle[0]));
        // A first character without case ("/*", "*/") is looked for by the C library's fast search.
        const bool caseless = !(first >= 'A' && first <= 'Z');
        for (Pos p = from; p + n <= stop; ++p) {
            if (caseless) {
                const void* hit = FindByte(s.d + p, needle[0], static_cast<std::size_t>(stop - n + 1 - p));
                if (hit == nullptr) return -1;
                p = static_cast<Pos>(static_cast<const unsigned char*>(hit) - s.d);
            } else if (Fold(s.d[p]) != first) {
                continue;
            }
            Pos i = 1;
            while (i < n && Fold(s.d[p + i]) == Fold(static_cast<unsigned char>(needle[i]))) ++i;
            if (i == n) return static_cast<std::int32_t>(p);
        }
        return -1;
    }
    // A naive compare at each position; the stop condition is checked wherever the compare reaches,
    // so a match never straddles a place where the scope ends.
    for (Pos p = s.Align(from); p + s.w <= stop; p += s.w) {
        if (ScopeStops(s, p, scope)) return -1;
        Pos i = 0;
        for (Pos q = p; i < n; ++i, q += s.w) {
            if (q + s.w > stop) return -1;  // no later start can fit either
            if (i > 0 && ScopeStops(s, q, scope)) return -1;
            if (Fold(s.At(q)) != Fold(static_cast<unsigned char>(needle[i]))) break;
        }
        if (i == n) return static_cast<std::int32_t>(p);
    }
    return -1;
}

namespace {

// Walks a tag's attribute text from p (its name's end: `start`) as far as an attribute name can be,
// skipping quoted stretches, and hands `at` every place where a name beginning with `first` may
// stand, until it answers true. The place it answered true at, or -1 at the tag's end.
// The characters that may quote, escape or end a tag's attribute text.
constexpr std::array<bool, 256> kTagNameStops = [] {
    std::array<bool, 256> t{};
    for (unsigned char c : {'"', '\'', '\\', '<', '>'}) t[c] = true;
    return t;
}();

// The 8-bit characters that end no kind of attribute value and are never passed over inside one.
constexpr std::array<bool, 256> kValueRun = [] {
    std::array<bool, 256> t{};
    for (int c = '!'; c < 256; ++c) t[c] = !kTagNameStops[c];
    return t;
}();

// For each first letter of a name looked for: the characters a walk over a tag's names stops at.
const std::array<std::array<bool, 256>, 256> kWalkStops = [] {
    std::array<std::array<bool, 256>, 256> t{};
    for (int first = 0; first < 256; ++first) {
        t[first] = kTagNameStops;
        for (int c = 0; c < 256; ++c)
            if (Fold(static_cast<unsigned char>(c)) == first) t[first][c] = true;
    }
    return t;
}();

// The first of '"', '\'', '\\', '<' or '>' at or after p in 8-bit text; -1 when none.
Pos FindTagStop(const unsigned char* d, Pos p, Pos limit) {
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"'), apostrophe = _mm_set1_epi8('\''), backslash = _mm_set1_epi8('\\'),
                  open = _mm_set1_epi8('<'), close = _mm_set1_epi8('>');
    for (; p + 16 <= limit; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + p));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, apostrophe)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, backslash),
                                                      _mm_or_si128(_mm_cmpeq_epi8(v, open), _mm_cmpeq_epi8(v, close))));
        const int bits = _mm_movemask_epi8(hit);
        if (bits != 0) return p + __builtin_ctz(static_cast<unsigned>(bits));
    }
#endif
    for (; p < limit; ++p)
        if (kTagNameStops[d[p]]) return p;
    return -1;
}

template <typename At>
Pos WalkTagNames(const Scan& s, Pos p, unsigned char first, At at, Pos* end = nullptr) {
    const Pos w = s.w;
    while (s.Has(p) && IsBlank(s.At(p))) p += w;
    // Every attribute search walks its tag: in 8-bit text, characters that are none of the ones
    // tested below are passed over by a table.
    const bool plain = w == 1 && p >= 0;
    const std::array<bool, 256>& stops = kWalkStops[first];
    while (s.Has(p)) {
        if (plain) {
            while (p < s.limit && !stops[s.d[p]]) ++p;
            if (p >= s.limit) break;
        }
        const unsigned char c = s.At(p);
        // Most characters are none of the ones tested below: settle them with one comparison each.
        if (Fold(c) != first && !IsQuote(c) && c != '\\' && c != '<' && c != '>') {
            p += w;
            continue;
        }
        if (IsQuote(c)) {
            Pos q = p + w;
            if (plain) {
                const void* close = FindByte(s.d + q, c, static_cast<std::size_t>(s.limit - q));
                q = close ? static_cast<const unsigned char*>(close) - s.d : s.limit;
            }
            while (s.Has(q) && s.At(q) != c) q += w;
            if (!s.Has(q)) break;
            p = q + w;
            continue;
        }
        if (s.BackslashAnyQuote(p)) {
            const unsigned char quote = s.At(p + w);
            Pos q = p + 2 * w;
            while (s.Has(q) && !s.BackslashQuote(q, quote)) q += w;
            if (!s.Has(q)) break;
            p = q + 2 * w;
            continue;
        }
        if (s.TagBracket(p)) {
            if (end != nullptr) *end = p;
            return -1;
        }
        if (at(p)) return p;
        p += w;
    }
    if (end != nullptr) *end = s.limit;
    return -1;
}

}  // namespace

std::int32_t TagNamesEnd(const Text& t, std::int32_t from) {
    const Scan s(t);
    if (from < 0 || from >= s.limit) return from;
    if (s.w == 1) {
        // The walk's own steps, found sixteen characters at a time: only quotes, escapes and brackets matter.
        const unsigned char* d = s.d;
        const Pos limit = s.limit;
        for (Pos p = from;;) {
            p = FindTagStop(d, p, limit);
            if (p < 0) return static_cast<std::int32_t>(limit);
            const unsigned char c = d[p];
            if (IsQuote(c)) {
                const void* close = FindByte(d + p + 1, c, static_cast<std::size_t>(limit - p - 1));
                if (close == nullptr) return static_cast<std::int32_t>(limit);
                p = static_cast<const unsigned char*>(close) - d + 1;
            } else if (c == '\\' && p + 1 < limit && IsQuote(d[p + 1])) {
                const unsigned char quote = d[p + 1];
                Pos q = p + 2;
                while (q + 1 < limit && !(d[q] == '\\' && d[q + 1] == quote)) ++q;
                if (q + 1 >= limit) return static_cast<std::int32_t>(limit);
                p = q + 2;
            } else if ((c == '<' || c == '>') && !(p + 1 < limit && d[p + 1] == '=')) {
                return static_cast<std::int32_t>(p);
            } else {
                ++p;
            }
        }
    }
    Pos end = s.limit;
    WalkTagNames(s, s.Align(from), 0, [](Pos) { return false; }, &end);
    return static_cast<std::int32_t>(end);
}

void FindAttributeNames(const Text& t, const char* prefix, std::int32_t from, std::vector<AttributeName>& out) {
    out.clear();
    const Scan s(t);
    if (from < 0 || from >= s.limit || !prefix || !*prefix) return;
    const Pos n = static_cast<Pos>(std::strlen(prefix));
    const Pos w = s.w;
    const Pos start = s.Align(from);
    constexpr std::size_t kLongestName = 64;  // longer than any name asked for
    WalkTagNames(s, start, Fold(static_cast<unsigned char>(prefix[0])), [&](Pos p) {
        if (s.NameAt(p, prefix, n) && (p == start || !IsNameChar(s.At(p - w)))) {
            AttributeName found{static_cast<std::int32_t>(p), std::string()};
            for (Pos q = p; s.Has(q) && IsNameChar(s.At(q)) && found.name.size() <= kLongestName; q += w) {
                const unsigned char l = s.At(q);
                found.name += static_cast<char>(l >= 'A' && l <= 'Z' ? l - 'A' + 'a' : l);
            }
            out.push_back(std::move(found));
        }
        return false;
    });
}

std::int32_t FindAttribute(const Text& t, const char* name, std::int32_t from, std::string* out,
                           std::int32_t* valuePos, bool prefixOnly) {
    if (out) out->clear();
    if (valuePos) *valuePos = -1;
    const Scan s(t);
    if (from < 0 || from >= s.limit || !name || !*name) return 0;
    const Pos n = static_cast<Pos>(std::strlen(name));
    const Pos w = s.w;

    const Pos start = s.Align(from);  // the end of the tag's name: a name may begin right here
    // A phrase such as "saved from url" is looked for in comment text, where '-' may touch it.
    const bool wholeName = std::strchr(name, ' ') == nullptr;
    // Find the name outside quoted stretches, within this tag. Only a whole name counts: "src" is
    // no part of "data-src", "lowsrc" or "srcset".
    Pos p = WalkTagNames(s, start, Fold(static_cast<unsigned char>(name[0])), [&](Pos q) {
        return s.NameAt(q, name, n) &&
               (!wholeName || ((q == start || !IsNameChar(s.At(q - w))) && (prefixOnly || !IsNameChar(s.At(q + n * w)))));
    });
    const bool found = p >= 0;
    if (!found) return 0;
    if (prefixOnly) return static_cast<std::int32_t>(n < kMaxValueChars ? n : kMaxValueChars);

    p += n * w;
    while (s.Has(p) && IsBlank(s.At(p))) p += w;
    if (s.At(p) != '=') return 0;
    p += w;
    while (s.Has(p) && IsBlank(s.At(p))) p += w;
    if (s.At(p) == 0) return 0;  // a NUL, or the end of the text

    if (valuePos) *valuePos = static_cast<std::int32_t>(p);
    int kind = 0;
    unsigned char quote = 0;
    if (IsQuote(s.At(p))) {
        kind = 1;
        quote = s.At(p);
        p += w;
    } else if (s.BackslashAnyQuote(p)) {
        kind = 3;
        quote = s.At(p + w);
        p += 2 * w;
    }

    // An empty quoted value ends at its closing quote like any other: nothing is copied, 0 results,
    // and valuePos still tells where the empty value stands.
    std::int32_t count = 0;
    for (; s.Has(p) && count < kMaxValueChars; p += w) {
        if (w == 1) {
            // A run of characters that end no kind of value is only counted (and copied): most of a URL is one.
            Pos run = p;
            const Pos most = std::min<Pos>(s.limit, p + (kMaxValueChars - count));
            while (run < most && kValueRun[s.d[run]]) ++run;
            if (run > p) {
                if (out) out->append(reinterpret_cast<const char*>(s.d + p), static_cast<std::size_t>(run - p));
                count += static_cast<std::int32_t>(run - p);
                p = run;
                if (!s.Has(p) || count >= kMaxValueChars) break;
            }
        }
        const unsigned char c = s.At(p);
        if (c == 0 || s.TagBracket(p)) break;
        if (kind == 0 && (c == ' ' || IsControl(c) || IsQuote(c) || s.BackslashAnyQuote(p))) break;
        if (kind == 1 && c == quote) break;
        if (kind == 3 && s.BackslashQuote(p, quote)) break;
        if (IsControl(c)) continue;  // line breaks inside a quoted value are not part of it
        if (out) s.AppendTo(p, *out);
        ++count;
    }
    return count;
}

namespace {

bool IsCssBlank(char c) { return c == ' ' || (c >= 1 && c <= 31); }

void TrimBlanks(std::string& v) {
    std::size_t b = 0, e = v.size();
    while (b < e && IsCssBlank(v[b])) ++b;
    while (e > b && IsCssBlank(v[e - 1])) --e;
    v = v.substr(b, e - b);
}

void TrimCssUrl(std::string& v) {
    TrimBlanks(v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
        TrimBlanks(v);
    }
}

}  // namespace

std::int32_t CopyChars(const Text& t, std::int32_t from, std::int32_t to, std::string* out) {
    out->clear();
    const Scan s(t);
    std::int32_t count = 0;
    for (Pos p = s.Align(from < 0 ? 0 : from); p < to && s.Has(p); p += s.w, ++count) s.AppendTo(p, *out);
    return count;
}

std::int32_t ExtractValue(const Text& t, std::int32_t from, std::string* out, int mode,
                          std::int32_t* spanLen, std::int32_t* quoteLen) {
    if (out) out->clear();
    if (spanLen) *spanLen = 0;
    if (quoteLen) *quoteLen = 0;
    const Scan s(t);
    if (from < 0 || from >= s.limit) return 0;
    const Pos w = s.w;

    Pos p = from;
    std::int32_t span = 0;
    std::int32_t quotes = 0;
    // 0 none; a quote; a backslash + quote; ')' for a value opened by '('.
    int kind = 0;
    unsigned char closing = 0;
    const unsigned char first = s.At(p);
    if (IsQuote(first)) {
        kind = 1;
        closing = first;
        quotes = 1;
    } else if (s.BackslashAnyQuote(p)) {
        kind = 2;
        closing = s.At(p + w);
        quotes = 2;
    } else if (mode == kExtractCssUrl && first == '(') {
        kind = 3;
        closing = ')';
        quotes = 1;
    }
    span += quotes;
    p += quotes * w;
    while (s.Has(p) && IsControl(s.At(p))) {
        ++span;
        p += w;
    }

    // Written where the caller keeps it, whose buffer is then used again.
    std::string local;
    std::string& value = out != nullptr ? *out : local;
    // Without a caller for the value, an 8-bit one outside url( is only counted.
    const bool keep = out != nullptr || kind == 3 || s.utf8;
    std::int32_t chars = 0;
    bool ended = false;
    // A url( argument written as a string ends after the string: a ')' inside it ("photo(1).png", a
    // data: picture) is part of the URL. 0: before the argument's first character, 1: inside its
    // string, 2: elsewhere.
    int cssState = kind == 3 ? 0 : 2;
    unsigned char inner = 0;
    for (; s.Has(p); p += w) {
        if (w == 1 && cssState == 2 && inner == 0) {
            // A run of characters that end no kind of value is only copied: most of a URL is one.
            Pos run = p;
            const Pos most = p + (kMaxValueChars - chars);
            while (run < s.limit && run < most && Ordinary(s.d[run])) ++run;
            if (run > p) {
                if (keep) value.append(reinterpret_cast<const char*>(s.d + p), static_cast<std::size_t>(run - p));
                chars += run - p;
                span += run - p;
                p = run;
                if (!s.Has(p)) break;
            }
        }
        const unsigned char c = s.At(p);
        if (c == 0) {
            ended = true;
            break;
        }
        if (cssState != 2 || inner != 0) {
            if (cssState == 0 && IsQuote(c)) {
                cssState = 1;
                inner = c;
            } else if (cssState == 0 && c != ' ' && !IsControl(c)) {
                cssState = 2;
            } else if (cssState == 1) {
                if (c == '\n' || c == '\r') break;  // a string never spans a line: not well formed
                if (c == inner) cssState = 2;
            }
            if (cssState == 1 || (c == inner && inner != 0)) {
                if (chars >= kMaxValueChars) break;
                if (keep) s.AppendTo(p, value);
                ++chars;
                ++span;
                if (cssState == 2) inner = 0;
                continue;
            }
        }
        if ((kind == 1 || kind == 3) && c == closing) {
            span += 1;
            ended = true;
            break;
        }
        if (kind == 2 && s.BackslashQuote(p, closing)) {
            span += 2;
            ended = true;
            break;
        }
        // A brace means the style rule ended before the url( argument was closed.
        if (kind == 3 && (c == '{' || c == '}')) break;
        // An unquoted value or tag name also ends at a line break or tab: it never spans one.
        if (kind == 0 && (c == ' ' || IsControl(c) || IsQuote(c) || s.BackslashAnyQuote(p))) {
            ended = true;
            break;
        }
        if ((mode == kExtractAttribute && s.TagBracket(p)) || (mode == kExtractTagName && s.Bracket(p, '>')) ||
            (mode == kExtractEventTag && (c == '>' || c == ' '))) {
            ended = true;
            break;
        }
        if (chars >= kMaxValueChars) break;  // too long: skipped
        if (keep) s.AppendTo(p, value);
        ++chars;
        ++span;
    }
    if (!ended) {
        value.clear();
        return 0;
    }
    // Inside url( ... ) the URL itself may stand between quotes and blanks, as style sheets write
    // it; they belong to the span, which the rewrite replaces whole, but not to the URL.
    if (kind == 3) TrimCssUrl(value);

    if (spanLen) *spanLen = span;
    if (quoteLen) *quoteLen = quotes;
    return !keep ? chars : static_cast<std::int32_t>(s.utf8 ? Utf16Length(value) : value.size());
}

}  // namespace corvane
