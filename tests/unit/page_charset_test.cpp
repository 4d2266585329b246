// How the file names of a page's links are read and written in the page's own encoding.
#include "engine/page_charset.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

Text Of(const std::string& page) { return MakeText(page.data(), static_cast<std::int32_t>(page.size()), 0); }

struct DeclaredCase {
    std::string page;
    PageCharset declared;
};

TEST(PageCharset, DeclaredInTheFirstBytes) {
    const DeclaredCase cases[] = {
        {"<meta charset=\"utf-8\">", kCharsetUtf8},
        {"<meta http-equiv=Content-Type content=\"text/html; CHARSET = UTF-8\">", kCharsetUtf8},
        {"\xEF\xBB\xBF<p>", kCharsetUtf8},
        {"<?xml version=\"1.0\" encoding='ISO-8859-1'?>", kCharsetWindows1252},
        {"<meta charset=windows-1252>", kCharsetWindows1252},
        {"<meta charset=\"shift_jis\">", kCharsetOther},
        {"<p>charset</p><meta charset=\"utf-8\">", kCharsetUtf8},  // a word before the declaration
        {"<p>caf\xE9</p>", kCharsetNone},
        {std::string(1024, ' ') + "<meta charset=\"utf-8\">", kCharsetNone},  // too late for a browser too
    };
    for (const DeclaredCase& c : cases) EXPECT_EQ(DeclaredCharset(Of(c.page)), c.declared) << c.page;
}

struct ReadCase {
    const char* page;
    const char* decoded;  // the URL after %XX and references are decoded
    bool ok;
    const char* lookedUp;
};

TEST(PageCharset, NamesAreReadAsUtf8ElseInThePagesEncoding) {
    const ReadCase cases[] = {
        {"<p>", "caf\xC3\xA9.html", true, "caf\xC3\xA9.html"},
        {"<meta charset=windows-1252>", "caf\xC3\xA9.html", true, "caf\xC3\xA9.html"},  // valid UTF-8 wins
        {"<p>", "caf\xE9.html", true, "caf\xC3\xA9.html"},
        {"<meta charset=iso-8859-1>", "\x80.html", true, "\xE2\x82\xAC.html"},
        {"<meta charset=utf-8>", "caf\xE9.html", false, "caf\xE9.html"},  // fits no declared encoding
        {"<meta charset=koi8-r>", "\xC1.html", false, "\xC1.html"},
    };
    for (const ReadCase& c : cases) {
        std::string url = c.decoded;
        EXPECT_EQ(UrlToUtf8(Of(c.page), &url), c.ok) << c.page << " " << c.decoded;
        EXPECT_EQ(url, c.lookedUp);
    }
}

struct WriteCase {
    const char* page;
    PageCharset writing;
    const char* value;  // UTF-8, as the replacement is built
    const char* written;
};

TEST(PageCharset, UrlsAreWrittenInThePagesEncodingOrEscapedAsUtf8) {
    const WriteCase cases[] = {
        {"<meta charset=utf-8><p>", kCharsetUtf8, "caf\xC3\xA9/\xE4\xBD\xA0.html", "caf\xC3\xA9/\xE4\xBD\xA0.html"},
        {"<p>d\xC3\xA9j\xC3\xA0</p>", kCharsetUtf8, "caf\xC3\xA9.html", "caf\xC3\xA9.html"},
        {"<p>d\xE9j\xE0</p>", kCharsetWindows1252, "caf\xC3\xA9/\xE4\xBD\xA0.html", "caf\xE9/%E4%BD%A0.html"},
        {"<meta charset=windows-1252>", kCharsetWindows1252, "\xE2\x82\xAC\xF0\x9F\x98\x80", "\x80%F0%9F%98%80"},
        {"<p>", kCharsetNone, "caf\xC3\xA9.html", "caf%C3%A9.html"},
        {"<meta charset=shift_jis>", kCharsetOther, "\xD0\x96.html", "%D0%96.html"},
        {"<p>", kCharsetNone, "caf\xE9.html", "caf\xE9.html"},  // a byte read as it was stays as it was
    };
    for (const WriteCase& c : cases) {
        EXPECT_EQ(WritingCharset(Of(c.page)), c.writing) << c.page;
        EXPECT_EQ(UrlForPage(c.writing, c.value), c.written) << c.page;
    }
}

}  // namespace
}  // namespace corvane
