// Checking the #fragments of local links against the anchors of the pages they reach, and repairing them.
#include "engine/fragment_check.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/engine_context.h"
#include "engine/page_charset.h"
#include "engine/replacement_search.h"
#include "engine/search_driver.h"
#include "engine/url_text.h"
#include "platform/utf8.h"

namespace corvane {
namespace {

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX escapes decoded; a malformed escape, and %00, stay as written.
std::string PercentDecoded(const std::string& in) {
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '%' && i + 2 < in.size()) {
            const int hi = Hex(in[i + 1]), lo = Hex(in[i + 2]);
            if (hi >= 0 && lo >= 0 && (hi | lo) != 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(in[i]);
    }
    return out;
}

// The name as it compares when case, '-', '_', '.', blanks and escapes do not count.
std::string Loose(const std::string& name) {
    std::string kept;
    for (const char c : PercentDecoded(name))
        if (c == '\0' || !std::strchr("-_. \t\r\n\f", c)) kept.push_back(c);
    return FoldUtf8(kept);
}

// A name written as a fragment: what could end the value or be read as markup or an escape is escaped.
std::string FragmentText(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "#";
    for (const char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 33 || c == 127 || std::strchr("<>\"'{}\\^~[]&%#`|", c)) {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

// The address of a page of the site as the other replacements write it, from the linking page.
std::string AddressOf(const EngineContext& ctx, std::uint32_t file, std::int32_t row) {
    return SiteAddress(ctx, ctx.files.path(static_cast<std::int32_t>(file)), row, std::string());
}

}  // namespace

const char* FragmentRepairName(std::uint8_t repair) {
    switch (repair) {
        case kFragmentCase: return "fragment-case";
        case kFragmentMoved: return "fragment-moved";
        case kFragmentDropped: return "fragment-dropped";
        default: return "";
    }
}

bool FragmentToCheck(const std::string& afterHash, std::string* name) {
    *name = DecodeCharacterReferences(afterHash);
    if (name->empty()) return false;
    const std::string decoded = PercentDecoded(*name);
    // Browsers go to the top of the page for #top whatever its letter case, anchor or not.
    return !(decoded.size() == 3 && FoldUtf8(decoded) == "TOP");
}

void FragmentCheck::NoteLink(EngineContext& ctx, const Text& text, std::uint32_t file, std::int32_t tagPos,
                             std::int32_t valuePos, const std::string& raw, const std::string& decoded,
                             std::int32_t target, std::int32_t record) {
    // The fragment is taken as written: an escaped %23 of a query is no fragment.
    const std::size_t hash = raw.find('#');
    if (hash == std::string::npos || target < 0 || target >= ctx.files.size()) return;
    // A NUL never names an anchor, and would cut the noted texts short.
    if (raw.find('\0') != std::string::npos || decoded.find('\0') != std::string::npos) return;
    if (file >= static_cast<std::uint32_t>(ctx.files.size()) || !IsPage(ctx.files.path(static_cast<std::int32_t>(file))))
        return;
    if (!IsPage(ctx.files.path(target))) return;
    std::string name;
    if (!FragmentToCheck(raw.substr(hash + 1), &name)) return;
    if (!IsValidUtf8(name)) UrlToUtf8(text, &name);
    const std::uint32_t page = static_cast<std::uint32_t>(target);
    // A page read already answers at once; the others are judged once every page is read.
    if (anchors_.HasAnchor(page, name) || anchors_.HasAnchor(page, PercentDecoded(name))) return;
    const LinkRecord& span = record >= 0 ? ctx.links[record] : ctx.links.Pending();
    std::string texts = raw.substr(0, hash);
    texts.push_back('\0');
    texts += name;
    texts.push_back('\0');
    texts += decoded;
    notes_.push_back(Note{file, page, tagPos, valuePos, span.linkValueLen, span.linkQuoteLen, record, std::move(texts)});
}

FragmentCheck::Texts FragmentCheck::Unpack(const Note& n) {
    const std::size_t a = n.texts.find('\0');
    const std::size_t b = n.texts.find('\0', a + 1);
    return Texts{n.texts.substr(0, a), n.texts.substr(a + 1, b - a - 1), n.texts.substr(b + 1)};
}

std::uint8_t FragmentCheck::Repair(const Note& n, const Texts& t, std::string* fragment, std::int32_t* page) {
    const std::string decoded = PercentDecoded(t.name);
    *page = static_cast<std::int32_t>(n.target);
    // (a) the one anchor of the page that reads the same but for case, separators and escapes; when several
    // do ("pos" and "__pos__" for "#Pos"), any choice could be the wrong section.
    const std::string loose = Loose(t.name);
    if (!loose.empty()) {
        std::string_view match;
        int matches = 0;
        for (std::string_view anchor : anchors_.AnchorsOf(n.target))
            if (Loose(std::string(anchor)) == loose && ++matches == 1) match = anchor;
        if (matches == 1) {
            *fragment = FragmentText(std::string(match));
            return kFragmentCase;
        }
    }
    // (b) the section moved: the one other page that has the anchor.
    for (const std::string* name : {&decoded, &t.name}) {
        const std::int32_t other = anchors_.OnlyOtherPageWith(*name, n.target);
        if (other >= 0) {
            *page = other;
            *fragment = FragmentText(*name);
            return kFragmentMoved;
        }
    }
    // (c) the link keeps its page; a link to its own page keeps only its '#'.
    *fragment = t.base.empty() ? "#" : "";
    return kFragmentDropped;
}

int FragmentCheck::QueueRepairs(EngineContext& ctx) {
    int added = 0;
    for (std::size_t k = 0; k < notes_.size(); ++k) {
        if (k % 256 == 0 && ctx.host.PumpMessages() == kPollStop) return -1;
        const Note& n = notes_[k];
        // A page that could not be read says nothing about its anchors.
        if (!anchors_.Collected(n.target)) continue;
        const Texts t = Unpack(n);
        if (anchors_.HasAnchor(n.target, t.name) || anchors_.HasAnchor(n.target, PercentDecoded(t.name))) continue;
        std::string fragment;
        std::int32_t page = -1;
        const std::uint8_t repair = Repair(n, t, &fragment, &page);
        const std::string query = t.base.substr(std::min(t.base.find('?'), t.base.size()));

        std::string address;
        bool quoted = false;
        const bool existing = n.record >= 0 && n.record < ctx.links.linkCount() &&
                              ctx.links[n.record].linkValuePos == n.valuePos && ctx.links[n.record].linkFile == n.file;
        if (existing) {
            const std::string& stored = ctx.links[n.record].linkReplacement;
            // A marked replacement is written by rules of its own: it is left as it is.
            if (stored.compare(0, 3, "|||") == 0 || stored.compare(0, 3, ":::") == 0) continue;
            quoted = UnwrapReplacement(stored, &address, false) == 1;
            address = address.substr(0, address.find('#'));
        } else {
            CanonicalizeUrl(t.base, &address);
        }
        if (repair == kFragmentMoved) {
            std::string canonicalQuery;
            CanonicalizeUrl(query, &canonicalQuery);
            address = AddressOf(ctx, n.file, page) + canonicalQuery;
            quoted = quoted || (n.tagPos >= 0 && n.quoteLen == 0 && ctx.files.path(page).find(' ') != std::string::npos);
        }
        address += fragment;
        const std::string replacement = quoted ? "\"" + address + "\"" : address;
        if (existing) {
            LinkRecord& r = ctx.links[n.record];
            r.linkReplacement = replacement;
            r.linkFragmentRepair = repair;
            continue;
        }
        LinkRecord& r = ctx.links.Pending();
        r.linkUrl = t.url;
        r.linkReplacement = replacement;
        r.linkFile = n.file;
        r.linkTagPos = n.tagPos;
        r.linkValuePos = n.valuePos;
        r.linkValueLen = n.valueLen;
        r.linkQuoteLen = n.quoteLen;
        r.linkFragmentRepair = repair;
        if (!ctx.links.Commit()) return -1;
        ++added;
    }
    return added;
}

}  // namespace corvane
