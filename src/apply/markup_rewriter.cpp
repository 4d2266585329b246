// Turns the queued changes of one site file into the file's new text, as a single forward stream.
#include "apply/markup_rewriter.h"

#include <algorithm>
#include <cstddef>

#include "engine/modern_tags.h"
#include "engine/page_charset.h"
#include "engine/text_search.h"
#include "engine/url_processor.h"
#include "engine/url_text.h"
#include "platform/utf8.h"

namespace corvane {
namespace {

// Tags whose opening and closing tags "Convert to text" removes, keeping what lies between.
const char* const kElementTags[] = {"<BGSOUND", "<SCRIPT", "<APPLET", "<EMBED", "<IFRAME", "<STYLE"};
// Tags whose deleted URL is a background image.
const char* const kBackgroundTags[] = {"<INPUT", "<BODY", "<TABLE", "<TD", "<TR"};
// Tags whose deleted link points to "#" instead of becoming empty.
const char* const kHashTags[] = {"<A", "<AREA", "<LINK", "<STYLE"};

template <std::size_t N>
bool IsOneOf(const std::string& tag, const char* const (&names)[N]) {
    for (const char* name : names)
        if (tag == name) return true;
    return false;
}

bool IsDeletion(const std::string& stored) { return stored.empty() || stored == "\"\""; }

bool IsQuoted(const std::string& s) { return s.size() >= 2 && s.front() == '"' && s.back() == '"'; }

bool IsFileUrl(const std::string& url) {
    if (StartsWithNoCase(url, "file:///")) return true;
    return IsQuoted(url) && StartsWithNoCase(url.substr(1), "file:///");
}

class Rewriter {
public:
    Rewriter(const RewriteContext& context, const unsigned char* text, std::int32_t textLength,
             std::int32_t fileIndex, std::vector<unsigned char>& output)
        : ctx_(context), links_(context.links), fileIndex_(fileIndex), out_(output) {
        const std::uint8_t enc = context.links.fileEncoding(static_cast<std::uint32_t>(fileIndex));
        // Big-endian files arrive swapped, so every UTF-16 text here is little-endian.
        text_ = MakeText(text, textLength < 0 ? 0 : textLength,
                         enc == kEncoding8Bit ? kEncoding8Bit : kEncodingUtf16LE);
        if (!text) text_.size = 0;
        w_ = text_.width();
        if (fileIndex >= 0 && fileIndex < context.files.size()) filePath_ = context.files.path(fileIndex);
        charset_ = WritingCharset(text_);
    }

    std::int32_t Run(const std::vector<std::int32_t>* fileRecords);

private:
    LinkRecord& At(std::size_t k) { return links_[edits_[k]]; }

    void Copy(std::int32_t from, std::int32_t to) {
        if (to > from) out_.insert(out_.end(), text_.data + from, text_.data + to);
    }
    void Write(const std::string& value);

    std::string TagNameAt(std::int32_t tagPos) const;
    std::int32_t TagEnd(std::int32_t p) const;
    bool CanRemoveTag(std::int32_t tagPos) const;
    bool SpanIsSound(const LinkRecord& r) const;
    bool HasClosingDelimiter(const LinkRecord& r) const;
    bool WillRemoveTag(const std::string& tag, std::int32_t tagPos) const;

    void CloseTags(bool haveEntry, std::int32_t nextValuePos);
    void Replace(std::size_t k, const std::string& tag);
    void Delete(std::size_t k, const std::string& tag);
    bool DeleteByKind(LinkRecord& e);
    void DeleteSrcsetCandidates(std::size_t k);
    std::string ReplacementValue(const std::string& stored) const;
    void ReplaceValueSpan(LinkRecord& r, const std::string& value);
    void InsertTargetAttribute(LinkRecord& r, const std::string& value);
    std::string RelativeReplacement(const std::string& target) const;
    const std::string& RelativeFrom() const;
    std::string ChosenUrl(const std::string& url, bool makeRelative, const std::string& stored) const;
    void DropSecondPassLinks();

    const RewriteContext& ctx_;
    LinkTable& links_;
    std::int32_t fileIndex_;
    std::vector<unsigned char>& out_;
    Text text_;
    std::int32_t w_ = 1;
    PageCharset charset_ = kCharsetNone;  // how URLs outside ASCII are written into this page
    std::string filePath_;
    mutable std::string relativeFrom_;  // what relative URLs are written from; empty until first needed

    std::vector<std::int32_t> edits_;
    std::int32_t cursor_ = 0;
    struct PendingClose {
        std::string name;
        std::int32_t foundAt;  // where "</name" was last found, -1 when not searched yet
    };
    std::vector<PendingClose> pendingCloseTags_;
};

void Rewriter::Write(const std::string& value) {
    if (w_ == 1) {
        out_.insert(out_.end(), value.begin(), value.end());
        return;
    }
    for (char16_t unit : ctx_.codePage.ToUtf16(value)) {
        out_.push_back(static_cast<unsigned char>(unit & 0xFF));
        out_.push_back(static_cast<unsigned char>(unit >> 8));
    }
}

// The "<" and name of the tag at tagPos, upper-cased ("<A", "<IMG"); empty when there is none.
std::string Rewriter::TagNameAt(std::int32_t tagPos) const {
    if (tagPos < 0 || tagPos >= text_.size || tagPos % w_ != 0 || CharAt(text_, tagPos) != '<') return {};
    std::string name;
    if (ExtractValue(text_, tagPos, &name, kExtractTagName, nullptr, nullptr) <= 0) return {};
    // A line break or tab after the name ends it as a blank does, so that an attribute
    // inserted after the name never lands inside the next attribute.
    std::size_t n = 0;
    while (n < name.size() && static_cast<unsigned char>(name[n]) > ' ') ++n;
    name.resize(n);
    return FoldCase(name);
}

// Position after the tag that continues at p, line breaks after it included; -1 when the
// tag never ends. Unlike SkipToTagEnd, a tag that ends the text is found.
std::int32_t Rewriter::TagEnd(std::int32_t p) const {
    const std::int32_t end = SkipToTagEnd(text_, p);
    if (end >= 0) return end;
    for (std::int32_t i = p; i + w_ <= text_.size; i += w_) {
        if (CharAt(text_, i) != '>' || CharAt(text_, i + w_) == '=') continue;
        std::int32_t j = i + w_;
        while (j + w_ <= text_.size) {
            const unsigned char c = CharAt(text_, j);
            if (c < 1 || c > 31) break;
            j += w_;
        }
        return j > text_.size ? text_.size : j;
    }
    return -1;
}

bool Rewriter::CanRemoveTag(std::int32_t tagPos) const {
    return tagPos >= cursor_ && tagPos < text_.size && tagPos % w_ == 0 && TagEnd(tagPos) > tagPos;
}

bool Rewriter::SpanIsSound(const LinkRecord& r) const {
    if (r.linkValuePos < cursor_ || r.linkValuePos > text_.size || r.linkValuePos % w_ != 0) return false;
    const std::int64_t spanBytes = static_cast<std::int64_t>(r.linkValueLen) * w_;
    if (spanBytes > static_cast<std::int64_t>(text_.size) - r.linkValuePos) return false;
    return static_cast<std::uint64_t>(r.linkQuoteLen) * 2 <= r.linkValueLen;
}

// A quoted value whose closing quote never came (a typo such as href="a.htm>, cut short at the
// tag's end) has no closing characters: the span's last characters belong to the old URL.
bool Rewriter::HasClosingDelimiter(const LinkRecord& r) const {
    const std::int32_t q = static_cast<std::int32_t>(r.linkQuoteLen);
    if (q == 0) return true;
    const std::int32_t end = r.linkValuePos + static_cast<std::int32_t>(r.linkValueLen) * w_;
    const unsigned char open = CharAt(text_, r.linkValuePos + (q - 1) * w_);
    const unsigned char close = open == '(' ? ')' : open;
    if (CharAt(text_, end - w_) != close) return false;
    return q == 1 || CharAt(text_, end - 2 * w_) == '\\';
}

bool Rewriter::WillRemoveTag(const std::string& tag, std::int32_t tagPos) const {
    if (!ctx_.review.allowLinkDeletion || !ctx_.deletion.textConvertToText) return false;
    if (tag != "<A" && !IsOneOf(tag, kElementTags)) return false;
    return CanRemoveTag(tagPos);
}

// Drops the closing tags of removed tags as the stream reaches them; stops early when the
// next change lies before the closing tag, so that it is written first.
void Rewriter::CloseTags(bool haveEntry, std::int32_t nextValuePos) {
    while (!pendingCloseTags_.empty()) {
        PendingClose& top = pendingCloseTags_.back();
        if (top.foundAt < cursor_) {
            const std::string needle = "/" + top.name;
            top.foundAt = FindTag(text_, needle.c_str(), cursor_);
        }
        const std::int32_t p = top.foundAt;
        if (p < 0) {
            pendingCloseTags_.pop_back();
            continue;
        }
        if (haveEntry && nextValuePos < p) return;
        const std::int32_t end = TagEnd(p);
        if (end > p) {
            Copy(cursor_, p);
            cursor_ = end;
        }
        pendingCloseTags_.pop_back();
    }
}

void Rewriter::ReplaceValueSpan(LinkRecord& r, const std::string& value) {
    const std::int32_t pos = r.linkValuePos;
    const std::int32_t quoteBytes = static_cast<std::int32_t>(r.linkQuoteLen) * w_;
    const std::int32_t spanEnd = pos + static_cast<std::int32_t>(r.linkValueLen) * w_;
    Copy(cursor_, pos + quoteBytes);
    Write(UrlForPage(charset_, value));
    if (HasClosingDelimiter(r)) Copy(spanEnd - quoteBytes, spanEnd);
    cursor_ = spanEnd;
}

void Rewriter::InsertTargetAttribute(LinkRecord& r, const std::string& value) {
    const std::string name = TagNameAt(r.linkTagPos);
    if (name.empty()) return;
    // The name is UTF-8; in UTF-16 text it counts its characters.
    const std::size_t nameChars = w_ == 1 ? name.size() : Utf16Length(name);
    const std::int32_t at = r.linkTagPos + static_cast<std::int32_t>(nameChars) * w_;
    Copy(cursor_, at);
    Write(" target=" + value);
    cursor_ = at;
}

// A "|||" target, a file:/// URL, as the page should link to it: under the base URL when
// the base URL is in use and the target lies within the site's root, else relative to the page.
std::string Rewriter::RelativeReplacement(const std::string& target) const {
    if (ctx_.processing.useBaseUrlFromStep3 && ctx_.search.searchBaseUrl) {
        std::string base = ctx_.search.baseUrl;
        if (base.empty() || base.back() != '/') base += '/';
        const std::string r = MakeRelative(ctx_.rootPath, target, true);
        const bool quoted = IsQuoted(r);
        const std::string inner = quoted ? r.substr(1, r.size() - 2) : r;
        // A target on another drive comes back as a file URL; the base URL cannot lead there.
        if (inner.find("..") == std::string::npos && !StartsWithNoCase(inner, "file:")) {
            return quoted ? "\"" + base + inner + "\"" : base + inner;
        }
    }
    return MakeRelative(RelativeFrom(), target, true);
}

// The page, or the folder of its <base>: relative URLs of a page with a base start from there.
const std::string& Rewriter::RelativeFrom() const {
    if (!relativeFrom_.empty()) return relativeFrom_;
    std::string href;
    if (FindBaseHref(text_, &href)) {
        const PageBase base = ResolvePageBase(ctx_.search, ctx_.rootPath, filePath_, href);
        if (base.kind == kBaseFolder) relativeFrom_ = base.folder;
    }
    if (relativeFrom_.empty()) relativeFrom_ = filePath_;
    return relativeFrom_;
}

// The URL chosen on the deletion step for images or backgrounds, as written into the page.
std::string Rewriter::ChosenUrl(const std::string& url, bool makeRelative, const std::string& stored) const {
    std::string value = url;
    if (makeRelative && IsFileUrl(value)) value = MakeRelative(RelativeFrom(), value, true);
    if (stored == "\"\"" && !IsQuoted(value)) value = "\"" + value + "\"";
    return value;
}

std::string Rewriter::ReplacementValue(const std::string& stored) const {
    if (stored.compare(0, 3, "|||") == 0) return RelativeReplacement(stored.substr(3));
    if (stored.compare(0, 3, ":::") == 0) return stored.substr(3);
    return stored;
}

void Rewriter::Replace(std::size_t k, const std::string& tag) {
    LinkRecord& e = At(k);
    // A tag that a later deletion removes takes this change with it.
    if (WillRemoveTag(tag, e.linkTagPos)) {
        for (std::size_t j = k + 1; j < edits_.size() && At(j).linkTagPos == e.linkTagPos; ++j) {
            if (IsDeletion(At(j).linkReplacement) && At(j).linkKind == kLinkAsTag) {
                e.linkValuePos = -1;
                return;
            }
        }
    }
    const std::string value = ReplacementValue(e.linkReplacement);
    if (e.linkValuePos == e.linkTagPos) {
        InsertTargetAttribute(e, value);
    } else if (SpanIsSound(e)) {
        ReplaceValueSpan(e, value);
    }
}

void Rewriter::Delete(std::size_t k, const std::string& tag) {
    if (!ctx_.review.allowLinkDeletion) return;
    LinkRecord& e = At(k);
    if (e.linkKind == kLinkSrcsetCandidate) return DeleteSrcsetCandidates(k);
    if (DeleteByKind(e)) return;
    const DeletionOptions& d = ctx_.deletion;
    const std::string stored = e.linkReplacement;
    std::string value = stored;
    if (tag == "<IMG") {
        if (d.imageReplace) value = ChosenUrl(d.imageUrl, d.imageMakeRelative, stored);
    } else if (IsOneOf(tag, kBackgroundTags)) {
        if (d.backgroundReplace) value = ChosenUrl(d.backgroundUrl, d.backgroundMakeRelative, stored);
    } else if (WillRemoveTag(tag, e.linkTagPos)) {
        const std::int32_t tagPos = e.linkTagPos;
        Copy(cursor_, tagPos);
        cursor_ = TagEnd(tagPos);
        pendingCloseTags_.push_back({tag.substr(1), -1});
        e.linkValuePos = -1;
        for (std::size_t j = k + 1; j < edits_.size() && At(j).linkTagPos == tagPos; ++j) At(j).linkValuePos = -1;
        return;
    } else if (IsOneOf(tag, kHashTags)) {
        // Also a tag that "Convert to text" cannot remove because it never ends.
        value = "#";
    }
    if (SpanIsSound(e)) ReplaceValueSpan(e, value);
}

// Deletions of the attributes that the tag alone does not describe. False: the tag's rule decides.
bool Rewriter::DeleteByKind(LinkRecord& e) {
    const DeletionOptions& d = ctx_.deletion;
    const std::string& stored = e.linkReplacement;
    std::string value = stored;
    switch (e.linkKind) {
        case kLinkAsTag: return false;
        case kLinkReference: return true;  // never deleted
        case kLinkPicture:
            if (d.imageReplace) value = ChosenUrl(d.imageUrl, d.imageMakeRelative, stored);
            break;
        case kLinkBackground:
            if (d.backgroundReplace) value = ChosenUrl(d.backgroundUrl, d.backgroundMakeRelative, stored);
            break;
        case kLinkLink: value = "#"; break;
        default: break;  // media, style: emptied
    }
    if (SpanIsSound(e)) ReplaceValueSpan(e, value);
    return true;
}

// A deleted srcset candidate goes with its descriptor and one comma, so that the list stays valid;
// the list's other changes from here on are written with it. The list is read again from the tag.
void Rewriter::DeleteSrcsetCandidates(std::size_t k) {
    const LinkRecord& e = At(k);
    std::vector<TagAttribute> attributes;
    if (ReadTag(text_, e.linkTagPos, nullptr, &attributes) < 0) return;
    const TagAttribute* list = nullptr;
    for (const TagAttribute& a : attributes)
        if (a.valuePos >= 0 && a.contentPos <= e.linkValuePos && e.linkValuePos < a.contentEnd) list = &a;
    if (!list) return;
    const std::vector<SrcsetCandidate> c = ParseSrcset(text_, list->contentPos, list->contentEnd);
    const std::size_t n = c.size();
    std::size_t first = n;
    std::vector<int> fate(n, 0);  // 0 kept as written, 1 deleted, 2 replaced
    std::vector<std::string> values(n);
    for (std::size_t j = k; j < edits_.size() && At(j).linkValuePos < list->contentEnd; ++j) {
        const LinkRecord& r = At(j);
        if (r.linkKind != kLinkSrcsetCandidate) continue;
        for (std::size_t i = 0; i < n; ++i) {
            if (c[i].urlPos != r.linkValuePos) continue;
            if (j == k) first = i;
            fate[i] = IsDeletion(r.linkReplacement) ? 1 : 2;
            if (fate[i] == 2) values[i] = ReplacementValue(r.linkReplacement);
        }
    }
    if (first == n || c[first].urlPos < cursor_) return;
    std::size_t lastKept = n;
    for (std::size_t i = 0; i < n; ++i)
        if (fate[i] != 1) lastKept = i;
    if (lastKept == n || lastKept < first) {
        // Everything from here on goes: the comma before goes too, or the whole value when nothing stays.
        const std::int32_t cut = first > 0 ? c[first - 1].descriptorEnd : list->contentPos;
        if (cut < cursor_) return;
        Copy(cursor_, cut);
        // An unquoted value cannot be emptied in place: the next attribute would become the value.
        if (first == 0 && list->quote == 0) Write("\"\"");
        cursor_ = first > 0 ? c[n - 1].descriptorEnd : list->contentEnd;
        return;
    }
    Copy(cursor_, c[first].urlPos);
    for (std::size_t i = first; i <= lastKept; ++i) {
        if (fate[i] == 1) continue;
        if (fate[i] == 2) Write(UrlForPage(charset_, values[i]));
        else Copy(c[i].urlPos, c[i].urlEnd);
        const std::int32_t tail = i == lastKept ? c[i].descriptorEnd : c[i + 1].urlPos;
        Copy(c[i].urlEnd, tail);
    }
    Copy(c[n - 1].descriptorEnd, list->contentEnd);
    cursor_ = list->contentEnd;
}

void Rewriter::DropSecondPassLinks() {
    std::vector<std::int32_t>& list = links_.secondPassLinks();
    const std::int32_t count = links_.linkCount();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](std::int32_t record) {
                                  return record >= 0 && record < count && links_[record].linkValuePos < 0;
                              }),
               list.end());
}

std::int32_t Rewriter::Run(const std::vector<std::int32_t>* fileRecords) {
    const std::int32_t count = links_.linkCount();
    if (fileRecords) {
        for (const std::int32_t i : *fileRecords)
            if (i >= 0 && i < count && static_cast<std::int64_t>(links_[i].linkFile) == fileIndex_) edits_.push_back(i);
    } else {
        for (std::int32_t i = 0; i < count; ++i)
            if (static_cast<std::int64_t>(links_[i].linkFile) == fileIndex_) edits_.push_back(i);
    }
    std::stable_sort(edits_.begin(), edits_.end(), [&](std::int32_t a, std::int32_t b) {
        return links_[a].linkValuePos < links_[b].linkValuePos;
    });

    out_.clear();
    out_.reserve(static_cast<std::size_t>(text_.size) + 64);
    for (std::size_t k = 0; k < edits_.size(); ++k) {
        CloseTags(true, At(k).linkValuePos);
        LinkRecord& e = At(k);
        if (e.linkValuePos < cursor_) continue;  // its text was removed, or it was dropped
        const std::string tag = e.linkTagPos >= 0 ? TagNameAt(e.linkTagPos) : std::string();
        if (IsDeletion(e.linkReplacement)) {
            Delete(k, tag);
        } else {
            Replace(k, tag);
        }
    }
    CloseTags(false, 0);
    Copy(cursor_, text_.size);
    DropSecondPassLinks();
    return static_cast<std::int32_t>(edits_.size());
}

}  // namespace

std::int32_t RewriteFile(const RewriteContext& context, const unsigned char* text, std::int32_t textLength,
                         std::int32_t fileIndex, std::vector<unsigned char>& output,
                         const std::vector<std::int32_t>* fileRecords) {
    Rewriter rewriter(context, text, textLength, fileIndex, output);
    return rewriter.Run(fileRecords);
}

std::vector<std::vector<std::int32_t>> RecordsByFile(const LinkTable& links, std::int32_t fileCount) {
    std::vector<std::vector<std::int32_t>> byFile(static_cast<std::size_t>(fileCount > 0 ? fileCount : 0));
    for (std::int32_t i = 0; i < links.linkCount(); ++i)
        if (links[i].linkFile < byFile.size()) byFile[links[i].linkFile].push_back(i);
    return byFile;
}

}  // namespace corvane
