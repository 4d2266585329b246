// A site for scanner tests: file list, options that make the URL processor record what it sees, and a recording host.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/markup_scanner.h"
#include "support/engine_parts.h"
#include "support/recording_host.h"

namespace corvane {
namespace testing_support {

// A record as the tests expect it; positions are given in 8-bit characters and scaled by the
// width of the file under test.
struct Rec {
    std::uint32_t file;
    std::string url;
    std::string replacement;
    std::int32_t tagPos;
    std::int32_t valuePos;
    std::uint32_t valueLen;
    std::uint32_t quoteLen;

    bool operator==(const Rec& o) const {
        return file == o.file && url == o.url && replacement == o.replacement && tagPos == o.tagPos &&
               valuePos == o.valuePos && valueLen == o.valueLen && quoteLen == o.quoteLen;
    }
};

inline std::ostream& operator<<(std::ostream& os, const Rec& r) {
    return os << "{file " << r.file << ", url \"" << r.url << "\", repl \"" << r.replacement << "\", tag "
              << r.tagPos << ", value " << r.valuePos << ", len " << r.valueLen << ", quote " << r.quoteLen
              << "}";
}

// The site: C:\site\index.htm (row 0), C:\site\images\logo.gif (1), C:\site\about.htm (2),
// C:\site\style.css (3), C:\site\a b.gif (4), C:\site\pic.jpg (5), C:\site\app.js (6).
// Internet URLs are all answered as broken and no file is found for them, so each one is queued
// as a deletion; so is every local link that is broken without a file of the same name.
struct ScanFixture : EngineParts<RecordingHost> {
    std::vector<unsigned char> bytes;
    bool utf16 = false;

    ScanFixture() {
        for (const char* p : {"C:\\site\\index.htm", "C:\\site\\images\\logo.gif", "C:\\site\\about.htm",
                              "C:\\site\\style.css", "C:\\site\\a b.gif", "C:\\site\\pic.jpg", "C:\\site\\app.js"})
            files.Append(p);
        search.checkInternetUrls = false;
        search.searchSavedFromUrl = false;
        ctx.rootPath = "C:\\site\\";
        ctx.skipInternetCheck = false;
        ctx.internet = &brokenInternet;
    }

    struct : InternetUrlChecker {
        int CheckInternetUrl(const std::string&) override { return 1; }
    } brokenInternet;

    std::int32_t w() const { return utf16 ? 2 : 1; }

    // Sets the bytes of file `file` from 8-bit text; in UTF-16 each character becomes a
    // little-endian unit (the text is ASCII in these tests).
    void SetText(const std::string& text, bool asUtf16, std::uint32_t file) {
        utf16 = asUtf16;
        bytes.clear();
        for (unsigned char c : text) {
            bytes.push_back(c);
            if (asUtf16) bytes.push_back(0);
        }
        links.setFileEncoding(file, asUtf16 ? kEncodingUtf16LE : kEncoding8Bit);
    }

    int Page(const std::string& text, bool asUtf16 = false, std::uint32_t file = 0) {
        SetText(text, asUtf16, file);
        return ScanPage(ctx, bytes.data(), Size(), files.path(static_cast<std::int32_t>(file)), file);
    }
    int Script(const std::string& text, bool asUtf16 = false, std::uint32_t file = 6) {
        SetText(text, asUtf16, file);
        return ScanScriptFile(ctx, bytes.data(), Size(), files.path(static_cast<std::int32_t>(file)), file);
    }
    int Sheet(const std::string& text, bool asUtf16 = false, std::uint32_t file = 3) {
        SetText(text, asUtf16, file);
        return ScanStyleSheet(ctx, bytes.data(), Size(), files.path(static_cast<std::int32_t>(file)), file);
    }

    std::int32_t Size() const { return static_cast<std::int32_t>(bytes.size()); }

    // A record with positions in characters of the 8-bit text, scaled to bytes of the file
    // under test (negative tag positions stay as they are).
    Rec R(std::uint32_t file, const std::string& url, const std::string& replacement, std::int32_t tagPos,
          std::int32_t valuePos, std::uint32_t len, std::uint32_t quote) const {
        return {file, url, replacement, tagPos < 0 ? tagPos : tagPos * w(), valuePos * w(), len, quote};
    }

    std::vector<Rec> Records() const {
        std::vector<Rec> out;
        for (std::int32_t i = 0; i < links.linkCount(); ++i) {
            const LinkRecord& r = links[i];
            out.push_back({r.linkFile, r.linkUrl, r.linkReplacement, r.linkTagPos, r.linkValuePos, r.linkValueLen,
                           r.linkQuoteLen});
        }
        return out;
    }

    std::vector<std::string> Urls() const {
        std::vector<std::string> out;
        for (std::int32_t i = 0; i < links.linkCount(); ++i) out.push_back(links[i].linkUrl);
        return out;
    }
};

// Position of the n-th (from 0) occurrence of needle in text; fails loudly when missing.
inline std::int32_t At(const std::string& text, const std::string& needle, int n = 0) {
    std::size_t p = text.find(needle);
    while (n-- > 0 && p != std::string::npos) p = text.find(needle, p + 1);
    if (p == std::string::npos) {
        ADD_FAILURE() << "the test text lacks " << needle;
        return -1000;
    }
    return static_cast<std::int32_t>(p);
}

}  // namespace testing_support
}  // namespace corvane
