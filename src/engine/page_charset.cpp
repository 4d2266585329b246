// The encoding an 8-bit page declares, and how the file names in its links are read and written.
#include "engine/page_charset.h"

#include <string>

#include "platform/utf8.h"

namespace corvane {
namespace {

// Browsers look for the declaration in the first 1024 bytes; so does this.
constexpr std::int32_t kPrescanBytes = 1024;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

PageCharset CharsetNamed(const std::string& name) {
    static const char* const k1252[] = {"windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1",
                                        "latin1", "l1", "us-ascii", "ascii", "iso-ir-100", "ibm819"};
    if (name == "utf-8" || name == "utf8") return kCharsetUtf8;
    for (const char* n : k1252)
        if (name == n) return kCharsetWindows1252;
    return kCharsetOther;
}

void AppendPercent(std::string& out, unsigned char b) {
    static const char kHex[] = "0123456789ABCDEF";
    out.push_back('%');
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 15]);
}

}  // namespace

namespace {

PageCharset FindDeclaredCharset(const Text& t) {
    if (t.width() != 1 || !t.data) return kCharsetNone;
    if (t.size >= 3 && t.data[0] == 0xEF && t.data[1] == 0xBB && t.data[2] == 0xBF) return kCharsetUtf8;
    const std::int32_t end = t.size < kPrescanBytes ? t.size : kPrescanBytes;
    // "charset=" in a meta tag, or an XML declaration's encoding="...".
    for (const char* key : {"charset", "encoding"}) {
        for (std::int32_t p = FindText(t, end, key, 0, kScopeAll); p >= 0;
             p = FindText(t, end, key, p + 1, kScopeAll)) {
            std::int32_t q = p + static_cast<std::int32_t>(std::char_traits<char>::length(key));
            while (q < end && t.data[q] == ' ') ++q;
            if (q >= end || t.data[q] != '=') continue;
            ++q;
            while (q < end && (t.data[q] == ' ' || t.data[q] == '"' || t.data[q] == '\'')) ++q;
            std::string name;
            while (q < end && name.size() < 40) {
                const char c = static_cast<char>(t.data[q++]);
                if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '_' || c == ':' || c == '.'))
                    break;
                name.push_back(Lower(c));
            }
            if (!name.empty()) return CharsetNamed(name);
        }
    }
    return kCharsetNone;
}

}  // namespace

PageCharset DeclaredCharset(const Text& t) {
    if (t.declaredCharset < 0) t.declaredCharset = FindDeclaredCharset(t);
    return static_cast<PageCharset>(t.declaredCharset);
}

bool UrlToUtf8(const Text& text, std::string* decoded) {
    if (IsValidUtf8(*decoded)) return true;
    // UTF-16 text declares no 8-bit encoding; its %XX bytes are read as an undeclared page's are.
    const PageCharset declared = DeclaredCharset(text);
    if (declared != kCharsetNone && declared != kCharsetWindows1252) return false;
    *decoded = Windows1252ToUtf8(*decoded);
    return true;
}

PageCharset WritingCharset(const Text& text) {
    if (text.width() != 1) return kCharsetUtf8;  // written as UTF-16 by the rewriter
    const PageCharset declared = DeclaredCharset(text);
    if (declared != kCharsetNone) return declared;
    bool high = false;
    for (std::int32_t i = 0; i < text.size && !high; ++i) high = text.data[i] >= 0x80;
    if (!high) return kCharsetNone;
    // An undeclared page is read as it is written: valid UTF-8 as UTF-8, anything else as Windows-1252.
    return IsValidUtf8(std::string(reinterpret_cast<const char*>(text.data), static_cast<std::size_t>(text.size)))
               ? kCharsetUtf8
               : kCharsetWindows1252;
}

std::string UrlForPage(PageCharset charset, const std::string& value) {
    if (charset == kCharsetUtf8) return value;
    std::string out;
    out.reserve(value.size() * 3);
    for (std::size_t i = 0; i < value.size();) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        unsigned char b = 0;
        std::size_t len = Utf8CharLength(value, i);
        if (len == 0) {
            out.push_back(static_cast<char>(c));  // no character: kept as it was read
            ++i;
            continue;
        }
        if (charset == kCharsetWindows1252 && Utf8CharToWindows1252(value, i, &b, &len)) {
            out.push_back(static_cast<char>(b));
        } else {
            for (std::size_t k = 0; k < len; ++k) AppendPercent(out, static_cast<unsigned char>(value[i + k]));
        }
        i += len;
    }
    return out;
}

}  // namespace corvane
