// Finding every URL of a page, a style sheet or a script and handing it to the URL processor.
#include "engine/markup_scanner.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "engine/find_byte.h"
#include "engine/link_table.h"
#include "engine/modern_tags.h"
#include "engine/scan_record.h"
#include "engine/url_processor.h"
#include "engine/url_text.h"

namespace corvane {
namespace {

struct TagPass {
    const char* tag;
    const char* attribute;
};

// Passes 1 to 15, in the order in which they run.
constexpr TagPass kTagPasses[] = {
    {"A", "href"},         {"APPLET", "src"},      {"AREA", "href"},       {"BGSOUND", "src"},
    {"EMBED", "src"},      {"FRAME", "src"},       {"IFRAME", "src"},      {"IMG", "src"},
    {"INPUT", "src"},      {"LINK", "href"},       {"SCRIPT", "src"},      {"BODY", "background"},
    {"TABLE", "background"}, {"TD", "background"}, {"TR", "background"},
};
static_assert(sizeof(kTagPasses) / sizeof(kTagPasses[0]) == kTagPassCount, "fifteen tag passes");
constexpr int kLinkPass = 0;    // runs the link target adder
constexpr int kScriptPass = 10;  // searched everywhere, jumps to the next </SCRIPT

constexpr const char* kEventNames[] = {
    "onabort", "onactivate", "onafterprint", "onafterupdate", "onbeforeactivate", "onbeforecopy",
    "onbeforecut", "onbeforedeactivate", "onbeforeeditfocus", "onbeforepaste", "onbeforeprint",
    "onbeforeunload", "onbeforeupdate", "onblur", "onbounce", "oncellchange", "onchange", "onclick",
    "oncontextmenu", "oncontrolselect", "oncopy", "oncut", "ondataavailable", "ondatasetchanged",
    "ondatasetcomplete", "ondblclick", "ondeactivate", "ondrag", "ondragend", "ondragenter",
    "ondragleave", "ondragover", "ondragstart", "ondrop", "onerror", "onerrorupdate", "onfilterchange",
    "onfinish", "onfocus", "onfocusin", "onfocusout", "onhelp", "onkeydown", "onkeypress", "onkeyup",
    "onlayoutcomplete", "onload", "onlosecapture", "onmousedown", "onmouseenter", "onmouseleave",
    "onmousemove", "onmouseout", "onmouseover", "onmouseup", "onmousewheel", "onmove", "onmoveend",
    "onmovestart", "onpaste", "onpropertychange", "onreadystatechange", "onreset", "onresize",
    "onresizeend", "onresizestart", "onrowenter", "onrowexit", "onrowsdelete", "onrowsinserted",
    "onscroll", "onselect", "onselectionchange", "onselectstart", "onstart", "onstop", "onsubmit",
    "onunload",
};
static_assert(sizeof(kEventNames) / sizeof(kEventNames[0]) == 78, "the event table has 78 names");
constexpr bool NamesInOrder(const char* const* names, std::size_t count) {
    for (std::size_t i = 1; i < count; ++i) {
        const char* a = names[i - 1];
        const char* b = names[i];
        while (*a != 0 && *a == *b) ++a, ++b;
        if (static_cast<unsigned char>(*a) >= static_cast<unsigned char>(*b)) return false;
    }
    return true;
}
static_assert(NamesInOrder(kEventNames, sizeof(kEventNames) / sizeof(kEventNames[0])),
              "event names are looked up by halving: keep them in order");

// In order of priority: a later name is looked for only when the earlier ones are not found.
constexpr const char* kProtocols[] = {"file:///", "http://", "https://", "ftp://", "gopher://"};
constexpr int kProtocolCount = static_cast<int>(sizeof(kProtocols) / sizeof(kProtocols[0]));

// The file's bytes as whole characters: a UTF-16 file of odd size ends in half a character,
// which no search may read.
Text WholeText(const unsigned char* buffer, std::int32_t size, std::uint8_t encoding) {
    if (buffer == nullptr || size < 0) size = 0;
    Text t = MakeText(buffer, size, encoding);
    t.size -= t.size % t.width();
    return t;
}

std::string FileLogLine(const std::string& path, std::int32_t size) {
    return path + " (" + std::to_string(size) + " bytes) ... ";
}

std::string ResultLogText(int total) { return std::to_string(total) + " change(s) to apply"; }

bool Stopped(OperationHost& host) { return host.PumpMessages() == kPollStop; }

// A search must never come back to where it was: a next position that does not move on is
// replaced by the next character.
std::int32_t Advance(std::int32_t next, std::int32_t p, std::int32_t w) { return next > p ? next : p + w; }

constexpr std::int32_t kNoMore = 0x7FFFFFFF;

unsigned char FoldAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

// Whether the tag at p is named `name` or longer (as FindTag compares: the name's letters, case folded).
bool TagNamed(const Text& t, std::int32_t p, const char* name) {
    const std::int32_t w = t.width();
    for (std::int32_t i = 0; name[i] != 0; ++i) {
        const std::int32_t q = p + (i + 1) * w;
        const unsigned char c = w == 1 ? (q < t.size ? t.data[q] : 0) : CharAt(t, q);
        if (FoldAscii(c) != static_cast<unsigned char>(name[i])) return false;
    }
    return true;
}

// Most tags stand before the first script region or after the last one's end: known without a search.
bool OutsideEveryRegion(const ScriptRegions& regions, std::int32_t p) {
    const std::vector<std::int32_t>& starts = regions.scriptStarts;
    const std::vector<std::int32_t>& ends = regions.scriptEnds;
    return starts.empty() || p <= starts.front() || (!ends.empty() && ends.back() > starts.back() && p > ends.back());
}

// 0: p lies outside every script region; 1: inside one; 2: inside one that runs to the end of the text.
int RegionAt(const ScriptRegions& regions, std::int32_t p) {
    const std::vector<std::int32_t>& starts = regions.scriptStarts;
    const std::vector<std::int32_t>& ends = regions.scriptEnds;
    if (OutsideEveryRegion(regions, p)) return 0;
    const auto s = std::lower_bound(starts.begin(), starts.end(), p);
    if (s == starts.begin()) return 0;
    const auto e = std::upper_bound(ends.begin(), ends.end(), *(s - 1));
    if (e == ends.end()) return 2;
    return *e < p ? 0 : 1;
}

// The first protocol name, in order of priority, found from a start that only moves forward.
// Each name's next occurrence is kept: while it still lies ahead of the start it is still the
// first one, and a name that was not found is not found from further on either (the stop
// characters of the scopes used here never occur inside a protocol name, and the next start
// never passes the end of the occurrence just handed on).
class ProtocolFinder {
public:
    ProtocolFinder(const Text& t, std::int32_t end, int scope) : t_(t), end_(end), scope_(scope) {}

    std::int32_t Next(std::int32_t from) {
        for (int i = 0; i < kProtocolCount; ++i) {
            if (!known_[i] || (next_[i] >= 0 && next_[i] < from)) {
                next_[i] = FindText(t_, end_, kProtocols[i], from, scope_);
                known_[i] = true;
            }
            if (next_[i] >= 0 && next_[i] < end_) return next_[i];
        }
        return -1;
    }

private:
    const Text& t_;
    std::int32_t end_;
    int scope_;
    bool known_[kProtocolCount] = {};
    std::int32_t next_[kProtocolCount] = {};
};

// The next "/*" and "*/" of the whole text from a position, kept while positions move forward.
class CommentMarks {
public:
    explicit CommentMarks(const Text& t) : t_(t) {}

    std::int32_t NextOpen(std::int32_t p) { return Find(0, "/*", p); }
    std::int32_t NextClose(std::int32_t p) { return Find(1, "*/", p); }

private:
    std::int32_t Find(int i, const char* needle, std::int32_t p) {
        if (from_[i] < 0 || p < from_[i] || (pos_[i] >= 0 && pos_[i] < p)) {
            pos_[i] = t_.width() == 1 && t_.data != nullptr && p >= 0 ? FindByStar(i, p)
                                                                       : FindText(t_, t_.size, needle, p, kScopeAll);
            from_[i] = p;
        }
        return pos_[i];
    }

    // "/*" (i 0) or "*/" (i 1) at or after p in 8-bit text, found by its '*': pages hold many a '/'
    // (every URL) and few a '*'.
    std::int32_t FindByStar(int i, std::int32_t p) const {
        const unsigned char* d = t_.data;
        const std::int32_t size = t_.size;
        for (std::int32_t r = p + (i == 0 ? 1 : 0); r < size; ++r) {
            const void* star = FindByte(d + r, '*', static_cast<std::size_t>(size - r));
            if (star == nullptr) return -1;
            r = static_cast<std::int32_t>(static_cast<const unsigned char*>(star) - d);
            if (i == 0 && d[r - 1] == '/') return r - 1;
            if (i == 1 && r + 1 < size && d[r + 1] == '/') return r;
        }
        return -1;
    }

    const Text& t_;
    std::int32_t from_[2] = {-1, -1};
    std::int32_t pos_[2] = {-1, -1};
};

int InScriptComment(const Text& t, std::int32_t p, CommentMarks& marks) {
    const std::int32_t w = t.width();
    if (p < 0) p = 0;
    // A "//" earlier on the same line.
    for (std::int32_t x = std::min(p, t.size) - w; x >= 0; x -= w) {
        const unsigned char c = w == 1 ? t.data[x] : CharAt(t, x);
        if (c == '\n' || c == '\r') break;
        if (c == '/' && (w == 1 ? x + 1 < t.size && t.data[x + 1] == '/' : CharAt(t, x + w) == '/')) return 1;
    }
    // Inside a block comment, or before one that is never closed.
    const std::int32_t a = marks.NextOpen(p);
    const std::int32_t b = marks.NextClose(p);
    if (a > p && b > p && b < a) return 1;
    if (a == -1 && b > p) return 1;
    if (a > p && b == -1) return 1;
    return 0;
}

// Where an unquoted event value must end at the latest: the end of its tag (a '<' or '>' not
// followed by '='). Without this bound the value's search would run on through the rest of the
// file until a blank, handing on URLs of other tags and of the text as if they were this one's.
std::int32_t UnquotedValueLimit(const Text& t, std::int32_t from) {
    const std::int32_t w = t.width();
    for (std::int32_t x = from; x >= 0 && x + w <= t.size; x += w) {
        const unsigned char c = CharAt(t, x);
        if ((c == '<' || c == '>') && CharAt(t, x + w) != '=') return x;
    }
    return t.size;
}

// Hands every URL found by protocol name inside one event value to the URL processor,
// counting the changes queued in total. Returns 0, or the processor's negative stop.
int ScanEventValue(EngineContext& ctx, const Text& t, std::uint32_t file, std::int32_t tagPos,
                   std::int32_t v, int& total) {
    const std::int32_t w = t.width();
    const unsigned char c0 = CharAt(t, v);
    const unsigned char c1 = CharAt(t, v + w);
    int scope = kScopeSpace;
    std::int32_t start = v;
    std::int32_t end = t.size;
    if (c0 == '"') {
        scope = kScopeDoubleQuote;
        start = v + w;
    } else if (c0 == '\'') {
        scope = kScopeSingleQuote;
        start = v + w;
    } else if (w == 2 && c0 == '\\' && c1 == '"') {
        scope = kScopeEscDouble;
        start = v + 2 * w;
    } else if (w == 2 && c0 == '\\' && c1 == '\'') {
        scope = kScopeEscSingle;
        start = v + 2 * w;
    } else {
        end = UnquotedValueLimit(t, v);
    }
    ProtocolFinder finder(t, end, scope);
    for (;;) {
        const std::int32_t f = finder.Next(start);
        if (f < 0) return 0;
        const int n = ProcessUrl(ctx, t, file, tagPos, f, false);
        if (n < 0) return n;
        total += n;
        // One character on, not one byte: a UTF-16 search must stay on whole characters.
        start = f + w;
    }
}

// After ProcessUrl of a link's href: decides whether the link gets a TARGET record.
int RunTargetAdder(EngineContext& ctx, const Text& t, std::uint32_t file, std::int32_t tagPos,
                   const std::string& href, int added, std::int32_t secondPassBefore) {
    if (ctx.recording != nullptr) {
        ctx.recording->AddText(ScanEvent::kTargetAdder, href, tagPos);
        return 0;
    }
    // The link will change its protocol in the next pass; its target is decided then.
    if (ctx.links.secondPassCount() != secondPassBefore) return 0;
    bool filtered = false;
    if (added > 0 && ctx.links.linkCount() - added >= 0) {
        const std::string replacement = ctx.links[ctx.links.linkCount() - added].linkReplacement;
        filtered = TargetFilter(ctx, href, &replacement) != 0;
    } else {
        filtered = TargetFilter(ctx, href, nullptr) != 0;
    }
    if (!filtered) return 0;
    std::string current;
    std::int32_t targetPos = -1;
    if (FindAttribute(t, "target", tagPos + 2 * t.width(), &current, &targetPos, false) > 0 && targetPos >= 0) {
        if (!ctx.processing.modifyExistingTargets) return 0;
        return AddTargetRecord(ctx, t, file, tagPos, targetPos, href, current);
    }
    return AddTargetRecord(ctx, t, file, tagPos, -1, href, std::string());
}

// The length of the tag's name as the event pass measures it; measured here in 8-bit text, as every
// tag is: an unquoted name runs to a blank, a quote, an escaped quote or a '>'.
std::int32_t EventTagNameLength(const Text& t, std::int32_t p) {
    auto quote = [](unsigned char c) { return c == '"' || c == '\''; };
    if (t.width() != 1 || t.data == nullptr || p < 0 || p >= t.size || quote(t.data[p]) || t.data[p] < ' ' ||
        (t.data[p] == '\\' && p + 1 < t.size && quote(t.data[p + 1])))
        return ExtractValue(t, p, nullptr, kExtractEventTag, nullptr, nullptr);
    std::int32_t q = p;
    for (; q < t.size; ++q) {
        const unsigned char c = t.data[q];
        if (c <= ' ' || quote(c) || c == '>' || (c == '\\' && q + 1 < t.size && quote(t.data[q + 1]))) break;
    }
    return q >= t.size || q - p > kMaxValueChars ? 0 : q - p;
}

// The lists of the scan at hand: those the context lends when it scans file after file, else the
// scan's own.
struct ScanLists {
    ScanScratch own;
    ScanScratch& get;
    explicit ScanLists(EngineContext& ctx) : get(ctx.scratch != nullptr ? *ctx.scratch : own) {}
    ScanLists(const ScanLists&) = delete;
    ScanLists& operator=(const ScanLists&) = delete;
};

bool IsEventNameChar(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == ':' || c == '.';
}

// Where the names of the event table stand in 8-bit text as whole words, asked from places that only
// move forward. Most tags name no event: a tag whose names' walk ends before the next such word is
// passed over without the walk that lists its names.
class EventWords {
public:
    explicit EventWords(const Text& t) : t_(t) {}

    // Whether the tag whose names begin at `from` may name an event.
    bool MayName(std::int32_t from) {
        if (t_.width() != 1 || t_.data == nullptr) return true;
        if (from < 0 || from >= t_.size) return false;
        if (EventAt(from)) return true;  // a name may begin right after the tag's name, word or not
        if (next_ < from) next_ = Find(from);
        return next_ != kNoMore && next_ < TagNamesEnd(t_, from);
    }

private:
    // The whole name at p, lower case, is an event's.
    bool EventAt(std::int32_t p) const {
        const unsigned char* d = t_.data;
        if (p + 1 >= t_.size || FoldAscii(d[p]) != 'O' || FoldAscii(d[p + 1]) != 'N') return false;
        char name[24];
        std::size_t n = 0;
        for (std::int32_t q = p; q < t_.size && IsEventNameChar(d[q]); ++q) {
            if (n + 1 == sizeof name) return false;  // longer than every event's name
            name[n++] = static_cast<char>(d[q] >= 'A' && d[q] <= 'Z' ? d[q] + 32 : d[q]);
        }
        name[n] = 0;
        const auto found = std::lower_bound(std::begin(kEventNames), std::end(kEventNames), name,
                                            [](const char* e, const char* k) { return std::strcmp(e, k) < 0; });
        return found != std::end(kEventNames) && std::strcmp(*found, name) == 0;
    }
    std::int32_t Find(std::int32_t from) const {
        const unsigned char* d = t_.data;
        for (std::int32_t p = from; p + 1 < t_.size; ++p) {
            const void* hit = FindLetterPair(d + p, 'o', 'n', static_cast<std::size_t>(t_.size - p));
            if (hit == nullptr) break;
            p = static_cast<std::int32_t>(static_cast<const unsigned char*>(hit) - d);
            if ((p == 0 || !IsEventNameChar(d[p - 1])) && EventAt(p)) return p;
        }
        return kNoMore;
    }

    const Text& t_;
    std::int32_t next_ = -1;  // the next word at or after the place last asked
};

// The event pass: URLs by protocol name inside the values of event attributes of every tag.
// Counts the changes queued in total; returns 0, -1 on ESC, or the processor's negative stop.
int ScanEventAttributes(EngineContext& ctx, const Text& t, std::uint32_t file, const ScriptRegions& regions,
                        bool insideScripts, int& total) {
    const std::int32_t w = t.width();
    std::int32_t p = 0;
    const ScanLists lists(ctx);
    std::vector<AttributeName>& names = lists.get.names;
    std::vector<std::pair<std::size_t, std::size_t>>& events = lists.get.events;  // (event, name) pairs
    EventWords words(t);
    for (;;) {
        p = NextTag(t, insideScripts ? nullptr : &regions, p);
        if (p < 0) return 0;
        const std::int32_t nameLen = EventTagNameLength(t, p);
        const std::int32_t afterName = p + nameLen * w;
        // The tag's names beginning with "on" in one walk; each event is then looked up where its name is.
        if (words.MayName(afterName)) FindAttributeNames(t, "on", afterName, names);
        else names.clear();
        if (!names.empty()) {
            // Each event the tag names, in the table's order, at the first place it is named.
            events.clear();
            for (std::size_t i = 0; i < names.size(); ++i) {
                const auto found = std::lower_bound(std::begin(kEventNames), std::end(kEventNames), names[i].name,
                                                    [](const char* e, const std::string& n) { return n.compare(e) > 0; });
                if (found != std::end(kEventNames) && names[i].name == *found)
                    events.emplace_back(static_cast<std::size_t>(found - std::begin(kEventNames)), i);
            }
            std::stable_sort(events.begin(), events.end(),
                             [](const std::pair<std::size_t, std::size_t>& a, const std::pair<std::size_t, std::size_t>& b) {
                                 return a.first < b.first;
                             });
            for (std::size_t e = 0; e < events.size(); ++e) {
                if (e > 0 && events[e].first == events[e - 1].first) continue;
                const char* event = kEventNames[events[e].first];
                const auto at = names.begin() + static_cast<std::ptrdiff_t>(events[e].second);
                std::int32_t v = -1;
                if (FindAttribute(t, event, at->pos, nullptr, &v, false) <= 0 || v < 0) continue;
                const int n = ScanEventValue(ctx, t, file, p, v, total);
                if (n < 0) return n;
            }
        }
        const std::int32_t next = SkipToTagEnd(t, p);
        if (next < 0) return 0;
        p = Advance(next, p, w);
        if (Stopped(ctx.host)) return -1;
    }
}

// The page's base holds while its URLs are processed, and never for the next file.
class PageBaseScope {
public:
    PageBaseScope(EngineContext& ctx, PageBase base) : ctx_(ctx) { ctx_.pageBase = std::move(base); }
    ~PageBaseScope() { ctx_.pageBase = PageBase(); }
    PageBaseScope(const PageBaseScope&) = delete;
    PageBaseScope& operator=(const PageBaseScope&) = delete;

private:
    EngineContext& ctx_;
};

// The file's closing log text; a scan run ahead cannot count its changes, which are counted when it is played.
void ReportResult(EngineContext& ctx, int total) {
    if (ctx.recording != nullptr) {
        ctx.recording->Add(ScanEvent::kResult);
    } else {
        ctx.host.AddLogLine(ResultLogText(total), true);
    }
}

// The URLs of the walk, after the tag passes and in text order. Adds the changes queued to total;
// returns 0, or the negative stop (ESC or the processor's) with total taken off.
int ProcessFound(EngineContext& ctx, const Text& t, std::uint32_t file, const std::vector<FoundUrl>& found, int& total) {
    for (const FoundUrl& f : found) {
        const int n = ProcessFoundUrl(ctx, t, file, f);
        if (n < 0) return n - total;
        total += n;
        if (Stopped(ctx.host)) return -1 - total;
    }
    return 0;
}

}  // namespace

void CollectScriptRegions(const Text& t, ScriptRegions& regions) {
    auto collect = [&t](const char* name, std::vector<std::int32_t>& out) {
        out.clear();
        std::int32_t p = FindTag(t, name, 0);
        while (p >= 0 && out.size() < ScriptRegions::kCapacity) {
            out.push_back(p);
            const std::int32_t next = SkipToTagEnd(t, p);
            if (next < 0) break;
            p = FindTag(t, name, Advance(next, p, t.width()));
        }
    };
    collect("SCRIPT", regions.scriptStarts);
    collect("/SCRIPT", regions.scriptEnds);
}

std::int32_t FindTagOutsideScripts(const Text& t, const ScriptRegions& regions, std::int32_t from,
                                   const char* name) {
    const std::vector<std::int32_t>& starts = regions.scriptStarts;
    const std::vector<std::int32_t>& ends = regions.scriptEnds;
    std::int32_t p = FindTag(t, name, from);
    while (p >= 0) {
        if (OutsideEveryRegion(regions, p)) return p;
        // The last region that opens before p.
        const auto s = std::lower_bound(starts.begin(), starts.end(), p);
        if (s == starts.begin()) return p;
        // Its end: the first </SCRIPT after its start.
        const auto e = std::upper_bound(ends.begin(), ends.end(), *(s - 1));
        if (e == ends.end()) return -1;
        if (*e < p) return p;
        const std::int32_t next = SkipToTagEnd(t, p);
        if (next < 0) return -1;
        p = FindTag(t, name, Advance(next, p, t.width()));
    }
    return -1;
}

std::int32_t NextTag(const Text& t, const ScriptRegions* regions, std::int32_t from) {
    const TagOpenings* o = t.openings;
    if (o != nullptr && o->unkeptFrom() < 0 && t.width() == 1 && t.data != nullptr) {
        if (from < 0 || from >= t.size) return -1;
        const std::size_t i = o->IndexAt(from);
        if (i >= o->size()) return -1;
        const std::int32_t p = (*o)[i];
        if (regions == nullptr || OutsideEveryRegion(*regions, p)) return p;
    }
    return regions != nullptr ? FindTagOutsideScripts(t, *regions, from, "") : FindTag(t, "", from);
}

int IsInScriptComment(const Text& t, std::int32_t p) {
    CommentMarks marks(t);
    return InScriptComment(t, p, marks);
}

int TargetFilter(const EngineContext& ctx, const std::string& url, const std::string* replacement) {
    std::string text = url;
    if (replacement != nullptr) {
        std::string unwrapped;
        UnwrapReplacement(*replacement, &unwrapped, false);
        if (!unwrapped.empty()) text = unwrapped;
    }
    switch (ctx.processing.targetMode) {
    case kTargetAllExternal: {
        if (text.find("://") == std::string::npos || StartsWithNoCase(text, "file:///")) return 0;
        const std::string& base = ctx.search.baseUrl;
        if (ctx.search.searchBaseUrl && text.size() >= base.size() && StartsWithNoCase(text, base.c_str()))
            return 0;
        return 1;
    }
    case kTargetImageLinks: {
        const std::size_t segment = text.find_last_of("/\\");
        const std::size_t dot = text.rfind('.');
        if (dot == std::string::npos || (segment != std::string::npos && dot < segment)) return 0;
        const std::string extension = text.substr(dot + 1);
        for (const char* image : {"gif", "jpg", "jpeg", "png", "bmp"})
            if (EqualsNoCase(extension, image)) return 1;
        return 0;
    }
    case kTargetCustomMask:
        return MatchMask(text, ctx.processing.urlMask);
    default:
        return 1;
    }
}

int MatchMask(const std::string& text, const std::string& mask) {
    if (text.empty()) return 1;
    const std::size_t n = mask.size();
    std::size_t i = 0;
    for (;;) {
        // One alternative, from i up to the next ';' or the end of the mask.
        std::size_t c = 0;
        bool search = false;
        bool failed = false;
        while (i < n && mask[i] != ';' && c < text.size()) {
            if (mask[i] == '*') {
                search = true;
                ++i;
            } else if (mask[i] == '?') {
                while (i < n && mask[i] == '?') {
                    ++c;
                    ++i;
                }
            } else {
                const std::size_t end = mask.find_first_of("*?;", i);
                const std::string literal = mask.substr(i, end == std::string::npos ? std::string::npos : end - i);
                i = end == std::string::npos ? n : end;
                if (search) {
                    const std::size_t at = text.find(literal, c);
                    if (at == std::string::npos) {
                        failed = true;
                        break;
                    }
                    c = at;
                } else if (text.compare(c, literal.size(), literal) != 0) {
                    failed = true;
                    break;
                }
                search = false;
            }
        }
        if (!failed) return 1;
        // On to the next alternative.
        const std::size_t next = mask.find(';', i);
        if (next == std::string::npos) return 0;
        i = next + 1;
    }
}

int AddTargetRecord(EngineContext& ctx, const Text& t, std::uint32_t file, std::int32_t tagPos,
                    std::int32_t targetPos, const std::string& url, const std::string& currentTarget) {
    const std::string& target = ctx.processing.target;
    std::int32_t valuePos = tagPos;
    std::int32_t span = 0;
    std::int32_t quote = 0;
    std::string replacement;
    if (targetPos < 0) {
        replacement = ":::\"" + target + "\"";
    } else {
        if (EqualsNoCase(target, currentTarget)) return 0;
        ExtractValue(t, targetPos, nullptr, kExtractAttribute, &span, &quote);
        if (span <= 0) return 0;
        valuePos = targetPos;
        const std::int32_t w = t.width();
        const unsigned char c0 = CharAt(t, targetPos);
        const unsigned char c1 = CharAt(t, targetPos + w);
        const bool delimited = c0 == '"' || c0 == '\'' || (c0 == '\\' && (c1 == '"' || c1 == '\''));
        replacement = delimited ? ":::" + target : ":::\"" + target + "\"";
    }
    LinkRecord& r = ctx.links.Pending();
    r.linkKind = kLinkAsTag;
    r.linkUrl = url;
    r.linkReplacement = replacement;
    r.linkFile = file;
    r.linkTagPos = tagPos;
    r.linkValuePos = valuePos;
    r.linkValueLen = static_cast<std::uint32_t>(span);
    r.linkQuoteLen = static_cast<std::uint32_t>(quote);
    return ctx.links.Commit() ? 1 : 0;
}

void CollectPassVisits(const Text& t, const ScriptRegions& regions, bool insideScripts, PassVisits& visits) {
    const std::int32_t w = t.width();
    std::int32_t next[kTagPassCount] = {};
    for (int i = 0; i < kTagPassCount; ++i) {
        visits.tags[i].clear();
        visits.lastRunsToEnd[i] = false;
    }
    // The passes whose tag names begin with each letter.
    static const std::array<std::uint16_t, 256> kPassesByFirst = [] {
        std::array<std::uint16_t, 256> m{};
        for (int i = 0; i < kTagPassCount; ++i)
            m[static_cast<unsigned char>(kTagPasses[i].tag[0])] |= static_cast<std::uint16_t>(1u << i);
        return m;
    }();
    // Every tag once (straight from the page's openings when all are kept); each pass takes the ones
    // its own search would find: a tag of its name at or after the place where its previous search left off.
    const TagOpenings* openings = t.openings != nullptr && t.openings->unkeptFrom() < 0 ? t.openings : nullptr;
    std::size_t opening = 0;
    auto nextTag = [&](std::int32_t from) {
        if (openings == nullptr) return FindTag(t, "", from);
        return opening < openings->size() ? (*openings)[opening++] : -1;
    };
    for (std::int32_t p = nextTag(0); p >= 0; p = nextTag(p + w)) {
        const unsigned char first = FoldAscii(w == 1 ? (p + 1 < t.size ? t.data[p + 1] : 0) : CharAt(t, p + w));
        int i = -1;
        for (unsigned passes = kPassesByFirst[first]; passes != 0; passes >>= 1) {
            ++i;
            if ((passes & 1u) == 0) continue;
            const char* name = kTagPasses[i].tag;
            if (p < next[i] || !TagNamed(t, p, name)) continue;
            if (!insideScripts && i != kScriptPass) {
                const int region = RegionAt(regions, p);
                if (region == 2) {
                    next[i] = kNoMore;
                    continue;
                }
                if (region == 1) {
                    const std::int32_t end = SkipToTagEnd(t, p);
                    next[i] = end < 0 ? kNoMore : Advance(end, p, w);
                    continue;
                }
            }
            visits.tags[i].push_back(p);
            const std::int32_t end = i == kScriptPass ? FindTag(t, "/SCRIPT", p) : SkipToTagEnd(t, p);
            visits.lastRunsToEnd[i] = end < 0;
            next[i] = end < 0 ? kNoMore : Advance(end, p, w);
        }
    }
}

void CollectPassVisitsByPasses(const Text& t, const ScriptRegions& regions, bool insideScripts, PassVisits& visits) {
    const std::int32_t w = t.width();
    for (int i = 0; i < kTagPassCount; ++i) {
        const char* name = kTagPasses[i].tag;
        const bool everywhere = insideScripts || i == kScriptPass;
        visits.tags[i].clear();
        visits.lastRunsToEnd[i] = false;
        for (std::int32_t p = 0;;) {
            p = everywhere ? FindTag(t, name, p) : FindTagOutsideScripts(t, regions, p, name);
            if (p < 0) break;
            visits.tags[i].push_back(p);
            const std::int32_t end = i == kScriptPass ? FindTag(t, "/SCRIPT", p) : SkipToTagEnd(t, p);
            if (end < 0) {
                visits.lastRunsToEnd[i] = true;
                break;
            }
            p = Advance(end, p, w);
        }
    }
}

int ScanTags(EngineContext& ctx, const Text& t, std::uint32_t file, const ScriptRegions& regions,
             std::int32_t& k, std::int32_t range, bool insideScripts) {
    OperationHost& host = ctx.host;
    const std::int32_t w = t.width();
    int total = 0;
    const ScanLists lists(ctx);
    PassVisits& visits = lists.get.visits;
    CollectPassVisits(t, regions, insideScripts, visits);
    for (int pass = 0; pass < kTagPassCount; ++pass) {
        host.SetFileProgress(k, range);
        ++k;
        if (Stopped(host)) return -1 - total;
        const TagPass& tp = kTagPasses[pass];
        const std::int32_t afterName = static_cast<std::int32_t>(1 + std::strlen(tp.tag)) * w;
        const bool adder = pass == kLinkPass && ctx.processing.targetAdderEnabled;
        const std::vector<std::int32_t>& tags = visits.tags[pass];
        for (std::size_t i = 0; i < tags.size(); ++i) {
            const std::int32_t p = tags[i];
            std::string href;
            std::int32_t valuePos = -1;
            if (FindAttribute(t, tp.attribute, p + afterName, adder ? &href : nullptr, &valuePos, false) > 0 &&
                valuePos >= 0) {
                const std::int32_t secondPassBefore = ctx.links.secondPassCount();
                const int n = ProcessUrl(ctx, t, file, p, valuePos, true);
                if (n < 0) return n - total;
                total += n;
                if (adder) total += RunTargetAdder(ctx, t, file, p, href, n, secondPassBefore);
            }
            // A pass whose last tag never ends stops there, without a poll.
            if (i + 1 == tags.size() && visits.lastRunsToEnd[pass]) break;
            if (Stopped(host)) return -1 - total;
        }
    }
    if (ctx.search.searchEventsByProtocol) {
        host.SetFileProgress(k, range);
        ++k;
        if (Stopped(host)) return -1 - total;
        const int n = ScanEventAttributes(ctx, t, file, regions, insideScripts, total);
        if (n < 0) return n - total;
    }
    host.SetFileProgress(k, range);
    return total;
}

namespace {

template <typename T>
void LetGoIfLarge(std::vector<T>& list) {
    if (list.capacity() * sizeof(T) > (std::size_t{1} << 20)) std::vector<T>().swap(list);
}

}  // namespace

void ScanScratch::LetGoOfLarge() {
    for (std::vector<std::int32_t>& tags : visits.tags) LetGoIfLarge(tags);
    LetGoIfLarge(openings);
    LetGoIfLarge(regions.scriptStarts);
    LetGoIfLarge(regions.scriptEnds);
    LetGoIfLarge(modern);
    LetGoIfLarge(names);
    LetGoIfLarge(events);
}

int ScanPage(EngineContext& ctx, const unsigned char* buffer, std::int32_t size, const std::string& path,
             std::uint32_t file) {
    OperationHost& host = ctx.host;
    host.AddLogLine(FileLogLine(path, size), false);
    Text t = WholeText(buffer, size, ctx.links.fileEncoding(file));
    const ScanLists lists(ctx);
    // A page is walked tag by tag many times over: its tags are found once.
    const TagOpenings openings(t, &lists.get.openings);
    t.openings = &openings;
    const std::int32_t w = t.width();

    const bool insideScripts = ctx.search.searchScriptsByTagNames;
    ScriptRegions& regions = lists.get.regions;
    regions.scriptStarts.clear();
    regions.scriptEnds.clear();
    if (!insideScripts) CollectScriptRegions(t, regions);
    auto findTag = [&](std::int32_t from, const char* name) {
        return insideScripts ? FindTag(t, name, from) : FindTagOutsideScripts(t, regions, from, name);
    };

    // The attributes of today's markup and the page's <base> come from one walk, taken before the
    // tag passes so that the base counts for every URL of the page.
    std::vector<FoundUrl>& modern = lists.get.modern;
    modern.clear();
    std::string baseHref;
    bool hasBase = false;
    FindModernUrls(t, insideScripts ? nullptr : &regions, modern, &baseHref, &hasBase);
    PageBase base;
    if (hasBase && ctx.recording != nullptr) {
        ctx.recording->AddText(ScanEvent::kBase, baseHref);
    } else if (hasBase) {
        base = ResolvePageBase(ctx, file, baseHref);
    }
    const PageBaseScope baseScope(ctx, std::move(base));

    const std::int32_t range = 16 + (ctx.search.searchScriptsByProtocol ? 1 : 0) +
                               (ctx.search.searchEventsByProtocol ? 1 : 0);
    std::int32_t k = 0;
    int total = ScanTags(ctx, t, file, regions, k, range, insideScripts);
    if (total < 0) return total;

    // url( arguments inside STYLE blocks.
    host.SetFileProgress(k, range);
    if (Stopped(host)) return -1 - total;
    for (std::int32_t p = 0;;) {
        const std::int32_t s = findTag(p, "STYLE");
        if (s < 0) break;
        std::int32_t e = findTag(s, "/STYLE");
        if (e < 0) e = t.size;
        if (e > s) {
            const std::int32_t content = SkipToTagEnd(t, s);
            std::int32_t q = content < 0 ? -1 : FindText(t, e, "url(", content, kScopeAll);
            while (q >= 0) {
                const std::int32_t v = q + 3 * w;
                const int n = ProcessUrl(ctx, t, file, -2, v, false);
                if (n < 0) return n - total;
                total += n;
                if (v + w > t.size) break;
                q = FindText(t, e, "url(", v + w, kScopeAll);
            }
        }
        const std::int32_t next = SkipToTagEnd(t, e);
        if (next < 0) break;
        p = Advance(next, p, w);
        if (Stopped(host)) return -1 - total;
    }

    // URLs by protocol name inside SCRIPT blocks.
    if (ctx.search.searchScriptsByProtocol) {
        host.SetFileProgress(k, range);
        ++k;
        if (Stopped(host)) return -1 - total;
        CommentMarks comments(t);
        const int scope = insideScripts ? kScopeTagOpen : kScopeAll;
        for (std::int32_t p = 0;;) {
            const std::int32_t s = FindTag(t, "SCRIPT", p);
            if (s < 0) break;
            std::int32_t e = FindTag(t, "/SCRIPT", s);
            if (e < 0) e = t.size;
            std::int32_t q = SkipToTagEnd(t, s);
            if (e > s && q >= 0) {
                ProtocolFinder finder(t, e, scope);
                for (;;) {
                    const std::int32_t f = finder.Next(q);
                    if (f < 0) break;
                    if (!InScriptComment(t, f, comments)) {
                        const int n = ProcessUrl(ctx, t, file, -1, f, false);
                        if (n < 0) return n - total;
                        total += n;
                    }
                    q = f + 6 * w;
                    if (q > t.size) break;
                }
            }
            const std::int32_t next = SkipToTagEnd(t, e);
            if (next < 0) break;
            p = Advance(next, p, w);
            if (Stopped(host)) return -1 - total;
        }
    }

    const int n = ProcessFound(ctx, t, file, modern, total);
    if (n < 0) return n;

    host.SetFileProgress(k, range);
    ReportResult(ctx, total);
    return total;
}

int ScanScriptFile(EngineContext& ctx, const unsigned char* buffer, std::int32_t size,
                   const std::string& path, std::uint32_t file) {
    OperationHost& host = ctx.host;
    host.AddLogLine(FileLogLine(path, size), false);
    const Text t = WholeText(buffer, size, ctx.links.fileEncoding(file));
    const std::int32_t w = t.width();

    std::int32_t range = 1 + (ctx.search.searchScriptsByProtocol ? 1 : 0);
    std::int32_t k = 0;
    int total = 0;
    if (ctx.search.searchScriptsByTagNames) {
        range += 15 + (ctx.search.searchEventsByProtocol ? 1 : 0);
        const ScriptRegions none;
        total = ScanTags(ctx, t, file, none, k, range, true);
        if (total < 0) return total;
    }
    if (ctx.search.searchScriptsByProtocol) {
        host.SetFileProgress(k, range);
        ++k;
        CommentMarks comments(t);
        ProtocolFinder finder(t, t.size, kScopeAll);
        for (std::int32_t q = 0;;) {
            const std::int32_t f = finder.Next(q);
            if (f < 0) break;
            if (!InScriptComment(t, f, comments)) {
                const int n = ProcessUrl(ctx, t, file, -1, f, false);
                if (n < 0) return n - total;
                total += n;
            }
            q = f + w;
            if (Stopped(host)) return -1 - total;
        }
    }
    host.SetFileProgress(range, range);
    ReportResult(ctx, total);
    return total;
}

int ScanStyleSheet(EngineContext& ctx, const unsigned char* buffer, std::int32_t size,
                   const std::string& path, std::uint32_t file) {
    OperationHost& host = ctx.host;
    host.AddLogLine(FileLogLine(path, size), false);
    const Text t = WholeText(buffer, size, ctx.links.fileEncoding(file));
    const std::int32_t w = t.width();
    int total = 0;
    std::int32_t q = FindText(t, t.size, "url(", 0, kScopeAll);
    while (q >= 0) {
        const std::int32_t v = q + 3 * w;
        const int n = ProcessUrl(ctx, t, file, -2, v, false);
        if (n < 0) return n - total;
        total += n;
        q = FindText(t, t.size, "url(", v + w, kScopeAll);
        if (Stopped(host)) return -1 - total;
    }
    std::vector<FoundUrl> strings;
    FindStyleStrings(t, 0, t.size, -2, strings);
    const int n = ProcessFound(ctx, t, file, strings, total);
    if (n < 0) return n;
    host.SetFileProgress(1, 1);
    ReportResult(ctx, total);
    return total;
}

int PlayScan(EngineContext& ctx, const unsigned char* buffer, std::int32_t size, std::uint32_t file,
             const ScanRecord& record) {
    OperationHost& host = ctx.host;
    const Text t = WholeText(buffer, size, ctx.links.fileEncoding(file));
    const PageBaseScope baseScope(ctx, PageBase());
    int total = 0;
    int added = 0;
    std::int32_t secondPassBefore = 0;
    for (const ScanEvent& e : record.events) {
        switch (e.kind) {
            case ScanEvent::kLogLine:
            case ScanEvent::kLogAppend:
                host.AddLogLine(record.strings[static_cast<std::size_t>(e.index)], e.kind == ScanEvent::kLogAppend);
                break;
            case ScanEvent::kOverallProgress:
                host.SetOverallProgress(e.a, e.b);
                break;
            case ScanEvent::kFileProgress:
                host.SetFileProgress(e.a, e.b);
                break;
            case ScanEvent::kStatus:
                host.SetStatusText(record.strings[static_cast<std::size_t>(e.index)]);
                break;
            case ScanEvent::kPoll:
                for (std::int32_t i = 0; i < e.a; ++i)
                    if (Stopped(host)) return -1 - total;
                break;
            case ScanEvent::kUrl: {
                const FoundUrl& f = record.found[static_cast<std::size_t>(e.index)];
                secondPassBefore = ctx.links.secondPassCount();
                added = ProcessUrlSpan(ctx, t, file, f.tagPos, f.valuePos, f.spanLen, f.quoteLen, f.raw, f.wholeValue,
                                       f.kind);
                if (added < 0) return added - total;
                total += added;
                break;
            }
            case ScanEvent::kTargetAdder:
                total += RunTargetAdder(ctx, t, file, e.a, record.strings[static_cast<std::size_t>(e.index)], added,
                                        secondPassBefore);
                break;
            case ScanEvent::kBase:
                ctx.pageBase = ResolvePageBase(ctx, file, record.strings[static_cast<std::size_t>(e.index)]);
                break;
            case ScanEvent::kResult:
                host.AddLogLine(ResultLogText(total), true);
                break;
        }
    }
    return total;
}

}  // namespace corvane
