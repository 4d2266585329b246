// Reading the anchors of a page and keeping those of every page in one pool.
#include "engine/page_anchors.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/page_charset.h"
#include "engine/url_text.h"
#include "platform/utf8.h"

namespace corvane {
namespace {

// The text as characters of its width; units beyond the end read as 0.
struct Units {
    const unsigned char* d;
    std::size_t n;  // characters
    int w;
    explicit Units(const Text& t)
        : d(t.data), n(t.data && t.size > 0 ? static_cast<std::size_t>(t.size / t.width()) : 0), w(t.width()) {}
    std::uint32_t operator[](std::size_t i) const {
        if (i >= n) return 0;
        return w == 1 ? d[i] : static_cast<std::uint32_t>(d[2 * i] | (d[2 * i + 1] << 8));
    }
};

std::uint32_t Lower(std::uint32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }
bool IsSpace(std::uint32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool WordAt(const Units& u, std::size_t i, const char* word) {
    for (std::size_t k = 0; word[k] != '\0'; ++k)
        if (Lower(u[i + k]) != static_cast<unsigned char>(word[k])) return false;
    return true;
}

// The first position at or after i where `word` (lower case) stands, folding ASCII; n when none.
std::size_t Find(const Units& u, std::size_t i, const char* word) {
    const std::uint32_t first = static_cast<unsigned char>(word[0]);
    for (; i < u.n; ++i)
        if (Lower(u[i]) == first && WordAt(u, i, word)) return i;
    return u.n;
}

}  // namespace

std::string DecodeCharacterReferences(const std::string& in) {
    if (in.find('&') == std::string::npos) return in;
    std::string out;
    for (std::size_t i = 0; i < in.size();) {
        if (in[i] == '&' && i + 2 < in.size() && in[i + 1] == '#') {
            const bool hex = in[i + 2] == 'x' || in[i + 2] == 'X';
            std::size_t j = i + (hex ? 3 : 2);
            std::uint32_t code = 0;
            const std::size_t digits = j;
            while (j < in.size() && j - digits < 8 && std::isxdigit(static_cast<unsigned char>(in[j])) &&
                   (hex || std::isdigit(static_cast<unsigned char>(in[j])))) {
                const char c = in[j];
                code = code * (hex ? 16 : 10) +
                       static_cast<std::uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
                ++j;
            }
            if (j > digits && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                std::u16string units;
                if (code >= 0x10000) {
                    units.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
                    units.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
                } else {
                    units.push_back(static_cast<char16_t>(code));
                }
                out += Utf16ToUtf8(units);
                i = j < in.size() && in[j] == ';' ? j + 1 : j;
                continue;
            }
        } else if (in[i] == '&') {
            std::string one;
            const std::size_t semi = in.find(';', i);
            if (semi != std::string::npos && semi - i < 10 && DecodeUrl(in.substr(i, semi - i + 1), &one) == 1) {
                out += one;
                i = semi + 1;
                continue;
            }
        }
        out.push_back(in[i]);
        ++i;
    }
    return out;
}

namespace {

// An attribute value as UTF-8: UTF-16 units converted, 8-bit bytes read as the page's URLs are.
std::string ValueText(const Text& text, const Units& u, std::size_t from, std::size_t to) {
    std::string value;
    if (u.w == 1) {
        value.assign(reinterpret_cast<const char*>(u.d + from), to - from);
        if (!IsValidUtf8(value)) UrlToUtf8(text, &value);
    } else {
        std::u16string units;
        for (std::size_t i = from; i < to; ++i) units.push_back(static_cast<char16_t>(u[i]));
        value = Utf16ToUtf8(units);
    }
    return DecodeCharacterReferences(value);
}

}  // namespace

void ReadAnchors(const Text& text, std::vector<std::string>& out) {
    const Units u(text);
    std::size_t i = 0;
    while (i < u.n) {
        if (u[i] != '<') {
            ++i;
            continue;
        }
        if (WordAt(u, i, "<!--")) {
            const std::size_t end = Find(u, i + 4, "-->");
            i = end + 3;
            continue;
        }
        const std::uint32_t next = Lower(u[i + 1]);
        if (next == '!' || next == '?' || next == '/') {
            const std::size_t end = Find(u, i + 1, ">");
            i = end + 1;
            continue;
        }
        if (next < 'a' || next > 'z') {
            ++i;
            continue;
        }
        // A start tag: its name, then its attributes up to the '>'.
        std::size_t p = i + 1;
        std::string tag;
        while (p < u.n && !IsSpace(u[p]) && u[p] != '/' && u[p] != '>') {
            if (tag.size() < 16) tag.push_back(static_cast<char>(Lower(u[p]) < 0x80 ? Lower(u[p]) : '_'));
            ++p;
        }
        bool sawId = false, sawName = false;  // the first of a repeated attribute counts
        std::vector<std::string> found;        // kept only when the tag ends before the text does
        while (p < u.n && u[p] != '>') {
            if (IsSpace(u[p]) || u[p] == '/') {
                ++p;
                continue;
            }
            const std::size_t nameStart = p;
            ++p;  // a name may start with '='
            while (p < u.n && !IsSpace(u[p]) && u[p] != '/' && u[p] != '>' && u[p] != '=') ++p;
            const std::size_t nameLen = p - nameStart;
            while (p < u.n && IsSpace(u[p])) ++p;
            if (u[p] != '=') continue;
            ++p;
            while (p < u.n && IsSpace(u[p])) ++p;
            std::size_t from = p, to = p;
            if (u[p] == '"' || u[p] == '\'') {
                const std::uint32_t quote = u[p];
                from = ++p;
                while (p < u.n && u[p] != quote) ++p;
                to = p;
                if (p < u.n) ++p;
            } else {
                while (p < u.n && !IsSpace(u[p]) && u[p] != '>') ++p;
                to = p;
            }
            const bool isId = nameLen == 2 && WordAt(u, nameStart, "id");
            const bool isName = nameLen == 4 && tag == "a" && WordAt(u, nameStart, "name");
            if ((isId && !sawId) || (isName && !sawName)) {
                std::string value = ValueText(text, u, from, to);
                if (!value.empty() && value.find('\0') == std::string::npos) found.push_back(std::move(value));
            }
            sawId = sawId || isId;
            sawName = sawName || isName;
        }
        if (p >= u.n) break;
        for (std::string& value : found) out.push_back(std::move(value));
        i = p + 1;
        // Script and style blocks are text up to their end tag, whatever they hold.
        if (tag == "script" || tag == "style") {
            const std::size_t end = Find(u, i, tag == "script" ? "</script" : "</style");
            i = end;
        }
    }
}

void PageAnchors::CollectAnchors(std::uint32_t row, const Text& text) {
    if (row >= pages_.size()) pages_.resize(static_cast<std::size_t>(row) + 1);
    if (pages_[row].collected) return;
    std::vector<std::string> found;
    ReadAnchors(text, found);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    Run& run = pages_[row];
    run.collected = true;
    run.first = static_cast<std::uint32_t>(names_.size());
    for (const std::string& name : found) {
        // The pool's offsets are 32-bit: a site past 4 GB of names keeps what fitted.
        if (pool_.size() + name.size() + 1 > 0xFFFFFFFFu) break;
        names_.push_back(static_cast<std::uint32_t>(pool_.size()));
        pool_.append(name);
        pool_.push_back('\0');
    }
    run.count = static_cast<std::uint32_t>(names_.size()) - run.first;
    holdersBuilt_ = false;
    holders_.clear();
}

bool PageAnchors::Collected(std::uint32_t row) const { return row < pages_.size() && pages_[row].collected; }

std::string_view PageAnchors::NameAt(std::uint32_t index) const {
    return std::string_view(pool_.data() + names_[index]);
}

bool PageAnchors::HasAnchor(std::uint32_t row, std::string_view name) const {
    if (!Collected(row)) return false;
    const Run& run = pages_[row];
    std::uint32_t lo = run.first, hi = run.first + run.count;
    while (lo < hi) {
        const std::uint32_t mid = lo + (hi - lo) / 2;
        const std::string_view at = NameAt(mid);
        if (at == name) return true;
        if (at < name) lo = mid + 1;
        else hi = mid;
    }
    return false;
}

std::vector<std::string_view> PageAnchors::AnchorsOf(std::uint32_t row) const {
    std::vector<std::string_view> out;
    if (!Collected(row)) return out;
    for (std::uint32_t k = 0; k < pages_[row].count; ++k) out.push_back(NameAt(pages_[row].first + k));
    return out;
}

std::int32_t PageAnchors::OnlyOtherPageWith(std::string_view name, std::uint32_t except) {
    if (!holdersBuilt_) {
        for (std::uint32_t row = 0; row < pages_.size(); ++row) {
            const Run& run = pages_[row];
            for (std::uint32_t k = 0; k < run.count; ++k) {
                auto [it, added] = holders_.try_emplace(NameAt(run.first + k), Holders{row, 1});
                if (!added) ++it->second.pages;
            }
        }
        holdersBuilt_ = true;
    }
    const auto it = holders_.find(name);
    if (it == holders_.end()) return -1;
    const bool exceptHolds = HasAnchor(except, name);
    const std::uint32_t others = it->second.pages - (exceptHolds ? 1 : 0);
    if (others != 1) return -1;
    if (it->second.row != except) return static_cast<std::int32_t>(it->second.row);
    // The first holder is the excepted page: the other one is found by a walk over the pages.
    for (std::uint32_t row = 0; row < pages_.size(); ++row)
        if (row != except && HasAnchor(row, name)) return static_cast<std::int32_t>(row);
    return -1;
}

std::size_t PageAnchors::MemoryBytes() const {
    std::size_t bytes = pool_.capacity() + names_.capacity() * sizeof(std::uint32_t) + pages_.capacity() * sizeof(Run);
    // A node of the lookup holds its key, its value and a link; the buckets hold one pointer each.
    bytes += holders_.size() * (sizeof(std::string_view) + sizeof(Holders) + sizeof(void*)) +
             holders_.bucket_count() * sizeof(void*);
    return bytes;
}

}  // namespace corvane
