// The URL processor: how each kind of URL found in a page is classified, resolved and queued.
#include "engine/url_processor.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/url_engine_fixture.h"

namespace corvane {
namespace {

using testing_support::EngineFixture;
using testing_support::FakeInternet;

constexpr const char* kPage = "C:\\site\\index.htm";

// Puts `<A href=VALUE>` into the page and processes the value as a whole attribute value.
int ProcessHref(EngineFixture& f, const std::string& value, bool utf16 = false) {
    f.SetPage("<P>text</P><A href=" + value + ">link</A>", utf16);
    return ProcessUrl(f.ctx, f.text(), 0, f.At("<A"), f.After("href="), true);
}

TEST(ProcessUrl, RoadOfOneBrokenLink) {
    for (bool utf16 : {false, true}) {
        SCOPED_TRACE(utf16 ? "UTF-16" : "8-bit");
        EngineFixture f;
        f.files.Append(kPage);
        f.files.Append("C:\\site\\images\\logo.gif");
        f.SetPage("<HTML><BODY><IMG src=\"img/logo.gif\"></BODY></HTML>", utf16);
        const std::int32_t tag = f.At("<IMG");
        const std::int32_t value = f.After("src=");
        ASSERT_EQ(ProcessUrl(f.ctx, f.text(), 0, tag, value, true), 1);
        ASSERT_EQ(f.links.linkCount(), 1);
        const LinkRecord& r = f.links[0];
        EXPECT_EQ(r.linkUrl, "img/logo.gif");
        EXPECT_EQ(r.linkReplacement, "images/logo.gif");
        EXPECT_EQ(r.linkFile, 0u);
        EXPECT_EQ(r.linkTagPos, tag);
        EXPECT_EQ(r.linkValuePos, value);
        EXPECT_EQ(r.linkValueLen, 14u);
        EXPECT_EQ(r.linkQuoteLen, 1u);
        EXPECT_TRUE(f.files.referenced(1));
        EXPECT_EQ(f.links.secondPassCount(), 0);
    }
}

// One way of meeting a URL: the options and files around it, and what is to be queued.
struct ClassCase {
    const char* name;
    const char* value;  // as written after href=
    std::vector<const char*> rows;  // after the page's own row 0
    std::function<void(EngineFixture&)> setup;
    int result;
    const char* linkUrl;      // expected when result is 1
    const char* replacement;  // expected when result is 1
    bool secondPass;
    int referencedRow;        // a row expected to be marked, or -1
};

void NoChange(EngineFixture&) {}
// A page of the site was saved from www.example.org, so that host is the site's own.
void OwnHost(EngineFixture& f) { f.savedFrom.Add("http://WWW.example.org:80/elsewhere.htm", 0); }

const ClassCase kCases[] = {
    // Script links.
    {"script deleted", "\"javascript:void(0)\"", {}, [](EngineFixture& f) { f.processing.deleteScripts = true; }, 1,
     "javascript:void(0)", "", false, -1},
    {"unquoted script deleted", "javascript:void(0)", {}, [](EngineFixture& f) { f.processing.deleteScripts = true; }, 1,
     "javascript:void(0)", "\"\"", false, -1},
    {"vbscript deleted", "'VBScript:go()'", {}, [](EngineFixture& f) { f.processing.deleteScripts = true; }, 1,
     "VBScript:go()", "", false, -1},
    {"about deleted with fragment", "\"about:blank#x\"", {},
     [](EngineFixture& f) { f.processing.deleteScripts = true; }, 1, "about:blank#x", "", false, -1},
    {"script kept", "\"javascript:void(0)\"", {}, NoChange, 0, nullptr, nullptr, false, -1},
    {"script kept, canonicalised", "\"javascript:go('a b')\"", {}, NoChange, 1, "javascript:go('a b')",
     "javascript:go(%27a%20b%27)", false, -1},
    {"script kept, canonicalisation off", "\"javascript:go('a b')\"", {},
     [](EngineFixture& f) { f.processing.canonicalize = false; }, 0, nullptr, nullptr, false, -1},
    // Mail and news.
    {"mailto with space", "\"mailto:a b@example.org\"", {}, NoChange, 1, "mailto:a b@example.org",
     "mailto:a%20b@example.org", false, -1},
    {"mailto", "\"MAILTO:me@example.org\"", {}, NoChange, 0, nullptr, nullptr, false, -1},
    // An escaped percent sign stays escaped: canonical forms are made from the value as written.
    {"mailto with an escaped percent sign", "\"mailto:me@example.org?subject=%2541 off\"", {}, NoChange, 1,
     "mailto:me@example.org?subject=%41 off", "mailto:me@example.org?subject=%2541%20off", false, -1},
    {"www with an escaped percent sign", "\"www.example.org/100%2541 b.htm\"", {}, NoChange, 1,
     "www.example.org/100%41 b.htm", "http://www.example.org/100%2541%20b.htm", true, -1},
    {"news", "\"news:comp.lang.c\"", {}, NoChange, 0, nullptr, nullptr, false, -1},
    {"view-source", "\"view-source:x.htm\"", {}, NoChange, 0, nullptr, nullptr, false, -1},
    // Forgotten protocol names.
    {"e-mail address", "\"me@example.org\"", {}, NoChange, 1, "me@example.org", "mailto:me@example.org", false, -1},
    {"e-mail address with space", "\"my name@example.org\"", {}, NoChange, 1, "my name@example.org",
     "mailto:my%20name@example.org", false, -1},
    {"dotted user name is a path", "\"first.last@example.org\"", {"C:\\site\\first.last@example.org"}, NoChange, 0,
     nullptr, nullptr, false, 1},
    {"user in an Internet URL", "\"http://user@www.example.org/a.htm\"", {"C:\\site\\a.htm"}, OwnHost, 1,
     "http://user@www.example.org/a.htm", "a.htm", false, 1},
    {"e-mail, option off", "\"me@example.org\"", {}, [](EngineFixture& f) { f.processing.addForgottenProtocols = false; },
     1, "me@example.org", "", false, -1},
    {"www", "\"www.example.org/dir/a.htm\"", {}, NoChange, 1, "www.example.org/dir/a.htm",
     "http://www.example.org/dir/a.htm", true, -1},
    {"www with fragment", "\"WWW.example.org/a b.htm#top\"", {}, NoChange, 1, "WWW.example.org/a b.htm#top",
     "http://WWW.example.org/a%20b.htm#top", true, -1},
    {"ftp", "\"ftp.example.org/pub/x.zip\"", {}, NoChange, 1, "ftp.example.org/pub/x.zip",
     "ftp://ftp.example.org/pub/x.zip", true, -1},
    {"drive path", "\"C:\\site\\a.htm\"", {}, NoChange, 1, "C:\\site\\a.htm", "file:///C|/site/a.htm", true, -1},
    {"drive path with slashes", "\"c:/my site/a.htm\"", {}, NoChange, 1, "c:/my site/a.htm",
     "file:///c|/my%20site/a.htm", true, -1},
    // Forgotten "//".
    {"forgotten slashes", "\"http:www.example.org/a.htm\"", {}, NoChange, 1, "http:www.example.org/a.htm",
     "http://www.example.org/a.htm", true, -1},
    {"forgotten slashes, off", "\"http:www.example.org/a.htm\"", {},
     [](EngineFixture& f) { f.processing.addForgottenSlashes = false; }, 1, "http:www.example.org/a.htm", "", false, -1},
    {"colon in a query is no protocol", "\"page.htm?t=10:30\"", {}, NoChange, 1,
     "page.htm?t=10:30", "", false, -1},
    {"drive path is no protocol", "\"C:\\site\\a.htm\"", {"C:\\site\\a.htm"},
     [](EngineFixture& f) { f.processing.addForgottenProtocols = false; }, 1, "C:\\site\\a.htm", "a.htm", false, 1},
    // Base URL.
    {"base URL, found, made relative", "\"http://www.example.org/site/sub/b.htm#x\"", {"C:\\site\\sub\\b.htm"},
     [](EngineFixture& f) {
         f.search.searchBaseUrl = true;
         f.search.baseUrl = "http://www.example.org/site";
     },
     1, "http://www.example.org/site/sub/b.htm#x", "sub/b.htm#x", false, 1},
    {"base URL with its slash", "\"HTTP://www.example.org/site/b.htm\"", {"C:\\site\\b.htm"},
     [](EngineFixture& f) {
         f.search.searchBaseUrl = true;
         f.search.baseUrl = "http://www.example.org/site/";
     },
     1, "HTTP://www.example.org/site/b.htm", "b.htm", false, 1},
    {"base URL with an escape", "\"http://www.example.org/my site/b.htm\"", {"C:\\site\\b.htm"},
     [](EngineFixture& f) {
         f.search.searchBaseUrl = true;
         f.search.baseUrl = "http://www.example.org/my%20site";
     },
     1, "http://www.example.org/my site/b.htm", "b.htm", false, 1},
    {"base URL, absolute mode keeps it", "\"http://www.example.org/site/b.htm\"", {"C:\\site\\b.htm"},
     [](EngineFixture& f) {
         f.search.searchBaseUrl = true;
         f.search.baseUrl = "http://www.example.org/site";
         f.processing.makeRelative = false;
     },
     0, nullptr, nullptr, false, 1},
    {"base URL, missing file found by name", "\"http://www.example.org/site/old/b.htm\"", {"C:\\site\\new\\b.htm"},
     [](EngineFixture& f) {
         f.search.searchBaseUrl = true;
         f.search.baseUrl = "http://www.example.org/site";
     },
     1, "http://www.example.org/site/old/b.htm", "new/b.htm", false, 1},
    {"base URL, option off", "\"http://www.example.org/site/b.htm\"", {"C:\\site\\b.htm"},
     [](EngineFixture& f) { f.search.baseUrl = "http://www.example.org/site"; }, 1, "http://www.example.org/site/b.htm",
     "b.htm", false, 1},
    {"base URL must end at a separator", "\"http://www.example.org/sitemap.htm\"", {},
     [](EngineFixture& f) {
         f.search.searchBaseUrl = true;
         f.search.baseUrl = "http://www.example.org/site";
     },
     1, "http://www.example.org/sitemap.htm", "", false, -1},
    // Internet URLs, not checked on line.
    {"Internet, found by file name", "\"http://www.example.org/docs/img/logo.gif\"",
     {"C:\\site\\img\\logo.gif", "C:\\site\\docs\\img\\logo.gif"}, OwnHost, 1,
     "http://www.example.org/docs/img/logo.gif", "docs/img/logo.gif", false, 2},
    {"Internet, saved from url", "\"http://www.example.org/saved.htm\"", {"C:\\site\\copy\\page.htm"},
     [](EngineFixture& f) { f.savedFrom.Add("HTTP://www.example.org/saved.htm", 1); }, 1,
     "http://www.example.org/saved.htm", "copy/page.htm", false, 1},
    {"Internet, nothing found", "\"https://www.example.org/x.htm\"", {}, OwnHost, 1, "https://www.example.org/x.htm",
     "", false, -1},
    {"Internet, file names off", "\"ftp://ftp.example.org/logo.gif\"", {"C:\\site\\logo.gif"},
     [](EngineFixture& f) {
         f.search.searchFileNames = false;
         f.savedFrom.Add("ftp://ftp.example.org/", 0);
     },
     1, "ftp://ftp.example.org/logo.gif", "", false, -1},
    {"Internet, unquoted deletion", "gopher://example.org/x", {},
     [](EngineFixture& f) { f.search.baseUrl = "http://Example.org/site"; }, 1, "gopher://example.org/x", "\"\"", false, -1},
    {"Internet, trailing slash dropped", "\"http://www.example.org/\"", {}, OwnHost, 1, "http://www.example.org",
     "", false, -1},
    {"Internet, another site's page left alone", "\"https://generator.example/index.html\"", {"C:\\site\\index.html"},
     OwnHost, 0, nullptr, nullptr, false, -1},
    // Local file URLs.
    {"file URL, found", "\"file:///C|/site/a.htm\"", {"C:\\site\\a.htm"}, NoChange, 1, "file:///C|/site/a.htm",
     "a.htm", false, 1},
    {"file URL with a colon", "\"file:///C:/site/sub/a.htm#p\"", {"C:\\site\\sub\\a.htm"}, NoChange, 1,
     "file:///C:/site/sub/a.htm#p", "sub/a.htm#p", false, 1},
    {"file URL, absolute mode", "\"file:///C|/site/a.htm\"", {"C:\\site\\a.htm"},
     [](EngineFixture& f) { f.processing.makeRelative = false; }, 0, nullptr, nullptr, false, 1},
    {"file URL, missing", "\"file:///C|/old/a.htm\"", {"C:\\site\\new\\a.htm"}, NoChange, 1, "file:///C|/old/a.htm",
     "new/a.htm", false, 1},
    // Unknown protocols.
    {"unknown protocol kept", "\"telnet://host.example.org\"", {}, NoChange, 0, nullptr, nullptr, false, -1},
    {"unknown protocol deleted", "\"telnet://host.example.org\"", {},
     [](EngineFixture& f) { f.processing.deleteUnknownProtocols = true; }, 1, "telnet://host.example.org", "", false,
     -1},
    {"unknown protocol canonicalised", "\"telnet://host.example.org/a b\"", {}, NoChange, 1,
     "telnet://host.example.org/a b", "telnet://host.example.org/a%20b", false, -1},
    // Relative URLs.
    {"relative, found", "\"sub/a.htm\"", {"C:\\site\\sub\\a.htm"}, NoChange, 0, nullptr, nullptr, false, 1},
    {"relative, found, absolute mode", "\"sub/a.htm#top\"", {"C:\\site\\sub\\a.htm"},
     [](EngineFixture& f) { f.processing.makeRelative = false; }, 1, "sub/a.htm#top", "file:///C|/site/sub/a.htm#top",
     false, 1},
    {"relative with dot-dot", "\"sub/../a.htm\"", {"C:\\site\\a.htm"}, NoChange, 0, nullptr, nullptr, false, 1},
    {"relative, missing, no candidate", "\"gone.htm\"", {}, NoChange, 1, "gone.htm", "", false, -1},
    {"relative, missing, unquoted", "gone.htm", {}, NoChange, 1, "gone.htm", "\"\"", false, -1},
    {"relative, found by name", "\"old/a.htm#top\"", {"C:\\site\\new\\a.htm"}, NoChange, 1, "old/a.htm#top",
     "new/a.htm#top", false, 1},
    {"trailing slash dropped", "\"sub/\"", {"C:\\site\\sub"}, [](EngineFixture& f) { f.processing.makeRelative = false; },
     1, "sub", "file:///C|/site/sub", false, 1},
    {"fragment handed on", "\"x.htm#top\"", {"C:\\site\\x.htm"},
     [](EngineFixture& f) { f.processing.makeRelative = false; }, 1, "x.htm#top", "file:///C|/site/x.htm#top", false, 1},
    // Canonical form only.
    {"well-formed escape", "\"a%20b.htm\"", {"C:\\site\\a b.htm"}, NoChange, 0, nullptr, nullptr, false, 1},
    {"space", "\"a b.htm\"", {"C:\\site\\a b.htm"}, NoChange, 1, "a b.htm", "a%20b.htm", false, 1},
    {"space, canonicalisation off", "\"a b.htm\"", {"C:\\site\\a b.htm"},
     [](EngineFixture& f) { f.processing.canonicalize = false; }, 0, nullptr, nullptr, false, 1},
    {"reference decoded", "\"caf&eacute;.htm\"", {"C:\\site\\caf\xC3\xA9.htm"}, NoChange, 0, nullptr, nullptr, false, 1},
    {"empty value", "\"\"", {}, NoChange, 0, nullptr, nullptr, false, -1},
    {"only a fragment", "\"#top\"", {}, NoChange, 0, nullptr, nullptr, false, -1},
};

// Runs every case in both widths from `page` (row 0), with the site's top folder at C:\site\.
void CheckCases(const ClassCase* cases, std::size_t count, const char* page) {
    for (bool utf16 : {false, true}) {
        for (const ClassCase* c = cases; c != cases + count; ++c) {
            SCOPED_TRACE(std::string(c->name) + (utf16 ? " (UTF-16)" : ""));
            EngineFixture f;
            f.files.Append(page);
            for (const char* row : c->rows) f.files.Append(row);
            f.ctx.rootPath = "C:\\site\\";
            c->setup(f);
            const int r = ProcessHref(f, c->value, utf16);
            EXPECT_EQ(r, c->result);
            ASSERT_EQ(f.links.linkCount(), c->result == 1 ? 1 : 0);
            if (c->result == 1) {
                EXPECT_EQ(f.links[0].linkUrl, c->linkUrl);
                EXPECT_EQ(f.links[0].linkReplacement, c->replacement);
                EXPECT_EQ(f.links[0].linkValuePos, f.After("href="));
                EXPECT_EQ(f.links[0].linkTagPos, f.At("<A"));
            }
            EXPECT_EQ(f.links.secondPassCount(), c->secondPass ? 1 : 0);
            if (c->secondPass) {
                EXPECT_EQ(f.links.secondPassLinks()[0], 0);
            }
            for (std::int32_t row = 0; row < f.files.size(); ++row)
                EXPECT_EQ(f.files.referenced(row), row == c->referencedRow) << "row " << row;
        }
    }
}

TEST(ProcessUrl, ClassifiesEveryKindOfUrl) { CheckCases(kCases, sizeof kCases / sizeof kCases[0], kPage); }

void Absolute(EngineFixture& f) { f.processing.makeRelative = false; }
void MatchCase(EngineFixture& f) { f.processing.matchCase = true; }

// Local links read as a web server serving C:\site\ reads them, from a page one folder down.
const ClassCase kServerCases[] = {
    // "." segments, wherever a local path is resolved.
    {"dot segment", "\"./x.htm\"", {"C:\\site\\guide\\x.htm"}, NoChange, 0, nullptr, nullptr, false, 1},
    {"dot segment before a folder", "\"./mod/index.html\"", {"C:\\site\\index.html", "C:\\site\\guide\\mod\\index.html"},
     NoChange, 0, nullptr, nullptr, false, 2},
    {"dot segments and dot-dot", "\"./.././guide/x.htm#a\"", {"C:\\site\\guide\\x.htm"}, NoChange, 0, nullptr, nullptr,
     false, 1},
    {"dot segment in a file URL", "\"file:///C|/site/./guide/x.htm\"", {"C:\\site\\guide\\x.htm"}, NoChange, 1,
     "file:///C|/site/./guide/x.htm", "x.htm", false, 1},
    {"dot segment under the base URL", "\"http://www.example.org/site/./guide/x.htm\"", {"C:\\site\\guide\\x.htm"},
     [](EngineFixture& f) {
         f.search.searchBaseUrl = true;
         f.search.baseUrl = "http://www.example.org/site";
     },
     1, "http://www.example.org/site/./guide/x.htm", "x.htm", false, 1},
    {"broken, with a dot segment", "\"./old/x.htm\"", {"C:\\site\\guide\\new\\x.htm"}, NoChange, 1, "./old/x.htm",
     "new/x.htm", false, 1},
    // Queries: the file is the one before the '?'.
    {"query", "\"../_static/a.css?v=2\"", {"C:\\site\\_static\\a.css"}, NoChange, 0, nullptr, nullptr, false, 1},
    {"query, broken", "\"old/a.css?v=2#x\"", {"C:\\site\\guide\\new\\a.css"}, NoChange, 1, "old/a.css?v=2#x",
     "new/a.css?v=2#x", false, 1},
    {"query, absolute mode", "\"a.css?v=2\"", {"C:\\site\\guide\\a.css"}, Absolute, 1, "a.css?v=2",
     "file:///C|/site/guide/a.css?v=2", false, 1},
    // Root-relative URLs.
    {"root-relative", "\"/images/a.png\"", {"C:\\site\\guide\\images\\a.png", "C:\\site\\images\\a.png"}, NoChange, 0,
     nullptr, nullptr, false, 2},
    {"root-relative page", "\"/guide/index.html\"", {"C:\\site\\index.html", "C:\\site\\guide\\index.html"}, NoChange,
     0, nullptr, nullptr, false, 2},
    {"root-relative, absolute mode keeps it", "\"/images/a.png\"", {"C:\\site\\images\\a.png"}, Absolute, 0, nullptr,
     nullptr, false, 1},
    {"root-relative, canonical form", "\"/images/a b.png\"", {"C:\\site\\images\\a b.png"}, NoChange, 1,
     "/images/a b.png", "/images/a%20b.png", false, 1},
    {"root-relative, missing", "\"/old/a.png#x\"", {"C:\\site\\new\\a.png"}, NoChange, 1, "/old/a.png#x",
     "../new/a.png#x", false, 1},
    {"two slashes are no root", "\"//host/a.png\"", {}, NoChange, 1, "//host/a.png", "", false, -1},
    // Folders that hold files of the list.
    {"folder", "\"howto\"", {"C:\\site\\guide\\howto\\cgi.html", "C:\\site\\guide\\howto\\index.html"}, NoChange, 0,
     nullptr, nullptr, false, 2},
    {"folder with its slash, absolute mode", "'howto/'", {"C:\\site\\guide\\howto\\index.html"}, Absolute, 0,
     nullptr, nullptr, false, 1},
    {"folder above", "\"../\"", {"C:\\site\\index.htm"}, NoChange, 0, nullptr, nullptr, false, 1},
    {"root-relative folder", "\"/guide/\"", {"C:\\site\\guide\\default.htm"}, NoChange, 0, nullptr, nullptr, false, 1},
    {"index.html first", "\"both\"", {"C:\\site\\guide\\both\\default.htm", "C:\\site\\guide\\both\\index.html"},
     NoChange, 0, nullptr, nullptr, false, 2},
    {"folder without an index page", "\"deep\"", {"C:\\site\\guide\\deep\\more\\a.htm"}, NoChange, 0, nullptr,
     nullptr, false, -1},
    {"folder, canonical form", "\"my dir/\"", {"C:\\site\\guide\\my dir\\index.htm"}, NoChange, 1, "my dir/",
     "my%20dir/", false, 1},
    {"folder not on the list", "\"gone/\"", {"C:\\site\\guide\\gone.htm"}, NoChange, 1, "gone", "", false, -1},
    // Letter case, with --match-case.
    {"letter case mended", "\"logo.gif\"", {"C:\\site\\guide\\Logo.GIF"}, MatchCase, 1, "logo.gif", "Logo.GIF", false,
     1},
    {"letter case left without the option", "\"logo.gif\"", {"C:\\site\\guide\\Logo.GIF"}, NoChange, 0, nullptr,
     nullptr, false, 1},
    {"letter case already right", "\"Logo.GIF\"", {"C:\\site\\guide\\Logo.GIF"}, MatchCase, 0, nullptr, nullptr,
     false, 1},
    {"letter case of folders", "\"SUB/x.htm#Top\"", {"C:\\site\\guide\\sub\\x.htm"}, MatchCase, 1, "SUB/x.htm#Top",
     "sub/x.htm#Top", false, 1},
    {"letter case of a root-relative link", "\"/GUIDE/Logo.GIF\"", {"C:\\site\\guide\\Logo.GIF"}, MatchCase, 1,
     "/GUIDE/Logo.GIF", "Logo.GIF", false, 1},
    {"letter case of a drive does not count", "\"file:///c|/site/guide/Logo.GIF\"", {"C:\\site\\guide\\Logo.GIF"},
     [](EngineFixture& f) { MatchCase(f), Absolute(f); }, 0, nullptr, nullptr, false, 1},
    {"letter case of a segment taken away does not count", "\"OLD/../Logo.GIF\"", {"C:\\site\\guide\\Logo.GIF"},
     MatchCase, 0, nullptr, nullptr, false, 1},
};

TEST(ProcessUrl, ReadsLocalLinksAsAWebServerDoes) {
    CheckCases(kServerCases, sizeof kServerCases / sizeof kServerCases[0], "C:\\site\\guide\\page.htm");
}

TEST(ProcessUrl, MeasuresTheValueSpanForTheRewriter) {
    struct Case {
        const char* value;
        std::uint32_t span;
        std::uint32_t quotes;
    } cases[] = {{"\"gone.htm\"", 10, 1}, {"'gone.htm'", 10, 1}, {"gone.htm", 8, 0}, {"\\\"gone.htm\\\"", 12, 2}};
    for (bool utf16 : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.value);
            EngineFixture f;
            f.files.Append(kPage);
            ASSERT_EQ(ProcessHref(f, c.value, utf16), 1);
            EXPECT_EQ(f.links[0].linkValueLen, c.span);
            EXPECT_EQ(f.links[0].linkQuoteLen, c.quotes);
        }
    }
}

TEST(ProcessUrl, ReadsStyleSheetUrlArguments) {
    EngineFixture f;
    f.files.Append("C:\\site\\css\\main.css");
    f.files.Append("C:\\site\\images\\back.gif");
    f.SetPage("body { background: url(../img/back.gif) }");
    const std::int32_t value = f.After("url");
    ASSERT_EQ(ProcessUrl(f.ctx, f.text(), 0, -2, value, false), 1);
    EXPECT_EQ(f.links[0].linkUrl, "../img/back.gif");
    EXPECT_EQ(f.links[0].linkReplacement, "../images/back.gif");
    EXPECT_EQ(f.links[0].linkTagPos, -2);
    EXPECT_EQ(f.links[0].linkValueLen, 17u);
    EXPECT_EQ(f.links[0].linkQuoteLen, 1u);
}

TEST(ProcessUrl, ReadsUrlsInScriptText) {
    EngineFixture f;
    f.files.Append(kPage);
    f.SetPage("open('x'); u = www.example.org/a.htm ;");
    ASSERT_EQ(ProcessUrl(f.ctx, f.text(), 0, -1, f.At("www."), false), 1);
    EXPECT_EQ(f.links[0].linkUrl, "www.example.org/a.htm");
    EXPECT_EQ(f.links[0].linkReplacement, "http://www.example.org/a.htm");
    EXPECT_EQ(f.links[0].linkTagPos, -1);
    EXPECT_EQ(f.links.secondPassCount(), 1);
}

TEST(ProcessUrl, AsksTheInternetCheckWhenOn) {
    struct Case {
        int answer;
        int result;
        std::int32_t records;
    } cases[] = {{0, 0, 0}, {5, 1, 1}, {-1, -1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        EngineFixture f;
        f.files.Append(kPage);
        f.files.Append("C:\\site\\logo.gif");
        FakeInternet internet(c.answer);
        f.ctx.skipInternetCheck = false;
        f.ctx.internet = &internet;
        EXPECT_EQ(ProcessHref(f, "\"http://www.example.org/img/logo.gif#x\""), c.result);
        ASSERT_EQ(internet.asked.size(), 1u);
        EXPECT_EQ(internet.asked[0], "http://www.example.org/img/logo.gif");
        EXPECT_EQ(f.links.linkCount(), c.records);
        if (c.records == 1) {
            EXPECT_EQ(f.links[0].linkReplacement, "logo.gif#x");
        }
    }
}

TEST(ProcessUrl, WorkingInternetUrlIsOnlyCanonicalised) {
    EngineFixture f;
    f.files.Append(kPage);
    FakeInternet internet(0);
    f.ctx.skipInternetCheck = false;
    f.ctx.internet = &internet;
    ASSERT_EQ(ProcessHref(f, "\"http://www.example.org/a b.htm\""), 1);
    EXPECT_EQ(f.links[0].linkReplacement, "http://www.example.org/a%20b.htm");
}

TEST(ProcessUrl, LinkMovedForGoodIsUpdatedOnlyWhenAsked) {
    struct Case {
        bool update;
        const char* moved;
        const char* replacement;  // nullptr: nothing queued
    } cases[] = {{true, "http://new.example.org/b.htm", "http://new.example.org/b.htm#x"},
                 {false, "http://new.example.org/b.htm", nullptr},
                 {true, "", nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.moved);
        EngineFixture f;
        f.files.Append(kPage);
        FakeInternet internet(0);
        internet.moved = c.moved;
        f.search.updateMoved = c.update;
        f.ctx.skipInternetCheck = false;
        f.ctx.internet = &internet;
        EXPECT_EQ(ProcessHref(f, "\"http://www.example.org/a.htm#x\""), c.replacement ? 1 : 0);
        if (c.replacement) {
            EXPECT_EQ(f.links[0].linkUrl, "http://www.example.org/a.htm#x");
            EXPECT_EQ(f.links[0].linkReplacement, c.replacement);
            EXPECT_EQ(f.links.secondPassCount(), 0);
        }
    }
}

TEST(ProcessUrl, SkippedCheckOrNoCheckerLeavesUrlsUnchecked) {
    for (bool skip : {true, false}) {
        EngineFixture f;
        f.files.Append(kPage);
        FakeInternet internet(0);
        f.ctx.skipInternetCheck = skip;
        f.ctx.internet = skip ? &internet : nullptr;
        OwnHost(f);
        EXPECT_EQ(ProcessHref(f, "\"http://www.example.org/a.htm\""), 1);
        EXPECT_TRUE(internet.asked.empty());
        EXPECT_EQ(f.links[0].linkReplacement, "");
    }
}

TEST(ProcessUrl, RecordsFollowOneAnother) {
    EngineFixture f;
    f.files.Append(kPage);
    f.files.Append("C:\\site\\a.htm");
    EXPECT_EQ(ProcessHref(f, "\"www.example.org\""), 1);
    EXPECT_EQ(ProcessHref(f, "\"a.htm\""), 0);
    EXPECT_EQ(ProcessHref(f, "\"A.HTM\""), 0);
    EXPECT_EQ(ProcessHref(f, "\"ftp.example.org\""), 1);
    ASSERT_EQ(f.links.linkCount(), 2);
    EXPECT_EQ(f.links[1].linkReplacement, "ftp://ftp.example.org");
    EXPECT_EQ(f.links.secondPassLinks(), (std::vector<std::int32_t>{0, 1}));
}

TEST(ProcessUrl, OverlongPathMatchesNoRow) {
    EngineFixture f;
    f.files.Append(kPage);
    const std::string longName(300, 'x');
    f.files.Append("C:\\site\\sub\\" + longName);
    ASSERT_EQ(ProcessHref(f, "\"" + longName + "\""), 1);
    EXPECT_EQ(f.links[0].linkReplacement, "sub/" + longName);
    EXPECT_TRUE(f.files.referenced(1));
}

TEST(ProcessUrl, OverlongValueIsPassedOver) {
    EngineFixture f;
    f.files.Append(kPage);
    const std::string value(static_cast<std::size_t>(kMaxValueChars) + 10, 'a');
    EXPECT_EQ(ProcessHref(f, "\"" + value + " b\""), 0);
    EXPECT_EQ(f.links.linkCount(), 0);
}

TEST(ProcessUrl, ValueNeverClosedIsPassedOver) {
    EngineFixture f;
    f.files.Append(kPage);
    f.SetPage("<A href=\"a.htm");
    EXPECT_EQ(ProcessUrl(f.ctx, f.text(), 0, 0, f.After("href="), true), 0);
    EXPECT_EQ(f.links.linkCount(), 0);
}

TEST(ProcessUrl, PageOutsideTheFileListDoesNotBreak) {
    EngineFixture f;
    f.files.Append("C:\\site\\a.htm");
    f.SetPage("<A href=\"a.htm\">");
    for (std::uint32_t file : {5u, 0x80000000u}) {
        EXPECT_EQ(ProcessUrl(f.ctx, f.text(), file, 0, f.After("href="), true), 1);
        EXPECT_EQ(f.links[f.links.linkCount() - 1].linkReplacement, "file:///C|/site/a.htm");
        EXPECT_EQ(f.links[f.links.linkCount() - 1].linkFile, file);
    }
}

TEST(AddCanonicalRecord, CommitsOnlyWhenSomethingIsEscaped) {
    EngineFixture f;
    f.links.Pending().linkValueLen = 9;
    f.links.Pending().linkQuoteLen = 1;
    EXPECT_EQ(AddCanonicalRecord(f.ctx, "ok.htm", 3, 10, 15), 0);
    EXPECT_EQ(f.links.linkCount(), 0);
    EXPECT_EQ(AddCanonicalRecord(f.ctx, "a b.htm", 3, 10, 15), 1);
    ASSERT_EQ(f.links.linkCount(), 1);
    const LinkRecord& r = f.links[0];
    EXPECT_EQ(r.linkUrl, "a b.htm");
    EXPECT_EQ(r.linkReplacement, "a%20b.htm");
    EXPECT_EQ(r.linkFile, 3u);
    EXPECT_EQ(r.linkTagPos, 10);
    EXPECT_EQ(r.linkValuePos, 15);
    EXPECT_EQ(r.linkValueLen, 9u);
    EXPECT_EQ(r.linkQuoteLen, 1u);
}

}  // namespace
}  // namespace corvane
