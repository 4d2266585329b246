// UTF-8, the core's 8-bit text: checks, conversion to and from UTF-16 and Windows-1252, case folding, cutting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

// Appends the UTF-8 form of a code point (a surrogate gets its own three-byte form).
void AppendUtf8(std::string& out, std::uint32_t cp);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(const std::string& text);

// UTF-16 units as UTF-8. A lone surrogate keeps its own three-byte form, so that writing the
// text back gives the same units.
std::string Utf16ToUtf8(const std::u16string& units);

// UTF-8 as UTF-16 units. A byte that starts no well-formed character stands for itself as a
// Windows-1252 byte, as the text was read before it was UTF-8; the three-byte form of a lone
// surrogate gives the surrogate back.
std::u16string Utf8ToUtf16(const std::string& text);

// Windows-1252 bytes as UTF-8 (the five bytes that code page leaves undefined become C1 controls).
std::string Windows1252ToUtf8(const std::string& text);

// The character of UTF-8 text starting at byte `pos` as Windows-1252: true with the byte in
// *out and the character's length in *len; false when it has no Windows-1252 form or is no
// well-formed character (then *len is 1).
bool Utf8CharToWindows1252(const std::string& text, std::size_t pos, unsigned char* out, std::size_t* len);

// The length of the well-formed UTF-8 character at `pos`, 0 when none starts there.
std::size_t Utf8CharLength(const std::string& text, std::size_t pos);

// How many UTF-16 units the text has as Windows counts a path's length.
std::size_t Utf16Length(const std::string& text);
// Utf16Length(text) > units, without counting a text of no more bytes than that (a unit takes a byte at least).
inline bool Utf16LongerThan(const std::string& text, std::size_t units) {
    return text.size() > units && Utf16Length(text) > units;
}

// The longest start of text no longer than maxBytes that does not end inside a character.
std::size_t Utf8Cut(const std::string& text, std::size_t maxBytes);

// Upper-cases letters the way Windows file systems compare names (ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic); everything else, malformed bytes too, stays as it is.
std::string FoldUtf8(const std::string& text);

}  // namespace corvane
