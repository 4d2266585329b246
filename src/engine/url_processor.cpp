// Deciding, for every URL found, whether a change is queued and of which kind.
#include "engine/url_processor.h"

#include <initializer_list>
#include <utility>

#include "engine/modern_tags.h"
#include "engine/fragment_check.h"
#include "engine/page_charset.h"
#include "engine/replacement_search.h"
#include "engine/scan_record.h"
#include "engine/url_text.h"
#include "platform/utf8.h"

namespace corvane {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool StartsWithAny(const std::string& text, std::initializer_list<const char*> prefixes) {
    for (const char* p : prefixes)
        if (StartsWithNoCase(text, p)) return true;
    return false;
}

// A letter, a colon, then one '/' or one '\' (a doubled one would be a host or share).
bool IsDrivePath(const std::string& s) {
    if (s.size() < 3 || !IsAsciiLetter(s[0]) || s[1] != ':') return false;
    const char next = s.size() > 3 ? s[3] : '\0';
    return (s[2] == '/' && next != '/') || (s[2] == '\\' && next != '\\');
}

// What stands before the first ':' looks like a protocol name: a letter, then letters,
// digits, '+', '-' or '.'. One letter alone is a drive, not a protocol.
bool HasProtocolName(const std::string& s) {
    const std::size_t colon = s.find(':');
    if (colon == std::string::npos || colon < 2 || !IsAsciiLetter(s[0])) return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = s[i];
        if (!IsAsciiLetter(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

bool LooksLikeEmailAddress(const std::string& base) {
    // Anything with a colon already names its protocol (http://user@host.org, ftp://anonymous@...).
    if (base.find(':') != std::string::npos) return false;
    const std::size_t at = base.find('@');
    const std::size_t dot = base.find('.');
    return at != std::string::npos && dot != std::string::npos && dot > at;
}

// Commits a record whose replacement completes the URL's protocol or "//".
int CommitCompletedUrl(EngineContext& ctx, const std::string& decoded, const std::string& completed,
                       std::uint32_t file, std::int32_t tagPos, std::int32_t valuePos, bool secondPass) {
    LinkRecord& record = ctx.links.Pending();
    record.linkFile = file;
    record.linkTagPos = tagPos;
    record.linkValuePos = valuePos;
    record.linkUrl = decoded;
    CanonicalizeUrl(completed, &record.linkReplacement);
    if (!ctx.links.Commit()) return 0;
    // The completed URL can only be judged once it is written: the next search looks at it again.
    if (secondPass) ctx.links.AddSecondPassLink(ctx.links.linkCount() - 1);
    return 1;
}

struct UrlParts {
    const Text& text;
    std::uint32_t file;
    std::int32_t tagPos;
    std::int32_t valuePos;
    bool isAttributeValue;
    bool needsCanonical;
    const std::string& raw;  // the value as written: replacements are built from it, so that an escape
                             // such as %2541 is not read twice and turned into another character
    const std::string& decoded;
    const std::string& base;  // decoded without its fragment and closing '/'
    std::string fragment;
};

int CanonicalOnly(EngineContext& ctx, const UrlParts& u) {
    if (ctx.processing.canonicalize && u.needsCanonical)
        return AddCanonicalRecord(ctx, u.decoded, u.file, u.tagPos, u.valuePos, &u.raw);
    return 0;
}

// Whether the row's path spells the looked-up one with the same letter case; the drive letter
// does not count, as it never reaches a web server.
bool SpelledAsOnDisk(const std::string& local, const std::string& rowPath) {
    std::string resolved;
    if (!ResolveDotSegments(local, &resolved) || resolved.size() != rowPath.size()) return false;
    const std::size_t from = resolved.size() >= 2 && resolved[1] == ':' ? 1 : 0;
    return resolved.compare(from, std::string::npos, rowPath, from, std::string::npos) == 0;
}

// With #fragments checked, a link that reaches a page (record: what was queued for it, if anything)
// has its fragment judged once every page is read.
int NoteFragment(EngineContext& ctx, const UrlParts& u, std::int32_t page, int committed) {
    if (ctx.fragments != nullptr && committed >= 0)
        ctx.fragments->NoteLink(ctx, u.text, u.file, u.tagPos, u.valuePos, u.raw, u.decoded, page,
                                committed > 0 ? ctx.links.linkCount() - 1 : -1);
    return committed;
}

const char* const kFolderIndexNames[] = {"index.html", "index.htm", "default.htm"};

// A local path: a file of the site is marked and, when asked, rewritten in the chosen form;
// a folder of the site works as a web server serves it, through its index page; a missing file
// is a broken link and gets the best file of the same name, or a deletion.
int ResolveLocal(EngineContext& ctx, const UrlParts& u, const std::string& local, bool rewriteInForm) {
    FileList& files = ctx.files;
    // A query is no part of a file's name (no name on Windows holds a '?'): a web server serves the
    // file before it, and a replacement keeps it. local ends with the query as written, since
    // separators are converted only before a '?'.
    // Copies are made only for a URL with a query: this runs for most URLs of every page.
    const std::size_t q = u.base.find('?');
    const std::size_t queryLen = q == std::string::npos ? 0 : u.base.size() - q;
    const bool hasQuery = queryLen > 0 && local.size() >= queryLen &&
                          local.compare(local.size() - queryLen, queryLen, u.base, q, queryLen) == 0;
    std::string urlCut, pathCut, tailJoined;
    if (hasQuery) {
        urlCut = u.base.substr(0, q);
        pathCut = local.substr(0, local.size() - queryLen);
        tailJoined = u.base.substr(q) + u.fragment;
    }
    const std::string& url = hasQuery ? urlCut : u.base;
    const std::string& path = hasQuery ? pathCut : local;
    const std::string& tail = hasQuery ? tailJoined : u.fragment;
    // Longer paths cannot name a file on the system, so they match no row.
    if (Utf16LongerThan(path, FileList::kMaxPath))
        return QueueReplacement(ctx, u.text, u.file, u.tagPos, u.valuePos, FindByFileName(files, path, 0), url, tail,
                                u.isAttributeValue);
    const std::int32_t row = files.FindFileRow(path, files.size());
    if (row >= 0) {
        files.SetReferenced(row);
        if (rewriteInForm || (ctx.processing.matchCase && !SpelledAsOnDisk(path, files.path(row))))
            return NoteFragment(
                ctx, u, row, QueueReplacement(ctx, u.text, u.file, u.tagPos, u.valuePos, row, url, tail, u.isAttributeValue));
        return NoteFragment(ctx, u, row, CanonicalOnly(ctx, u));
    }
    if (files.HoldsRows(path)) {
        std::string folder = path;
        if (folder.back() != '\\') folder.push_back('\\');
        for (const char* name : kFolderIndexNames) {
            const std::int32_t index = files.FindFileRow(folder + name, files.size());
            if (index >= 0) {
                files.SetReferenced(index);
                break;
            }
        }
        return CanonicalOnly(ctx, u);
    }
    // The broken path is compared with the candidates' folders as a web server would have read it.
    std::string broken;
    if (!ResolveDotSegments(path, &broken)) broken = path;
    const std::int32_t candidate = FindByFileName(files, broken, 0);
    const int queued = QueueReplacement(ctx, u.text, u.file, u.tagPos, u.valuePos, candidate, url, tail, u.isAttributeValue);
    // The replacement keeps its fragment only where the new page has that anchor.
    return queued > 0 ? NoteFragment(ctx, u, candidate, queued) : queued;
}

// The text of base after the base URL and its separator, when base lies under the base URL.
bool UnderBaseUrl(const SearchOptions& search, const std::string& base, std::string* rest) {
    if (!search.searchBaseUrl) return false;
    // The base URL is kept in canonical form while base is decoded; compare like with like.
    std::string b;
    DecodeUrl(search.baseUrl, &b);
    // A base URL typed with its closing '/' still names the same folder.
    if (!b.empty() && (b.back() == '/' || b.back() == '\\')) b.pop_back();
    if (b.empty() || base.size() <= b.size() || !StartsWithNoCase(base, b.c_str())) return false;
    const char after = base[b.size()];
    if (after != '/' && after != '\\') return false;
    *rest = base.substr(b.size() + 1);
    return true;
}

// A relative URL of a page whose <base> is another site's address is an Internet URL of that site:
// checked when the check is on; without the check nothing tells that it fails, so it stays.
int ProcessUnderInternetBase(EngineContext& ctx, const UrlParts& u, bool rootRelative) {
    const std::string& baseUrl = ctx.pageBase.url;
    std::string absolute;
    if (rootRelative) {
        const std::size_t host = baseUrl.find("://");
        const std::size_t path = host == std::string::npos ? std::string::npos : baseUrl.find('/', host + 3);
        absolute = baseUrl.substr(0, path) + u.base;
    } else {
        absolute = baseUrl + u.base;
    }
    if (ctx.skipInternetCheck || ctx.internet == nullptr) return CanonicalOnly(ctx, u);
    const int r = ctx.internet->CheckInternetUrl(absolute);
    if (r < 0) return -1;
    if (r == 0) return CanonicalOnly(ctx, u);
    return QueueReplacement(ctx, u.text, u.file, u.tagPos, u.valuePos, -1, u.base, u.fragment, u.isAttributeValue);
}

std::string FolderOf(const std::string& path) {
    const std::size_t sep = path.find_last_of('\\');
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

// The host of an Internet URL without user and port, as written; empty when there is none.
bool SameHost(const std::string& url, const std::string& host) {
    const std::string other = UrlHost(url);
    return !host.empty() && other.size() == host.size() && StartsWithNoCase(other, host.c_str());
}

// Without the on-line check a file name alone is no evidence that another site's page is one of
// this site's files: only the site's own host (its base URL, or where its pages were saved from)
// is mapped onto its files.
bool IsSiteOwnHost(const EngineContext& ctx, const std::string& url) {
    const std::string host = UrlHost(url);
    return SameHost(ctx.search.baseUrl, host) || ctx.savedFrom.NamesHost(host);
}

}  // namespace

PageBase ResolvePageBase(const EngineContext& ctx, std::uint32_t file, const std::string& href) {
    const std::string page =
        file < static_cast<std::uint32_t>(ctx.files.size()) ? ctx.files.path(static_cast<std::int32_t>(file)) : std::string();
    return ResolvePageBase(ctx.search, ctx.rootPath, page, href);
}

PageBase ResolvePageBase(const SearchOptions& search, const std::string& rootPath, const std::string& page,
                         const std::string& href) {
    PageBase result;
    std::string decoded;
    DecodeUrl(href, &decoded);
    std::string base;
    std::string fragment;
    SplitFragment(decoded, &base, &fragment);
    base = base.substr(0, base.find('?'));
    if (base.empty()) return result;
    // A base names a folder: what follows its last '/' is a page's name.
    const std::size_t lastSlash = base.find_last_of("/\\");
    std::string rest;
    std::string local;
    if (UnderBaseUrl(search, base, &rest) ||
        (search.searchBaseUrl && !search.baseUrl.empty() && EqualsNoCase(base + "/", search.baseUrl + "/"))) {
        local = rootPath + rest;
    } else if (StartsWithAny(base, {"http://", "https://", "ftp://"})) {
        const std::size_t host = base.find("://") + 3;
        result.kind = kBaseInternet;
        result.url = lastSlash == std::string::npos || lastSlash < host ? base + "/" : base.substr(0, lastSlash + 1);
        return result;
    } else if (StartsWithNoCase(base, "file:///")) {
        local = base.substr(8);
    } else if (HasProtocolName(base) || (base.size() > 1 && base[0] == '/' && base[1] == '/')) {
        return result;  // javascript:, another protocol or another host: no folder of this site
    } else if (base[0] == '/') {
        local = rootPath + base.substr(1);
    } else if (!page.empty()) {
        local = FolderOf(page) + base;
    } else {
        return result;
    }
    ConvertSeparators(local, false);
    local = FolderOf(local);
    std::string resolved;
    if (local.empty() || !ResolveDotSegments(local, &resolved)) return result;
    if (resolved.empty() || resolved.back() != '\\') resolved.push_back('\\');
    result.kind = kBaseFolder;
    result.folder = resolved;
    return result;
}

int AddCanonicalRecord(EngineContext& ctx, const std::string& url, std::uint32_t file, std::int32_t tagPos,
                       std::int32_t valuePos, const std::string* asWritten) {
    std::string canonical;
    if (CanonicalizeUrl(asWritten ? *asWritten : url, &canonical) == 0) return 0;
    LinkRecord& record = ctx.links.Pending();
    record.linkFile = file;
    record.linkTagPos = tagPos;
    record.linkValuePos = valuePos;
    record.linkUrl = url;
    record.linkReplacement = std::move(canonical);
    return ctx.links.Commit() ? 1 : 0;
}

int ProcessUrl(EngineContext& ctx, const Text& text, std::uint32_t file, std::int32_t tagPos,
               std::int32_t valuePos, bool isAttributeValue) {
    std::string& raw = ctx.urlRaw;
    std::int32_t spanLen = 0;
    std::int32_t quoteLen = 0;
    const int mode = tagPos == -2 ? kExtractCssUrl : kExtractAttribute;
    const std::int32_t got = ExtractValue(text, valuePos, &raw, mode, &spanLen, &quoteLen);
    if (got <= 0) raw.clear();
    if (ctx.recording != nullptr) {
        // Copied, not moved: raw keeps its buffer for the next URL.
        ctx.recording->AddUrl(tagPos, valuePos, spanLen, quoteLen, raw, kLinkAsTag, isAttributeValue);
        return 0;
    }
    return ProcessUrlSpan(ctx, text, file, tagPos, valuePos, spanLen, quoteLen, raw, isAttributeValue, kLinkAsTag);
}

int ProcessFoundUrl(EngineContext& ctx, const Text& text, std::uint32_t file, const FoundUrl& found) {
    if (ctx.recording != nullptr) {
        ctx.recording->AddUrl(found);
        return 0;
    }
    return ProcessUrlSpan(ctx, text, file, found.tagPos, found.valuePos, found.spanLen, found.quoteLen, found.raw,
                          found.wholeValue, found.kind);
}

int ProcessUrlSpan(EngineContext& ctx, const Text& text, std::uint32_t file, std::int32_t tagPos, std::int32_t valuePos,
                   std::int32_t spanLen, std::int32_t quoteLen, const std::string& raw, bool isAttributeValue,
                   std::uint8_t kind) {
    LinkRecord& pending = ctx.links.Pending();
    pending.linkValueLen = static_cast<std::uint32_t>(spanLen > 0 ? spanLen : 0);
    pending.linkQuoteLen = static_cast<std::uint32_t>(quoteLen > 0 ? quoteLen : 0);
    pending.linkKind = kind;
    if (raw.empty()) return 0;

    const bool needsCanonical = CanonicalizeUrl(raw, nullptr) > 0;
    std::string& decoded = ctx.urlDecoded;
    DecodeUrl(raw, &decoded);
    // The log's line names the page already: the note goes at its end.
    if (!UrlToUtf8(text, &decoded)) ctx.host.AddLogLine("could not decode \"" + raw + "\", read byte for byte; ", true);
    // The base is copied only when it is not the whole decoded URL.
    const std::size_t hash = decoded.find('#');
    std::size_t baseLen = hash == std::string::npos ? decoded.size() : hash;
    if (baseLen > 0 && decoded[baseLen - 1] == '/') --baseLen;
    const std::string cut = baseLen < decoded.size() ? decoded.substr(0, baseLen) : std::string();
    UrlParts u{text, file, tagPos, valuePos, isAttributeValue, needsCanonical, raw, decoded,
               baseLen < decoded.size() ? cut : decoded, hash == std::string::npos ? std::string() : decoded.substr(hash)};
    const std::string& base = u.base;
    const ProcessingOptions& opt = ctx.processing;

    // Every protocol named below ends in ':'; most URLs are paths and have none.
    const bool hasColon = base.find(':') != std::string::npos;

    // Data carried in the URL itself, or an address of no file: never a path to complete or look up.
    if (hasColon && StartsWithAny(base, {"data:", "blob:"})) return 0;

    if (opt.deleteScripts && hasColon && StartsWithAny(base, {"javascript:", "vbscript:", "about:"}))
        return QueueReplacement(ctx, text, file, tagPos, valuePos, -1, base, u.fragment, isAttributeValue);

    // "#x" alone points into the page itself.
    if (base.empty() && raw[0] == '#' && tagPos >= 0)
        return NoteFragment(ctx, u, static_cast<std::int32_t>(file), CanonicalOnly(ctx, u));
    if (base.empty() || (hasColon && StartsWithAny(base, {"mailto:", "news:", "view-source:", "javascript:", "vbscript:", "about:",
                                             "tel:", "sms:", "geo:"})))
        return CanonicalOnly(ctx, u);

    if (opt.addForgottenProtocols) {
        if (LooksLikeEmailAddress(base))
            return CommitCompletedUrl(ctx, u.decoded, "mailto:" + u.raw, file, tagPos, valuePos, false);
        std::string completed;
        if (base.size() >= 4 && StartsWithNoCase(base, "www.")) {
            completed = "http://" + u.raw;
        } else if (base.size() >= 4 && StartsWithNoCase(base, "ftp.")) {
            completed = "ftp://" + u.raw;
        } else if (IsDrivePath(base)) {
            completed = "file:///" + u.raw;
            ConvertSeparators(completed, true);
        }
        if (!completed.empty())
            return CommitCompletedUrl(ctx, u.decoded, completed, file, tagPos, valuePos, true);
    }

    if (opt.addForgottenSlashes && hasColon && base.find("://") == std::string::npos && HasProtocolName(base)) {
        const std::size_t colon = u.raw.find(':');
        const std::string completed = u.raw.substr(0, colon + 1) + "//" + u.raw.substr(colon + 1);
        return CommitCompletedUrl(ctx, u.decoded, completed, file, tagPos, valuePos, true);
    }

    std::string rest;
    if (UnderBaseUrl(ctx.search, base, &rest)) {
        std::string local = ctx.rootPath + rest;
        ConvertSeparators(local, false);
        return ResolveLocal(ctx, u, local, opt.makeRelative);
    }

    if (hasColon && StartsWithAny(base, {"http://", "https://", "ftp://", "gopher://"})) {
        if (!ctx.skipInternetCheck && ctx.internet != nullptr) {
            const int r = ctx.internet->CheckInternetUrl(base);
            if (r < 0) return -1;
            if (r == 0) {
                const std::string moved = ctx.search.updateMoved ? ctx.internet->MovedAddress(base) : std::string();
                if (moved.empty()) return CanonicalOnly(ctx, u);
                // Moved for good: the link goes to the new address, at the same place in the page.
                return CommitCompletedUrl(ctx, u.decoded, moved + u.fragment, file, tagPos, valuePos, false);
            }
        } else if (!IsSiteOwnHost(ctx, base)) {
            return CanonicalOnly(ctx, u);
        }
        const std::int32_t saved = ctx.savedFrom.FindSavedFromUrl(base);
        if (saved >= 0 && saved < ctx.files.size()) {
            // The saved copy is where the link will point, as with a file found by name.
            ctx.files.SetReferenced(saved);
            return QueueReplacement(ctx, text, file, tagPos, valuePos, saved, base, u.fragment, isAttributeValue);
        }
        const std::int32_t candidate = ctx.search.searchFileNames ? FindByFileName(ctx.files, base, 0) : -1;
        return QueueReplacement(ctx, text, file, tagPos, valuePos, candidate, base, u.fragment, isAttributeValue);
    }

    if (hasColon && StartsWithNoCase(base, "file:///")) {
        std::string local = base.substr(8);
        ConvertSeparators(local, false);
        return ResolveLocal(ctx, u, local, opt.makeRelative);
    }

    if (hasColon && base.find("://") != std::string::npos) {
        if (opt.deleteUnknownProtocols)
            return QueueReplacement(ctx, text, file, tagPos, valuePos, -1, base, u.fragment, isAttributeValue);
        return CanonicalOnly(ctx, u);
    }

    // A root-relative URL ("/a/b.htm", not "//host") is read from the site's top folder, as a web
    // server reads it; it works as written, so it is not rewritten in the chosen form.
    const bool rootRelative = base[0] == '/' && base.size() > 1 && base[1] != '/' && !ctx.rootPath.empty();
    if (ctx.pageBase.kind == kBaseInternet) return ProcessUnderInternetBase(ctx, u, rootRelative);
    const bool inPageFolder =
        !rootRelative && ctx.pageBase.kind != kBaseFolder && file < static_cast<std::uint32_t>(ctx.files.size());
    const std::string& folder = rootRelative              ? ctx.rootPath
                                : !inPageFolder            ? ctx.pageBase.folder
                                                           : ctx.files.path(static_cast<std::int32_t>(file));
    std::string& local = ctx.urlLocal;
    const int headKind = inPageFolder ? 1 : rootRelative ? 2 : 0;
    if (headKind != 0 && (ctx.urlHeadKind != headKind || ctx.urlHeadFrom != folder)) {
        std::string& head = ctx.urlHead;
        if (inPageFolder) SplitPath(folder, &head, nullptr, nullptr, nullptr);
        else head = folder;
        if (head.empty() || head.back() != '\\') head.push_back('\\');
        ctx.urlHeadApart = ConvertsApart(head);
        if (ctx.urlHeadApart) ConvertSeparators(head, false);
        ctx.urlHeadKind = headKind;
        ctx.urlHeadFrom = folder;
    }
    if (headKind != 0 && ctx.urlHeadApart) {
        local.assign(ctx.urlHead);
        local.append(base, rootRelative ? 1 : 0, std::string::npos);
        ConvertSeparatorsFrom(local, ctx.urlHead.size(), false);
        return ResolveLocal(ctx, u, local, !rootRelative && opt.makeAbsolute());
    }
    local.clear();
    if (inPageFolder) {
        SplitPath(folder, &local, nullptr, nullptr, nullptr);
    } else if (rootRelative || ctx.pageBase.kind == kBaseFolder) {
        local = folder;
    }
    if (local.empty() || local.back() != '\\') local.push_back('\\');
    local.append(base, rootRelative ? 1 : 0, std::string::npos);
    ConvertSeparators(local, false);
    return ResolveLocal(ctx, u, local, !rootRelative && opt.makeAbsolute());
}

}  // namespace corvane
