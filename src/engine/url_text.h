// Text operations on URLs and paths: decoding, canonical form, fragments, separators, relative paths.
#pragma once

#include <string>

namespace corvane {

struct EntityEntry {
    const char* name;  // with the leading '&' and the trailing ';'
    unsigned char code;
};
// &quot; &amp; &lt; &gt;, then the ISO 8859-1 references from &nbsp; to &yuml; in code order.
constexpr int kEntityCount = 100;
extern const EntityEntry EntityTable[kEntityCount];

// Decodes %XX escapes and character references. Returns how many were decoded.
int DecodeUrl(const std::string& in, std::string* out);

// Escapes unsafe characters as %XX (upper-case hex); well-formed escapes are kept.
// Returns how many characters were escaped.
int CanonicalizeUrl(const std::string& in, std::string* out);

// base: text before the first '#'; fragment: from that '#' on (empty when none).
void SplitFragment(const std::string& in, std::string* base, std::string* fragment);

// Converts between path form (C:\a\b) and URL form (C|/a/b) in place, from after "://"
// (or the first ":\") up to the first '#' or '?'.
void ConvertSeparators(std::string& text, bool toUrl);

// Whether ConvertSeparators(head + rest) gives ConvertSeparators(head) followed by the rest converted
// by ConvertSeparatorsFrom, for every rest without "://": head ends with a backslash, holds a drive or
// a protocol, and no '#' or '?' after it. The many URLs of one page share their folder that way.
bool ConvertsApart(const std::string& head);
// Converts text from `from` up to its first '#' or '?' after it, as ConvertSeparators converts a path.
void ConvertSeparatorsFrom(std::string& text, std::size_t from, bool toUrl);

// Splits at the last '\' (or, when none, the last '/'). folder gets a '\' after a drive colon.
void SplitPath(const std::string& path, std::string* folder, std::string* nameWithExtension,
               std::string* name, std::string* extension);

// `target` relative to the folder of `from`, in URL form ("../b/y.htm") or path form.
std::string MakeRelative(const std::string& from, const std::string& target, bool toUrl);

// Case folding helpers shared by the engine: prefixes are ASCII; whole texts compare as file names do.
bool StartsWithNoCase(const std::string& text, const char* prefix);

// The host of scheme://[user@]host[:port]/..., as written; empty when there is no "://".
std::string UrlHost(const std::string& url);
bool EqualsNoCase(const std::string& a, const std::string& b);
std::string FoldCase(const std::string& text);  // upper case, as FoldUtf8

}  // namespace corvane
