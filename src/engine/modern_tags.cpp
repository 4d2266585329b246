// One walk over a page's tags for the attributes of today's markup, and the parsers they need.
#include "engine/modern_tags.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/find_byte.h"
#include "engine/link_table.h"
#include "engine/markup_scanner.h"

namespace corvane {
namespace {

// Markup is ASCII: every other character reads as 0x80, which no test below takes for markup.
struct Chars {
    const unsigned char* d;
    std::int32_t limit;
    std::int32_t w;

    explicit Chars(const Text& t)
        : d(t.data), limit(t.data && t.size > 0 ? t.size - t.size % t.width() : 0), w(t.width()) {}

    unsigned char At(std::int32_t p) const {
        if (p < 0 || p + w > limit) return 0;
        if (w == 1) return d[p];
        const unsigned u = d[p] | (d[p + 1] << 8);
        return u < 0x80 ? static_cast<unsigned char>(u) : 0x80;
    }
};

bool IsBlank(unsigned char c) { return c >= 1 && c <= 32; }
bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }
bool IsTagNameChar(unsigned char c) { return IsLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == ':' || c == '_'; }

constexpr std::size_t kMaxAttributes = 256;  // a tag with more is read up to there

// How the value of an attribute holds its URLs.
enum Form : std::uint8_t { kWhole, kSrcset, kStyle };

struct AttributeRule {
    const char* tag;  // "*": any tag, tried after the tag's own rules
    const char* attribute;
    std::uint8_t kind;
    Form form;
};

const AttributeRule kRules[] = {
    {"img", "srcset", kLinkSrcsetCandidate, kSrcset},
    {"img", "data-src", kLinkPicture, kWhole},
    {"source", "srcset", kLinkSrcsetCandidate, kSrcset},
    {"source", "src", kLinkMedia, kWhole},
    {"video", "src", kLinkMedia, kWhole},
    {"video", "poster", kLinkPicture, kWhole},
    {"audio", "src", kLinkMedia, kWhole},
    {"track", "src", kLinkMedia, kWhole},
    {"object", "data", kLinkMedia, kWhole},
    {"form", "action", kLinkLink, kWhole},
    {"button", "formaction", kLinkLink, kWhole},
    {"input", "formaction", kLinkLink, kWhole},
    {"image", "href", kLinkPicture, kWhole},
    {"image", "xlink:href", kLinkPicture, kWhole},
    {"use", "href", kLinkLink, kWhole},
    {"use", "xlink:href", kLinkLink, kWhole},
    {"html", "manifest", kLinkLink, kWhole},
    {"blockquote", "cite", kLinkReference, kWhole},
    {"q", "cite", kLinkReference, kWhole},
    {"ins", "cite", kLinkReference, kWhole},
    {"del", "cite", kLinkReference, kWhole},
    // Lazy loading scripts swap these in; pages that use them show nothing without them.
    {"*", "data-src", kLinkMedia, kWhole},
    {"*", "data-srcset", kLinkSrcsetCandidate, kSrcset},
    {"*", "data-background", kLinkBackground, kWhole},
    {"*", "style", kLinkStyle, kStyle},
};

const AttributeRule* FindRule(const std::string& tag, const char* attribute) {
    const AttributeRule* any = nullptr;
    for (const AttributeRule& r : kRules) {
        if (attribute[0] != r.attribute[0] || std::strcmp(attribute, r.attribute) != 0) continue;
        if (tag == r.tag) return &r;
        if (!any && r.tag[0] == '*') any = &r;
    }
    return any;
}

// The attribute's name in lower case into a small buffer; false when it is longer than any name looked for.
bool ShortName(const Chars& c, const TagAttribute& a, char (&out)[20]) {
    std::size_t n = 0;
    for (std::int32_t p = a.namePos; p < a.nameEnd; p += c.w) {
        if (n + 1 >= sizeof out) return false;
        out[n++] = static_cast<char>(Lower(c.At(p)));
    }
    out[n] = 0;
    return true;
}

std::string Copy(const Text& t, std::int32_t from, std::int32_t to) {
    std::string s;
    CopyChars(t, from, to, &s);
    return s;
}

// The value's URL as browsers take it: blanks around it dropped, line breaks inside it too.
std::string CleanUrl(std::string s) {
    s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }), s.end());
    const std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// Case-insensitive ASCII search within [from, end); -1 when none.
std::int32_t FindIn(const Text& t, std::int32_t from, std::int32_t end, const char* needle) {
    if (from >= end) return -1;
    return FindText(t, end, needle, from, kScopeAll);
}

void AddWholeValue(const Text& t, std::int32_t tagPos, const TagAttribute& a, std::uint8_t kind, std::vector<FoundUrl>& out) {
    const std::int32_t w = t.width();
    if (a.valuePos < 0 || (a.contentEnd - a.contentPos) / w > kMaxValueChars) return;
    std::string raw = CleanUrl(Copy(t, a.contentPos, a.contentEnd));
    if (raw.empty()) return;
    out.push_back({tagPos, a.valuePos, (a.valueEnd - a.valuePos) / w, a.quote ? 1 : 0, std::move(raw), kind, true});
}

void AddSrcset(const Text& t, std::int32_t tagPos, const TagAttribute& a, std::vector<FoundUrl>& out) {
    const std::int32_t w = t.width();
    if (a.valuePos < 0) return;
    for (const SrcsetCandidate& c : ParseSrcset(t, a.contentPos, a.contentEnd)) {
        if ((c.urlEnd - c.urlPos) / w > kMaxValueChars) continue;
        out.push_back({tagPos, c.urlPos, (c.urlEnd - c.urlPos) / w, 0, Copy(t, c.urlPos, c.urlEnd),
                       kLinkSrcsetCandidate, false});
    }
}

// A url( argument inside a style attribute; entity-quoted forms (&quot;x&quot;) lose their quotes too.
void AddStyleValue(const Text& t, std::int32_t tagPos, const TagAttribute& a, std::vector<FoundUrl>& out) {
    const std::int32_t w = t.width();
    if (a.valuePos < 0) return;
    for (std::int32_t q = FindIn(t, a.contentPos, a.contentEnd, "url("); q >= 0;
         q = FindIn(t, q + 4 * w, a.contentEnd, "url(")) {
        const std::int32_t v = q + 3 * w;
        std::string raw;
        std::int32_t span = 0;
        std::int32_t quote = 0;
        if (ExtractValue(t, v, &raw, kExtractCssUrl, &span, &quote) <= 0 || v + span * w > a.contentEnd) continue;
        for (const char* entity : {"&quot;", "&#39;", "&apos;"}) {
            const std::size_t n = std::strlen(entity);
            if (raw.size() >= 2 * n && raw.compare(0, n, entity) == 0 && raw.compare(raw.size() - n, n, entity) == 0)
                raw = CleanUrl(raw.substr(n, raw.size() - 2 * n));
        }
        if (!raw.empty()) out.push_back({tagPos, v, span, quote, std::move(raw), kLinkStyle, false});
    }
    FindStyleStrings(t, a.contentPos, a.contentEnd, tagPos, out);
}

// <meta http-equiv="refresh" content="5; url=next.html">: the URL alone, quoted or not.
void AddRefresh(const Text& t, std::int32_t tagPos, const TagAttribute& content, std::vector<FoundUrl>& out) {
    const Chars c(t);
    const std::int32_t w = t.width();
    const std::int32_t end = content.contentEnd;
    for (std::int32_t u = FindIn(t, content.contentPos, end, "url"); u >= 0; u = FindIn(t, u + w, end, "url")) {
        std::int32_t p = u + 3 * w;
        while (p < end && IsBlank(c.At(p))) p += w;
        if (p >= end || c.At(p) != '=') continue;
        p += w;
        while (p < end && IsBlank(c.At(p))) p += w;
        std::int32_t stop = end;
        const unsigned char q = c.At(p);
        if (p < end && (q == '"' || q == '\'')) {
            p += w;
            stop = p;
            while (stop < end && c.At(stop) != q) stop += w;
        }
        while (stop > p && IsBlank(c.At(stop - w))) stop -= w;
        if (stop <= p || (stop - p) / w > kMaxValueChars) return;
        out.push_back({tagPos, p, (stop - p) / w, 0, Copy(t, p, stop), kLinkLink, false});
        return;
    }
}

// Tags with attributes of their own in the rules, or read for <base> and refresh.
bool HasOwnRules(const char* tag, std::size_t size) {
    static const char* const kTags[] = {"img", "source", "video", "audio", "track", "object", "form", "button", "input",
                                        "image", "use", "html", "blockquote", "q", "ins", "del", "base", "meta", "style"};
    // Every tag of a page is asked: most are none of these, and no name of theirs is longer than 10.
    static const std::array<std::uint32_t, 11> kLengths = [] {
        std::array<std::uint32_t, 11> m{};  // bit c - 'a' set: some name of that length begins with c
        for (const char* k : kTags) m[std::strlen(k)] |= 1u << (k[0] - 'a');
        return m;
    }();
    if (size >= kLengths.size() || tag[0] < 'a' || tag[0] > 'z' || !(kLengths[size] >> (tag[0] - 'a') & 1u))
        return false;
    for (const char* k : kTags)
        if (k[0] == tag[0] && std::strcmp(k, tag) == 0) return true;
    return false;
}

// Where the words of attributes any tag can carry ("data-", "style") stand in 8-bit text, asked from
// places that only move forward: most tags of a page hold none, and are passed over without reading
// them. Each word is compared as (c | 0x20), and looked for from its rarest letter: the '-' of
// "data-" (or a '\r', which compares as one), the 'y' of "style".
class AnyTagWords {
public:
    explicit AnyTagWords(const Text& t) : d_(t.data), size_(t.size) {}

    // Whether the tag from p up to its first '>' holds one; tagEnd gets that '>' (the text's size when none).
    bool InTag(std::int32_t p, std::int32_t* tagEnd) {
        const void* gt = FindByte(d_ + p, '>', static_cast<std::size_t>(size_ - p));
        const std::int32_t end = gt ? static_cast<std::int32_t>(static_cast<const unsigned char*>(gt) - d_) : size_;
        *tagEnd = end;
        std::int32_t first = kNone;
        for (int a = 0; a < kAnchors; ++a) {
            if (next_[a] < p) next_[a] = Find(a, p);
            first = std::min(first, next_[a]);
        }
        return first <= end - 5;
    }

private:
    static constexpr std::int32_t kNone = 0x7FFFFFFF;
    static constexpr int kAnchors = 4;
    struct Anchor {
        unsigned char letter;
        std::int32_t offset;
        const char* word;
    };
    static constexpr Anchor kAnchor[kAnchors] = {
        {'-', 4, "data-"}, {'\r', 4, "data-"}, {'y', 2, "style"}, {'Y', 2, "style"}};

    // The first word at or after p that anchor a finds.
    std::int32_t Find(int a, std::int32_t p) const {
        const Anchor& k = kAnchor[a];
        for (std::int32_t i = p + k.offset; i < size_; ++i) {
            const void* hit = FindByte(d_ + i, k.letter, static_cast<std::size_t>(size_ - i));
            if (hit == nullptr) break;
            i = static_cast<std::int32_t>(static_cast<const unsigned char*>(hit) - d_);
            if (WordAt(i - k.offset, k.word)) return i - k.offset;
        }
        return kNone;
    }
    bool WordAt(std::int32_t s, const char* word) const {
        if (s < 0 || s + 5 > size_) return false;
        for (int k = 0; k < 5; ++k)
            if ((d_[s + k] | 0x20) != (static_cast<unsigned char>(word[k]) | 0x20)) return false;
        return true;
    }

    const unsigned char* d_;
    std::int32_t size_;
    std::int32_t next_[kAnchors] = {-1, -1, -1, -1};  // each anchor's next word, valid while not behind the place asked
};

}  // namespace

std::int32_t ReadTag(const Text& t, std::int32_t tagPos, std::string* name, std::vector<TagAttribute>* attributes) {
    const Chars c(t);
    const std::int32_t w = c.w;
    if (name) name->clear();
    if (attributes) attributes->clear();
    if (c.At(tagPos) != '<' || !IsLetter(c.At(tagPos + w))) return -1;
    std::int32_t p = tagPos + w;
    for (; IsTagNameChar(c.At(p)); p += w)
        if (name) name->push_back(static_cast<char>(Lower(c.At(p))));
    for (;;) {
        while (p < c.limit && (IsBlank(c.At(p)) || c.At(p) == '/' || c.At(p) == 0)) p += w;
        if (p >= c.limit) return c.limit;
        const unsigned char first = c.At(p);
        if (first == '>') return p + w;
        if (first == '<') return p;  // a tag left open: the next one starts here
        TagAttribute a;
        a.namePos = p;
        while (p < c.limit && !IsBlank(c.At(p)) && c.At(p) != '=' && c.At(p) != '>' && c.At(p) != '<') p += w;
        if (p == a.namePos) p += w;  // a stray '=' or quote: passed over
        a.nameEnd = p;
        std::int32_t v = p;
        while (v < c.limit && IsBlank(c.At(v))) v += w;
        if (c.At(v) == '=') {
            v += w;
            while (v < c.limit && IsBlank(c.At(v))) v += w;
            const unsigned char q = c.At(v);
            if (q == '"' || q == '\'') {
                std::int32_t e = v + w;
                while (e < c.limit && c.At(e) != q) e += w;
                if (e >= c.limit) {
                    // A quote never closed: the tag ends at its first '>', the rest of the page is still read.
                    for (std::int32_t x = v; x < c.limit; x += w)
                        if (c.At(x) == '>') return x + w;
                    return c.limit;
                }
                a.valuePos = v;
                a.contentPos = v + w;
                a.contentEnd = e;
                a.valueEnd = e + w;
                a.quote = q;
                p = e + w;
            } else {
                std::int32_t e = v;
                while (e < c.limit && !IsBlank(c.At(e)) && c.At(e) != '>' && c.At(e) != 0) e += w;
                if (e > v) {
                    a.valuePos = a.contentPos = v;
                    a.contentEnd = a.valueEnd = e;
                }
                p = e;
            }
        }
        if (attributes && attributes->size() < kMaxAttributes) attributes->push_back(a);
    }
}

std::vector<SrcsetCandidate> ParseSrcset(const Text& t, std::int32_t from, std::int32_t end) {
    const Chars c(t);
    const std::int32_t w = c.w;
    std::vector<SrcsetCandidate> out;
    std::int32_t p = from;
    end = std::min(end, c.limit);
    while (p < end) {
        while (p < end && (IsBlank(c.At(p)) || c.At(p) == ',')) p += w;
        if (p >= end) break;
        SrcsetCandidate k{p, p, p};
        while (p < end && !IsBlank(c.At(p))) p += w;
        k.urlEnd = p;
        if (c.At(p - w) == ',') {
            // Commas that end the URL are separators, not part of it.
            while (k.urlEnd > k.urlPos && c.At(k.urlEnd - w) == ',') k.urlEnd -= w;
            k.descriptorEnd = k.urlEnd;
        } else {
            // Descriptors run to the next comma outside parentheses.
            int depth = 0;
            std::int32_t last = k.urlEnd;
            for (; p < end; p += w) {
                const unsigned char ch = c.At(p);
                if (ch == '(') ++depth;
                if (ch == ')' && depth > 0) --depth;
                if (ch == ',' && depth == 0) break;
                if (!IsBlank(ch)) last = p + w;
            }
            k.descriptorEnd = last;
        }
        if (k.urlEnd > k.urlPos) out.push_back(k);
    }
    return out;
}

void FindStyleStrings(const Text& t, std::int32_t from, std::int32_t end, std::int32_t tagPos, std::vector<FoundUrl>& out) {
    const Chars c(t);
    const std::int32_t w = c.w;
    end = std::min(end, c.limit);
    auto addString = [&](std::int32_t p) -> std::int32_t {  // p at the opening quote; returns after the closing one
        const unsigned char q = c.At(p);
        std::int32_t e = p + w;
        while (e < end && c.At(e) != q && c.At(e) != '\n') e += w;
        if (e >= end || c.At(e) != q) return e;
        std::string raw = CleanUrl(Copy(t, p + w, e));
        if (!raw.empty() && (e - p) / w <= kMaxValueChars)
            out.push_back({tagPos, p, (e + w - p) / w, 1, std::move(raw), kLinkStyle, false});
        return e + w;
    };
    // A string quoted with references, as style attributes write it: the URL alone is the span.
    auto addEntityString = [&](std::int32_t p) -> std::int32_t {
        for (const char* entity : {"&quot;", "&#39;", "&apos;", "&#34;"}) {
            const std::int32_t n = static_cast<std::int32_t>(std::strlen(entity)) * w;
            if (FindText(t, p + n, entity, p, kScopeAll) != p) continue;
            const std::int32_t close = FindIn(t, p + n, end, entity);
            if (close < 0) return p + w;
            std::string raw = Copy(t, p + n, close);
            if (!raw.empty() && CleanUrl(raw) == raw && (close - p) / w <= kMaxValueChars)
                out.push_back({tagPos, p + n, (close - p - n) / w, 0, std::move(raw), kLinkStyle, false});
            return close + n;
        }
        return p + w;
    };
    for (std::int32_t q = FindIn(t, from, end, "@import"); q >= 0; q = FindIn(t, q + w, end, "@import")) {
        std::int32_t p = q + 7 * w;
        while (p < end && IsBlank(c.At(p))) p += w;
        if (c.At(p) == '"' || c.At(p) == '\'') addString(p);
    }
    for (std::int32_t q = FindIn(t, from, end, "image-set("); q >= 0; q = FindIn(t, q + w, end, "image-set(")) {
        std::int32_t p = q + 10 * w;
        int depth = 0;
        // Each candidate: a string (url( arguments are read elsewhere) and its descriptor, up to a comma.
        while (p < end) {
            while (p < end && (IsBlank(c.At(p)) || c.At(p) == ',')) p += w;
            if (p >= end || c.At(p) == ')') break;
            if (c.At(p) == '"' || c.At(p) == '\'') p = addString(p);
            else if (c.At(p) == '&') p = addEntityString(p);
            for (; p < end; p += w) {
                const unsigned char ch = c.At(p);
                if (ch == '(') ++depth;
                else if (ch == ')' && depth > 0) --depth;
                else if ((ch == ',' || ch == ')') && depth == 0) break;
                if (ch == '"' || ch == '\'') {  // a quoted text inside url( or a descriptor
                    std::int32_t e = p + w;
                    while (e < end && c.At(e) != ch) e += w;
                    p = e;
                }
            }
        }
    }
}

bool FindBaseHref(const Text& t, std::string* href) {
    ScriptRegions regions;
    CollectScriptRegions(t, regions);
    std::string name;
    std::vector<TagAttribute> attributes;
    for (std::int32_t p = FindTagOutsideScripts(t, regions, 0, "BASE"); p >= 0;
         p = FindTagOutsideScripts(t, regions, p + t.width(), "BASE")) {
        if (ReadTag(t, p, &name, &attributes) < 0 || name != "base") continue;
        char attribute[20];
        for (const TagAttribute& a : attributes) {
            if (a.valuePos < 0 || !ShortName(Chars(t), a, attribute) || std::strcmp(attribute, "href") != 0) continue;
            *href = CleanUrl(Copy(t, a.contentPos, a.contentEnd));
            return true;
        }
    }
    return false;
}

void FindModernUrls(const Text& t, const ScriptRegions* regions, std::vector<FoundUrl>& out, std::string* baseHref,
                    bool* baseFound) {
    const std::int32_t w = t.width();
    *baseFound = false;
    baseHref->clear();
    const Chars chars(t);
    std::string name;
    std::vector<TagAttribute> attributes;
    std::vector<const char*> seen;  // the names taken in this tag
    AnyTagWords words(t);
    for (std::int32_t p = 0;;) {
        p = NextTag(t, regions, p);
        if (p < 0) return;
        if (w == 1) {
            // Only a name HasOwnRules may know is copied: none is longer than 10.
            char shortName[12];
            std::int32_t n = 0;
            std::int32_t q = p + 1;
            for (; q < t.size && IsTagNameChar(t.data[q]); ++q)
                if (n < 11) shortName[n++] = static_cast<char>(Lower(t.data[q]));
            shortName[n] = 0;
            std::int32_t gt = 0;
            if (n == 0 || !IsLetter(static_cast<unsigned char>(shortName[0])) ||
                ((q - p - 1 > 10 || !HasOwnRules(shortName, n)) && !words.InTag(p, &gt))) {
                p = std::max(n == 0 ? p + 1 : gt, p + 1);
                continue;
            }
        }
        const std::int32_t end = ReadTag(t, p, &name, &attributes);
        if (end < 0) {
            p += w;
            continue;
        }
        const TagAttribute* httpEquiv = nullptr;
        const TagAttribute* content = nullptr;
        seen.clear();
        for (const TagAttribute& a : attributes) {
            char attribute[20];
            if (!ShortName(chars, a, attribute)) continue;
            if (name == "base" || name == "meta") {
                if (name == "base" && !std::strcmp(attribute, "href") && !*baseFound && a.valuePos >= 0) {
                    *baseHref = CleanUrl(Copy(t, a.contentPos, a.contentEnd));
                    *baseFound = true;
                } else if (name == "meta" && !std::strcmp(attribute, "http-equiv") && !httpEquiv) {
                    httpEquiv = &a;
                } else if (name == "meta" && !std::strcmp(attribute, "content") && !content) {
                    content = &a;
                }
                continue;
            }
            const AttributeRule* rule = FindRule(name, attribute);
            // As in browsers, the first of two attributes of one name counts.
            if (!rule || std::find(seen.begin(), seen.end(), rule->attribute) != seen.end()) continue;
            seen.push_back(rule->attribute);
            if (rule->form == kSrcset) AddSrcset(t, p, a, out);
            else if (rule->form == kStyle) AddStyleValue(t, p, a, out);
            else AddWholeValue(t, p, a, rule->kind, out);
        }
        if (httpEquiv && content && httpEquiv->valuePos >= 0 && content->valuePos >= 0 &&
            CleanUrl(Copy(t, httpEquiv->contentPos, httpEquiv->contentEnd)).size() == 7 &&
            FindIn(t, httpEquiv->contentPos, httpEquiv->contentEnd, "refresh") >= 0)
            AddRefresh(t, p, *content, out);
        if (name == "style") {
            std::int32_t close = FindTag(t, "/STYLE", end);
            FindStyleStrings(t, end, close < 0 ? t.size : close, -2, out);
        }
        p = std::max(end, p + w);
    }
}

}  // namespace corvane
