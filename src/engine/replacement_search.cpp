// Proposing a file of the site for a broken link and queuing the replacement or deletion.
#include "engine/replacement_search.h"

#include <algorithm>

#include "engine/engine_context.h"
#include "engine/url_text.h"

namespace corvane {

namespace {

std::string FileNamePart(const std::string& text) {
    const std::size_t sep = text.find_last_of("\\/");
    return sep == std::string::npos ? text : text.substr(sep + 1);
}

// How many characters the two texts share at their ends, letter case counting.
std::size_t CommonEnding(const std::string& a, const std::string& b) {
    std::size_t n = 0;
    while (n < a.size() && n < b.size() && a[a.size() - 1 - n] == b[b.size() - 1 - n]) ++n;
    return n;
}

// How many folder names, counted back from the file name, the two paths share; letters compared
// ignoring case, as the file system compares them.
std::size_t SharedTrailingFolders(const std::string& a, const std::string& b) {
    auto previous = [](const std::string& path, std::size_t& end, std::string& name) {
        while (end > 0 && (path[end - 1] == '\\' || path[end - 1] == '/')) --end;  // doubled separators are one
        if (end == 0) return false;
        const std::size_t sep = path.find_last_of("\\/", end - 1);
        const std::size_t start = sep == std::string::npos ? 0 : sep + 1;
        name = path.substr(start, end - start);
        end = start;
        return true;
    };
    std::size_t endA = a.find_last_of("\\/");
    std::size_t endB = b.find_last_of("\\/");
    if (endA == std::string::npos || endB == std::string::npos) return 0;
    std::size_t n = 0;
    std::string nameA, nameB;
    while (previous(a, endA, nameA) && previous(b, endB, nameB) && EqualsNoCase(nameA, nameB)) ++n;
    return n;
}

bool IsQuote(unsigned char c) { return c == '"' || c == '\''; }

// Whether the value at valuePos carries its own delimiter (so that no quotes need adding).
bool ValueIsDelimited(const Text& text, std::int32_t valuePos, bool parenthesisCounts) {
    if (valuePos < 0) return false;
    const unsigned char c = CharAt(text, valuePos);
    if (IsQuote(c)) return true;
    if (c == '\\' && valuePos <= text.size - 2 * text.width() && IsQuote(CharAt(text, valuePos + text.width())))
        return true;
    return parenthesisCounts && c == '(';
}

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

void SavedFromTable::Add(const std::string& decodedUrl, std::uint32_t row) {
    urls_.push_back(decodedUrl);
    rows_.push_back(row);
    const std::string host = UrlHost(decodedUrl);
    if (!host.empty()) hosts_.insert(LowerAscii(host));
}

void SavedFromTable::Clear() {
    std::vector<std::string>().swap(urls_);
    std::vector<std::uint32_t>().swap(rows_);
    hosts_.clear();
}

bool SavedFromTable::NamesHost(const std::string& host) const {
    return !host.empty() && hosts_.count(LowerAscii(host)) > 0;
}

std::int32_t SavedFromTable::FindSavedFromUrl(const std::string& url) const {
    for (std::size_t i = 0; i < urls_.size(); ++i)
        if (EqualsNoCase(urls_[i], url)) return static_cast<std::int32_t>(rows_[i]);
    return -1;
}

std::int32_t FindByFileName(FileList& files, const std::string& target, std::int32_t firstRow) {
    const std::string name = FileNamePart(target);
    if (name.empty()) return -1;
    const bool internet = target.find("://") != std::string::npos;
    std::int32_t best = -1;
    std::size_t bestScore = 0;
    std::size_t bestShared = 0;
    // Only the rows of that name are looked at, through the list's index of file names.
    for (const std::int32_t r : files.RowsNamed(name)) {
        if (r < firstRow) continue;
        const std::string& path = files.path(r);
        if (internet) {
            std::string asUrl = path;
            ConvertSeparators(asUrl, true);
            const std::size_t score = CommonEnding(asUrl, target);
            if (score > bestScore) {
                best = r;
                bestScore = score;
            }
        } else {
            // The file most likely meant kept the folders nearest to it (a section moved down keeps its
            // own folder names); among equals, the nearest file wins.
            const std::size_t shared = SharedTrailingFolders(target, path);
            const std::string rel = MakeRelative(target, path, false);
            const std::size_t distance = static_cast<std::size_t>(std::count(rel.begin(), rel.end(), '\\'));
            if (best < 0 || shared > bestShared || (shared == bestShared && distance < bestScore)) {
                best = r;
                bestShared = shared;
                bestScore = distance;
            }
        }
    }
    if (best >= 0) files.SetReferenced(best);
    return best;
}

std::string SiteAddress(const EngineContext& ctx, const std::string& from, std::int32_t row,
                        const std::string& fragment) {
    const std::string& target = ctx.files.path(row);
    std::string prefix;
    std::string local;
    if (ctx.processing.makeRelative) {
        local = MakeRelative(from, target, true);
    } else if (ctx.processing.useBaseUrlFromStep3 && ctx.search.searchBaseUrl) {
        local = MakeRelative(ctx.rootPath, target, true);
        // A file outside the root's drive has no address under the base URL.
        if (StartsWithNoCase(local, "file:///")) {
            local = "file:///" + target;
        } else {
            prefix = ctx.search.baseUrl;
            if (prefix.empty() || prefix.back() != '/') prefix.push_back('/');
        }
    } else {
        local = "file:///" + target;
    }
    // Only the part made from the path is converted: a base URL may hold a port's colon.
    ConvertSeparators(local, true);
    std::string address;
    CanonicalizeUrl(prefix + local + fragment, &address);
    return address;
}

int QueueReplacement(EngineContext& ctx, const Text& text, std::uint32_t file, std::int32_t tagPos,
                     std::int32_t valuePos, std::int32_t candidate, const std::string& url,
                     const std::string& fragment, bool isAttributeValue) {
    FileList& files = ctx.files;
    if (candidate >= files.size()) candidate = -1;

    LinkRecord& record = ctx.links.Pending();
    record.linkUrl = url + fragment;
    record.linkFile = file;
    record.linkTagPos = tagPos;
    record.linkValuePos = valuePos;

    // A cite names a source to read, not a resource the page needs: it is never deleted.
    if (candidate < 0 && record.linkKind == kLinkReference) {
        ctx.links.DiscardPending();
        return 0;
    }
    if (candidate < 0) {
        // An unquoted attribute value cannot be emptied in place; it becomes an empty quoted value.
        const bool quote = isAttributeValue && !ValueIsDelimited(text, valuePos, false);
        record.linkReplacement = quote ? "\"\"" : "";
    } else {
        const std::string& candidatePath = files.path(candidate);
        // Relative URLs of a page with a <base> start from the base's folder.
        const std::string page = ctx.pageBase.kind == kBaseFolder ? ctx.pageBase.folder
                                 : file < static_cast<std::uint32_t>(files.size())
                                     ? files.path(static_cast<std::int32_t>(file))
                                     : std::string();
        std::string replacement = SiteAddress(ctx, page, candidate, fragment);
        // In a srcset list a comma next to a URL would split it.
        if (record.linkKind == kLinkSrcsetCandidate) {
            for (std::size_t at = replacement.find(','); at != std::string::npos; at = replacement.find(',', at))
                replacement.replace(at, 1, "%2C");
        }
        const bool quote = isAttributeValue && !ValueIsDelimited(text, valuePos, true) &&
                           candidatePath.find(' ') != std::string::npos;
        record.linkReplacement = quote ? "\"" + replacement + "\"" : replacement;
    }

    // A replacement that reads as the URL is no change, unless letter case is to count.
    const bool same = ctx.processing.matchCase ? record.linkReplacement == record.linkUrl
                                               : EqualsNoCase(record.linkReplacement, record.linkUrl);
    if (!same && ctx.links.Commit()) return 1;
    ctx.links.DiscardPending();
    return 0;
}

}  // namespace corvane
