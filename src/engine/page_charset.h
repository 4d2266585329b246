// The encoding an 8-bit page declares (byte-order mark, or a charset in its first bytes), and what
// follows from it for the file names in its links: how they are read and how they are written.
#pragma once

#include <string>

#include "engine/text_search.h"

namespace corvane {

enum PageCharset : int {
    kCharsetNone = 0,         // nothing declared
    kCharsetUtf8 = 1,         // a UTF-8 byte-order mark, or charset utf-8
    kCharsetWindows1252 = 2,  // windows-1252 or one of the names browsers read as it
    kCharsetOther = 3,        // declared, but neither of the two
};

// What an 8-bit page declares; UTF-16 text declares nothing here.
PageCharset DeclaredCharset(const Text& text);

// A decoded URL of the page as UTF-8 for the lookup: as it is when it is valid UTF-8, else read as
// Windows-1252 when the page declares that or nothing (UTF-16 text declares nothing). False when it
// cannot be decoded (the bytes are kept as they are).
bool UrlToUtf8(const Text& text, std::string* decoded);

// The encoding URLs are written in: as declared; when nothing is, UTF-8 for a page that is valid
// UTF-8, Windows-1252 for one that is not, none for plain ASCII. UTF-16 text takes UTF-8 values.
PageCharset WritingCharset(const Text& text);

// A URL value made ready to be written into a page of that encoding: characters outside ASCII as
// they are in UTF-8, as their byte in Windows-1252 where it has them, else as the %XX of their
// UTF-8 bytes; malformed bytes stay as they were read.
std::string UrlForPage(PageCharset charset, const std::string& value);

}  // namespace corvane
