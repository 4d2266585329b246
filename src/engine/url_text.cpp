// Text operations on URLs and paths: decoding, canonical form, fragments, separators, relative paths.
#include "engine/url_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "engine/find_byte.h"
#include "platform/utf8.h"

namespace corvane {

const EntityEntry EntityTable[kEntityCount] = {
    {"&quot;", 34},    {"&amp;", 38},     {"&lt;", 60},      {"&gt;", 62},
    {"&nbsp;", 160},   {"&iexcl;", 161},  {"&cent;", 162},   {"&pound;", 163},
    {"&curren;", 164}, {"&yen;", 165},    {"&brvbar;", 166}, {"&sect;", 167},
    {"&uml;", 168},    {"&copy;", 169},   {"&ordf;", 170},   {"&laquo;", 171},
    {"&not;", 172},    {"&shy;", 173},    {"&reg;", 174},    {"&macr;", 175},
    {"&deg;", 176},    {"&plusmn;", 177}, {"&sup2;", 178},   {"&sup3;", 179},
    {"&acute;", 180},  {"&micro;", 181},  {"&para;", 182},   {"&middot;", 183},
    {"&cedil;", 184},  {"&sup1;", 185},   {"&ordm;", 186},   {"&raquo;", 187},
    {"&frac14;", 188}, {"&frac12;", 189}, {"&frac34;", 190}, {"&iquest;", 191},
    {"&Agrave;", 192}, {"&Aacute;", 193}, {"&Acirc;", 194},  {"&Atilde;", 195},
    {"&Auml;", 196},   {"&Aring;", 197},  {"&AElig;", 198},  {"&Ccedil;", 199},
    {"&Egrave;", 200}, {"&Eacute;", 201}, {"&Ecirc;", 202},  {"&Euml;", 203},
    {"&Igrave;", 204}, {"&Iacute;", 205}, {"&Icirc;", 206},  {"&Iuml;", 207},
    {"&ETH;", 208},    {"&Ntilde;", 209}, {"&Ograve;", 210}, {"&Oacute;", 211},
    {"&Ocirc;", 212},  {"&Otilde;", 213}, {"&Ouml;", 214},   {"&times;", 215},
    {"&Oslash;", 216}, {"&Ugrave;", 217}, {"&Uacute;", 218}, {"&Ucirc;", 219},
    {"&Uuml;", 220},   {"&Yacute;", 221}, {"&THORN;", 222},  {"&szlig;", 223},
    {"&agrave;", 224}, {"&aacute;", 225}, {"&acirc;", 226},  {"&atilde;", 227},
    {"&auml;", 228},   {"&aring;", 229},  {"&aelig;", 230},  {"&ccedil;", 231},
    {"&egrave;", 232}, {"&eacute;", 233}, {"&ecirc;", 234},  {"&euml;", 235},
    {"&igrave;", 236}, {"&iacute;", 237}, {"&icirc;", 238},  {"&iuml;", 239},
    {"&eth;", 240},    {"&ntilde;", 241}, {"&ograve;", 242}, {"&oacute;", 243},
    {"&ocirc;", 244},  {"&otilde;", 245}, {"&ouml;", 246},   {"&divide;", 247},
    {"&oslash;", 248}, {"&ugrave;", 249}, {"&uacute;", 250}, {"&ucirc;", 251},
    {"&uuml;", 252},   {"&yacute;", 253}, {"&thorn;", 254},  {"&yuml;", 255},
};

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char FoldChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// 1: unsafe in a URL; 2: '%', which is safe only before two hex digits.
struct UnsafeTable {
    unsigned char kind[256] = {};
    constexpr UnsafeTable() {
        for (int c = 0; c < 32; ++c) kind[c] = 1;
        kind[127] = 1;
        const char unsafe[] = "<>\"{}\\^~[]' ";
        for (int i = 0; unsafe[i] != '\0'; ++i) kind[static_cast<unsigned char>(unsafe[i])] = 1;
        kind[static_cast<unsigned char>('%')] = 2;
    }
};
constexpr UnsafeTable kUnsafe;

// Index of the last '\', or of the last '/' when there is no '\'; npos when neither.
std::size_t LastSeparator(const std::string& path) {
    std::size_t p = path.rfind('\\');
    return p != std::string::npos ? p : path.rfind('/');
}

// Drive letters read "C:" in a path and "C|" in a URL; both name the same drive.
bool SameFolderChar(char a, char b) {
    if ((a == ':' || a == '|') && (b == ':' || b == '|')) return true;
    if (IsSeparator(a) && IsSeparator(b)) return true;
    return FoldChar(a) == FoldChar(b);
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

int DecodeUrl(const std::string& in, std::string* out) {
    // FindByte: find_first_of looks each character up in the set, and most URLs hold neither.
    if (FindByte(in.data(), '%', in.size()) == nullptr && FindByte(in.data(), '&', in.size()) == nullptr) {
        if (out) *out = in;
        return 0;
    }
    std::string result;
    result.reserve(in.size());
    int count = 0;
    const std::size_t n = in.size();
    for (std::size_t i = 0; i < n;) {
        const char c = in[i];
        if (c == '%' && i + 2 < n) {
            const int hi = HexValue(in[i + 1]);
            const int lo = HexValue(in[i + 2]);
            // %00 stays as written: a NUL inside the URL would cut it short wherever it goes next.
            if (hi >= 0 && lo >= 0 && (hi | lo) != 0) {
                result.push_back(static_cast<char>(hi * 16 + lo));
                ++count;
                i += 3;
                continue;
            }
        } else if (c == '&' && i + 2 < n && in[i + 1] == '#') {
            // A numeric reference (&#45; or &#x2D;), as page generators write dashes and the like.
            std::size_t j = i + 2;
            const bool hex = in[j] == 'x' || in[j] == 'X';
            if (hex) ++j;
            std::uint32_t code = 0;
            std::size_t digits = 0;
            for (; j < n && digits < 7; ++j, ++digits) {
                const int v = hex ? HexValue(in[j]) : (in[j] >= '0' && in[j] <= '9' ? in[j] - '0' : -1);
                if (v < 0) break;
                code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
            }
            const bool valid = code != 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
            // Browsers read a numeric reference without its ';' too.
            if (digits > 0 && valid) {
                AppendUtf8(result, code);
                ++count;
                i = j < n && in[j] == ';' ? j + 1 : j;
                continue;
            }
        } else if (c == '&') {
            bool matched = false;
            for (const EntityEntry& e : EntityTable) {
                const std::size_t len = std::strlen(e.name);
                if (in.compare(i, len, e.name) == 0) {
                    // Texts are UTF-8: a Latin-1 character above ASCII takes two bytes.
                    if (e.code < 0x80) {
                        result.push_back(static_cast<char>(e.code));
                    } else {
                        result.push_back(static_cast<char>(0xC0 | (e.code >> 6)));
                        result.push_back(static_cast<char>(0x80 | (e.code & 0x3F)));
                    }
                    ++count;
                    i += len;
                    matched = true;
                    break;
                }
            }
            if (matched) continue;
        }
        result.push_back(c);
        ++i;
    }
    if (out) *out = std::move(result);
    return count;
}

int CanonicalizeUrl(const std::string& in, std::string* out) {
    static const char kHex[] = "0123456789ABCDEF";
    const std::size_t n = in.size();
    if (out == nullptr) {
        // Every URL is asked whether it needs the work: most need none.
        int count = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char kind = kUnsafe.kind[static_cast<unsigned char>(in[i])];
            if (kind != 0 && (kind == 1 || !(i + 2 < n && HexValue(in[i + 1]) >= 0 && HexValue(in[i + 2]) >= 0)))
                ++count;
        }
        return count;
    }
    std::string result;
    result.reserve(n);
    int count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(in[i]);
        const unsigned char kind = kUnsafe.kind[c];
        if (kind == 0) {
            result.push_back(static_cast<char>(c));
            continue;
        }
        const bool unsafe = kind == 1 || !(i + 2 < n && HexValue(in[i + 1]) >= 0 && HexValue(in[i + 2]) >= 0);
        if (unsafe) {
            ++count;
            result.push_back('%');
            result.push_back(kHex[c >> 4]);
            result.push_back(kHex[c & 15]);
        } else {
            result.push_back(static_cast<char>(c));
        }
    }
    *out = std::move(result);
    return count;
}

void SplitFragment(const std::string& in, std::string* base, std::string* fragment) {
    const std::size_t hash = in.find('#');
    if (hash == std::string::npos) {
        if (base) *base = in;
        if (fragment) fragment->clear();
        return;
    }
    // Copy before assigning: `in` may be one of the outputs.
    std::string before = in.substr(0, hash);
    std::string from = in.substr(hash);
    if (base) *base = std::move(before);
    if (fragment) *fragment = std::move(from);
}

namespace {

// Where ConvertSeparators begins: after the first "://", else after the first ":\\"; npos without either.
std::size_t ConversionStart(const std::string& text) {
    // Both found in one look at each ':'.
    std::size_t scheme = std::string::npos;
    std::size_t drive = std::string::npos;
    const std::size_t size = text.size();
    for (const char* c = text.data(); (c = static_cast<const char*>(FindByte(c, ':', size - static_cast<std::size_t>(c - text.data())))); ++c) {
        const auto i = static_cast<std::size_t>(c - text.data());
        if (i + 2 < size && c[1] == '/' && c[2] == '/') {
            scheme = i;
            break;
        }
        if (drive == std::string::npos && i + 1 < size && c[1] == '\\') drive = i;
    }
    if (scheme != std::string::npos) return scheme + 3;
    return drive != std::string::npos ? drive + 1 : std::string::npos;
}

// Nothing after a fragment or query is a path.
std::size_t PathEnd(const std::string& text, std::size_t start) {
    std::size_t end = text.size();
    for (const char stop : {'#', '?'}) {
        const void* at = FindByte(text.data() + start, stop, end - start);
        if (at != nullptr) end = static_cast<std::size_t>(static_cast<const char*>(at) - text.data());
    }
    return end;
}

void ConvertRange(std::string& text, std::size_t start, std::size_t end, bool toUrl) {
    const char from1 = toUrl ? ':' : '|';
    const char to1 = toUrl ? '|' : ':';
    const char from2 = toUrl ? '\\' : '/';
    const char to2 = toUrl ? '/' : '\\';
    char* const d = &text[0];
    for (std::size_t i = start; i < end; ++i) {
        const char c = d[i];
        d[i] = c == from1 ? to1 : c == from2 ? to2 : c;  // no branch: the compiler may do many at once
    }
}

}  // namespace

void ConvertSeparators(std::string& text, bool toUrl) {
    std::size_t start = ConversionStart(text);
    if (start == std::string::npos) start = 0;
    if (start >= text.size()) return;
    ConvertRange(text, start, PathEnd(text, start), toUrl);
}

bool ConvertsApart(const std::string& head) {
    // A '/' at its end could make "://" with the rest.
    if (head.empty() || head.back() != '\\') return false;
    const std::size_t start = ConversionStart(head);
    return start != std::string::npos && start < head.size() && PathEnd(head, start) == head.size();
}

void ConvertSeparatorsFrom(std::string& text, std::size_t from, bool toUrl) {
    if (from >= text.size()) return;
    ConvertRange(text, from, PathEnd(text, from), toUrl);
}

void SplitPath(const std::string& path, std::string* folder, std::string* nameWithExtension,
               std::string* name, std::string* extension) {
    if (folder == &path || nameWithExtension == &path || name == &path || extension == &path) {
        const std::string copy = path;
        SplitPath(copy, folder, nameWithExtension, name, extension);
        return;
    }
    // Only the parts asked for are built: this runs for most URLs of every page.
    const std::size_t sep = LastSeparator(path);
    const std::size_t fileStart = sep == std::string::npos ? 0 : sep + 1;
    std::size_t dot = name || extension ? path.rfind('.') : std::string::npos;
    if (dot != std::string::npos && dot < fileStart) dot = std::string::npos;
    if (name) name->assign(path, fileStart, (dot == std::string::npos ? path.size() : dot) - fileStart);
    if (extension) {
        if (dot == std::string::npos) extension->clear();
        else extension->assign(path, dot + 1, std::string::npos);
    }
    if (folder) {
        if (sep == std::string::npos) {
            folder->clear();
        } else {
            folder->assign(path, 0, sep);
            if (!folder->empty() && folder->back() == ':') folder->push_back('\\');
        }
    }
    if (nameWithExtension) nameWithExtension->assign(path, fileStart, std::string::npos);
}

std::string MakeRelative(const std::string& from, const std::string& target, bool toUrl) {
    std::string t = target;
    const bool quoted = t.size() >= 2 && t.front() == '"' && t.back() == '"';
    if (quoted) t = t.substr(1, t.size() - 2);

    const std::size_t scheme = t.find("://");
    if (scheme != std::string::npos) {
        t = t.substr(scheme + 3);
        // "file:///C|/a" names the drive after its third slash; keep the drive first, as in a path.
        if (t.size() >= 3 && t[0] == '/' && IsAsciiLetter(t[1]) && (t[2] == '|' || t[2] == ':')) t.erase(0, 1);
    }

    const char sep = toUrl ? '/' : '\\';
    std::string fromFolder;
    const std::size_t fromSep = LastSeparator(from);
    if (fromSep != std::string::npos) {
        fromFolder = from.substr(0, fromSep);
        if (!fromFolder.empty() && fromFolder.back() == ':') fromFolder.push_back('\\');
    }
    std::string targetFolder;
    std::string targetName;
    SplitPath(t, &targetFolder, &targetName, nullptr, nullptr);
    ConvertSeparators(fromFolder, toUrl);
    ConvertSeparators(targetFolder, toUrl);
    if (fromFolder.empty() || !IsSeparator(fromFolder.back())) fromFolder.push_back(sep);
    if (targetFolder.empty() || !IsSeparator(targetFolder.back())) targetFolder.push_back(sep);

    const std::size_t shorter = std::min(fromFolder.size(), targetFolder.size());
    std::size_t common = 0;
    while (common < shorter && SameFolderChar(fromFolder[common], targetFolder[common])) ++common;
    std::size_t k = 0;
    for (std::size_t i = 0; i < common; ++i)
        if (IsSeparator(fromFolder[i])) k = i + 1;

    std::string result;
    if (common > 0) {
        for (std::size_t i = k; i < fromFolder.size(); ++i)
            if (IsSeparator(fromFolder[i])) result += toUrl ? "../" : "..\\";
        result += targetFolder.substr(k);
        if (!result.empty() && !IsSeparator(result.back())) result.push_back(sep);
        result += targetName;
    } else {
        result = toUrl ? "file:///" + t : t;
        ConvertSeparators(result, toUrl);
    }
    return quoted ? "\"" + result + "\"" : result;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    for (std::size_t i = 0; prefix[i] != '\0'; ++i)
        if (i >= text.size() || FoldChar(text[i]) != FoldChar(prefix[i])) return false;
    return true;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    // Folding keeps every character's length, so texts of different lengths never match.
    if (a.size() != b.size()) return false;
    bool ascii = true;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if ((static_cast<unsigned char>(a[i]) | static_cast<unsigned char>(b[i])) >= 0x80) ascii = false;
        else if (FoldChar(a[i]) != FoldChar(b[i])) return false;
    }
    return ascii || FoldUtf8(a) == FoldUtf8(b);
}

std::string FoldCase(const std::string& text) { return FoldUtf8(text); }

std::string UrlHost(const std::string& url) {
    const std::size_t start = url.find("://");
    if (start == std::string::npos) return std::string();
    std::size_t end = url.find_first_of("/?#\\", start + 3);
    if (end == std::string::npos) end = url.size();
    std::string host = url.substr(start + 3, end - start - 3);
    const std::size_t at = host.rfind('@');
    if (at != std::string::npos) host.erase(0, at + 1);
    const std::size_t colon = host.rfind(':');
    if (colon != std::string::npos && host.find(']', colon) == std::string::npos) host.erase(colon);
    return host;
}

}  // namespace corvane
