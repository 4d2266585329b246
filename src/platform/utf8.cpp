// UTF-8, the core's 8-bit text: every read checks its bounds, malformed bytes are kept as they are.
#include "platform/utf8.h"

#include <cstring>

#include "platform/ansi_code_page.h"

namespace corvane {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes the character at pos; 0 when none is well formed there. With allowSurrogates, the
// three-byte forms of U+D800-U+DFFF count as characters (the core writes lone surrogates so).
std::size_t Decode(const std::string& s, std::size_t pos, std::uint32_t* cp, bool allowSurrogates) {
    const std::size_t n = s.size();
    if (pos >= n) return 0;
    const unsigned char c = static_cast<unsigned char>(s[pos]);
    if (c < 0x80) {
        *cp = c;
        return 1;
    }
    std::size_t len;
    std::uint32_t v;
    std::uint32_t min;
    if (c >= 0xC2 && c <= 0xDF) len = 2, v = c & 0x1F, min = 0x80;
    else if (c >= 0xE0 && c <= 0xEF) len = 3, v = c & 0x0F, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) len = 4, v = c & 0x07, min = 0x10000;
    else return 0;
    if (pos + len > n) return 0;
    for (std::size_t i = 1; i < len; ++i) {
        const unsigned char d = static_cast<unsigned char>(s[pos + i]);
        if (!IsContinuation(d)) return 0;
        v = (v << 6) | (d & 0x3F);
    }
    if (v < min || v > 0x10FFFF) return 0;
    if (v >= 0xD800 && v <= 0xDFFF && !allowSurrogates) return 0;
    *cp = v;
    return len;
}


// The upper-case form Windows compares a letter by, for the scripts file names use most.
std::uint32_t FoldCodePoint(std::uint32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c == 0xFF) return 0x178;
    if (c == 0x131) return c;  // dotless i has no pair of its own among names
    if (c >= 0x100 && c <= 0x17F) {
        // Pairs: upper case on even code points, except 0x139-0x148 and 0x179-0x17E, upper on odd.
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 0) ? c - 1 : c;
        if (c <= 0x137 || (c >= 0x14A && c <= 0x177)) return (c % 2 == 1) ? c - 1 : c;
        return c;
    }
    // Final sigma stays apart from sigma, as Windows compares names.
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 0x20;
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
        return (c % 2 == 1) ? c - 1 : c;
    if (c >= 0x4C1 && c <= 0x4CE) return (c % 2 == 0) ? c - 1 : c;
    if (c == 0x4CF) return 0x4C0;
    return c;
}

class Utf8Page : public AnsiCodePage {
public:
    unsigned char FromUtf16(std::uint16_t unit) const override {
        return unit < 0x80 ? static_cast<unsigned char>(unit) : '_';
    }
    std::u16string ToUtf16(const std::string& text) const override { return Utf8ToUtf16(text); }
    bool IsUtf8() const override { return true; }
};

}  // namespace

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

const AnsiCodePage& Utf8CodePage() {
    static const Utf8Page page;
    return page;
}

bool IsValidUtf8(const std::string& text) {
    std::uint32_t cp;
    std::size_t i = 0;
    // Most texts asked about are ASCII: eight bytes at a time while they are.
    for (std::uint64_t w; i + 8 <= text.size(); i += 8) {
        std::memcpy(&w, text.data() + i, 8);
        if (w & 0x8080808080808080ull) break;
    }
    while (i < text.size()) {
        const std::size_t len = Decode(text, i, &cp, false);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::string Utf16ToUtf8(const std::u16string& units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const std::uint32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    const std::u16string high = Windows1252CodePage().ToUtf16(text);  // one unit per byte
    std::uint32_t cp;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = Decode(text, i, &cp, true);
        if (len == 0) {
            out.push_back(high[i]);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

std::string Windows1252ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t u : Windows1252CodePage().ToUtf16(text)) AppendUtf8(out, u);
    return out;
}

bool Utf8CharToWindows1252(const std::string& text, std::size_t pos, unsigned char* out, std::size_t* len) {
    std::uint32_t cp = 0;
    const std::size_t n = Decode(text, pos, &cp, false);
    *len = n == 0 ? 1 : n;
    if (n == 0 || cp > 0xFFFF) return false;
    const unsigned char b = Windows1252CodePage().FromUtf16(static_cast<std::uint16_t>(cp));
    if (b == '_' && cp != '_') return false;
    *out = b;
    return true;
}

std::size_t Utf8CharLength(const std::string& text, std::size_t pos) {
    std::uint32_t cp;
    return Decode(text, pos, &cp, false);
}

std::size_t Utf16Length(const std::string& text) {
    std::size_t units = 0;
    std::uint32_t cp;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = Decode(text, i, &cp, true);
        units += (len == 4) ? 2 : 1;
        i += len == 0 ? 1 : len;
    }
    return units;
}

std::size_t Utf8Cut(const std::string& text, std::size_t maxBytes) {
    if (maxBytes >= text.size()) return text.size();
    std::size_t end = 0;
    std::uint32_t cp;
    while (end < maxBytes) {
        std::size_t len = Decode(text, end, &cp, true);
        if (len == 0) len = 1;
        if (end + len > maxBytes) break;
        end += len;
    }
    return end;
}

std::string FoldUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    std::uint32_t cp;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {  // names are mostly ASCII: keep that path plain
            out.push_back(static_cast<char>((c >= 'a' && c <= 'z') ? c - 32 : c));
            ++i;
            continue;
        }
        const std::size_t len = Decode(text, i, &cp, false);
        if (len == 0) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        AppendUtf8(out, FoldCodePoint(cp));
        i += len;
    }
    return out;
}

}  // namespace corvane
