// The markup scanner: which URLs of a page, a script or a style sheet reach the URL processor, with what spans, logs and progress.
#include "engine/markup_scanner.h"

#include <gtest/gtest.h>

#include "support/scan_fixture.h"

namespace corvane {
namespace {

using testing_support::At;
using testing_support::HostCall;
using testing_support::Rec;
using testing_support::ScanFixture;

// A page that gives every kind of scan something to find.
const std::string kPage =
    "<html><head><link rel=stylesheet href=\"style.css\">\n"
    "<style>body { background: url(img/bg.gif) }</style>\n"
    "<script src=\"lib.js\"></script>\n"
    "<script>var u = \"http://ex.com/s.htm\"; // http://ex.com/c.htm\n"
    "</script></head>\n"
    "<body background=\"img/logo.gif\" onload=\"init('http://ex.com/e.htm')\">\n"
    "<a href=\"about.htm\">About</a> <a href=\"img/logo.gif\">Logo</a>\n"
    "<img src=\"a b.gif\"><area href=\"gone.htm\">\n"
    "<table background=\"about.htm\"><tr><td background=x.gif>t</td></tr></table>\n"
    "<iframe src=\"http://ex.com/f.htm\"></iframe>\n"
    "</body></html>\n";

// kPage's records, in the order of the scanner's work: the tag passes, then STYLE blocks, then scripts.
std::vector<Rec> PageRecords(const ScanFixture& f) {
    const std::string& p = kPage;
    return {
        f.R(0, "img/logo.gif", "images/logo.gif", At(p, "<a href=\"img"), At(p, "\"img/logo.gif\">Logo"), 14, 1),
        f.R(0, "gone.htm", "", At(p, "<area"), At(p, "\"gone.htm\""), 10, 1),  // pass 1: A matches AREA
        f.R(0, "gone.htm", "", At(p, "<area"), At(p, "\"gone.htm\""), 10, 1),  // pass 3
        f.R(0, "http://ex.com/f.htm", "", At(p, "<iframe"), At(p, "\"http://ex.com/f.htm\""), 21, 1),
        f.R(0, "a b.gif", "a%20b.gif", At(p, "<img"), At(p, "\"a b.gif\""), 9, 1),
        f.R(0, "lib.js", "", At(p, "<script src"), At(p, "\"lib.js\""), 8, 1),
        f.R(0, "img/logo.gif", "images/logo.gif", At(p, "<body"), At(p, "\"img/logo.gif\""), 14, 1),
        f.R(0, "x.gif", "\"\"", At(p, "<td"), At(p, "x.gif"), 5, 0),
        f.R(0, "http://ex.com/e.htm", "", At(p, "<body"), At(p, "http://ex.com/e.htm"), 19, 0),
        f.R(0, "img/bg.gif", "", -2, At(p, "(img/bg.gif)"), 12, 1),
        f.R(0, "http://ex.com/s.htm", "", -1, At(p, "http://ex.com/s.htm"), 19, 0),
    };
}

class WholePage : public ::testing::TestWithParam<bool> {};

TEST_P(WholePage, EveryPassFindsItsUrlsInPassOrder) {
    ScanFixture f;
    const bool utf16 = GetParam();
    EXPECT_EQ(f.Page(kPage, utf16), 11);
    EXPECT_EQ(f.Records(), PageRecords(f));
    const std::string size = std::to_string(kPage.size() * (utf16 ? 2 : 1));
    EXPECT_EQ(f.host.log(),
              std::vector<std::string>{"C:\\site\\index.htm (" + size + " bytes) ... 11 change(s) to apply"});
    // 15 tag passes and the event pass, then STYLE blocks and SCRIPT blocks; the range counts
    // both optional scans.
    std::vector<std::pair<std::int32_t, std::int32_t>> progress;
    for (std::int32_t k = 0; k <= 15; ++k) progress.emplace_back(k, 18);
    for (std::int32_t k : {16, 16, 16, 17}) progress.emplace_back(k, 18);
    EXPECT_EQ(f.host.fileProgress(), progress);
    EXPECT_TRUE(f.files.referenced(1));  // logo.gif, proposed for the broken links
    EXPECT_TRUE(f.files.referenced(2));  // about.htm
}

TEST_P(WholePage, TagNamesBaseUrlAndTheTargetAdder) {
    const std::string page =
        "<html><body onload=\"init()\">\n"
        "<a href=\"http://other.com/x.htm\" target=_self>o</a>\n"
        "<a href=\"http://www.ex.com/site/about.htm\">s</a>\n"
        "<a href=\"http://ex.org/a b.htm\" target=\"_TOP\">t</a>\n"
        "<script>\ndocument.write('<a href=\"http://ex.net/w.htm\">w</a>');\nvar u = \"http://ex.com/s.htm\";\n</script>\n"
        "<style>p { background: url(bg.gif) }</style>\n"
        "</body></html>\n";
    ScanFixture f;
    f.search.searchScriptsByTagNames = true;
    f.search.searchBaseUrl = true;
    f.search.baseUrl = "http://www.ex.com/site";
    f.processing.targetAdderEnabled = true;
    f.processing.targetMode = kTargetAllExternal;
    f.processing.target = "_top";
    const bool utf16 = GetParam();
    EXPECT_EQ(f.Page(page, utf16), 7);
    const std::int32_t other = At(page, "<a href=\"http://other");
    const std::int32_t inScript = At(page, "<a href=\"http://ex.net");
    EXPECT_EQ(f.Records(),
              (std::vector<Rec>{
                  f.R(0, "http://other.com/x.htm", "", other, At(page, "\"http://other"), 24, 1),
                  f.R(0, "http://other.com/x.htm", ":::\"_top\"", other, At(page, "_self"), 5, 0),
                  // Under the base URL: resolved in the site and made relative; not external, so no target.
                  f.R(0, "http://www.ex.com/site/about.htm", "about.htm", At(page, "<a href=\"http://www.ex"),
                      At(page, "\"http://www.ex"), 34, 1),
                  // Its target already reads "_top" but for the letter case: left alone.
                  f.R(0, "http://ex.org/a b.htm", "", At(page, "<a href=\"http://ex.org"), At(page, "\"http://ex.org"), 23, 1),
                  f.R(0, "http://ex.net/w.htm", "", inScript, At(page, "\"http://ex.net"), 21, 1),
                  f.R(0, "http://ex.net/w.htm", ":::\"_top\"", inScript, inScript, 0, 0),
                  // The script block search stops at the first tag, before the script's own URL.
                  f.R(0, "bg.gif", "", -2, At(page, "(bg.gif)"), 8, 1),
              }));
    EXPECT_EQ(f.host.log(), std::vector<std::string>{"C:\\site\\index.htm (" +
                                                     std::to_string(page.size() * (utf16 ? 2 : 1)) +
                                                     " bytes) ... 7 change(s) to apply"});
    EXPECT_EQ(f.host.fileProgress().back(), (std::pair<std::int32_t, std::int32_t>(17, 18)));
}

TEST_P(WholePage, EscAtEveryPollKeepsWhatWasCommittedAndReportsIt) {
    const bool utf16 = GetParam();
    ScanFixture full;
    full.Page(kPage, utf16);
    const std::vector<Rec> all = full.Records();
    ASSERT_GT(full.host.polls(), 20);
    for (std::int32_t n = 1; n <= full.host.polls(); ++n) {
        ScanFixture f;
        f.host.StopAtPoll(n);
        const int result = f.Page(kPage, utf16);
        const std::int32_t kept = f.links.linkCount();
        EXPECT_EQ(result, -1 - kept) << "poll " << n;
        EXPECT_EQ(f.host.polls(), n) << "nothing more is polled after ESC";
        EXPECT_EQ(f.Records(), std::vector<Rec>(all.begin(), all.begin() + kept)) << "poll " << n;
        ASSERT_EQ(f.host.log().size(), 1u);
        EXPECT_EQ(f.host.log()[0].find("change(s)"), std::string::npos) << "a stopped file gets no result";
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, WholePage, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Utf16" : "Ansi"; });

TEST(ScanPage, EscBeforeTheEventPassKeepsTheRecordsOfTheFifteenTagPasses) {
    ScanFixture full;
    full.Page(kPage);
    // Polls made before the event pass announced itself with position 15.
    std::int32_t polls = 0;
    for (const HostCall& c : full.host.calls) {
        if (c.kind == HostCall::kFileProgress && c.a == 15) break;
        if (c.kind == HostCall::kPoll) ++polls;
    }
    ScanFixture f;
    f.host.StopAtPoll(polls + 1);
    EXPECT_EQ(f.Page(kPage), -1 - 8);
    EXPECT_EQ(f.links.linkCount(), 8);
}

// Answers every Internet check with a stop, as ESC during the check does.
class StoppingInternet : public InternetUrlChecker {
public:
    int CheckInternetUrl(const std::string&) override { return -1; }
};

TEST(ScanPage, AStopInsideTheUrlProcessorEndsTheScanWithTheCountSoFar) {
    ScanFixture f;
    StoppingInternet internet;
    f.ctx.skipInternetCheck = false;
    f.ctx.internet = &internet;
    // The first Internet URL is the IFRAME's, after three records of passes 1 and 3.
    EXPECT_EQ(f.Page(kPage), -1 - 3);
    EXPECT_EQ(f.links.linkCount(), 3);
    EXPECT_EQ(f.host.log().size(), 1u);
}

TEST(ScanPage, HostCallsOfATinyPageWithEveryOption) {
    ScanFixture f;
    EXPECT_EQ(f.Page("<p>x</p>"), 0);
    // Log line; 15 tag passes (progress, poll); the event pass with a poll after its first tag
    // (the second ends the text); ScanTags' own progress; STYLE blocks; SCRIPT blocks; the result.
    std::string expected = "L";
    for (int i = 0; i < 15; ++i) expected += "FP";
    expected += "FPP" "F" "FP" "FP" "FL";
    EXPECT_EQ(f.host.sequence(), expected);
    EXPECT_EQ(f.host.log(), std::vector<std::string>{"C:\\site\\index.htm (8 bytes) ... 0 change(s) to apply"});
}

TEST(ScanPage, ProgressRangeCountsOnlyTheChosenScans) {
    struct Case {
        bool scripts, events;
        std::vector<std::pair<std::int32_t, std::int32_t>> tail;  // progress after the 15 tag passes
    };
    const Case cases[] = {
        {false, false, {{15, 16}, {15, 16}, {15, 16}}},
        {true, false, {{15, 17}, {15, 17}, {15, 17}, {16, 17}}},
        {false, true, {{15, 17}, {16, 17}, {16, 17}, {16, 17}}},
        {true, true, {{15, 18}, {16, 18}, {16, 18}, {16, 18}, {17, 18}}},
    };
    for (const Case& c : cases) {
        ScanFixture f;
        f.search.searchScriptsByProtocol = c.scripts;
        f.search.searchEventsByProtocol = c.events;
        f.Page("<p>x</p>");
        const std::int32_t range = 16 + c.scripts + c.events;
        std::vector<std::pair<std::int32_t, std::int32_t>> expected;
        for (std::int32_t k = 0; k < 15; ++k) expected.emplace_back(k, range);
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(f.host.fileProgress(), expected) << "scripts " << c.scripts << " events " << c.events;
    }
}

TEST(ScanPage, EmptyFileStillGetsItsLogLine) {
    ScanFixture f;
    EXPECT_EQ(ScanPage(f.ctx, nullptr, 0, "C:\\site\\empty.htm", 0), 0);
    EXPECT_EQ(f.host.log(), std::vector<std::string>{"C:\\site\\empty.htm (0 bytes) ... 0 change(s) to apply"});
}

// --- Which URLs reach the URL processor ---

enum Option : unsigned { kTagNames = 1, kNoScripts = 2, kNoEvents = 4 };

struct UrlCase {
    const char* what;
    std::string page;
    unsigned options;
    std::vector<std::string> urls;  // the records' URLs in order (every one of them is queued)
};

const UrlCase kUrlCases[] = {
    {"attribute names match whole", "<IMG lowsrc=\"a.gif\" data-src=\"lazy.gif\" src=\"b.gif\">", 0,
     {"b.gif", "lazy.gif"}},
    {"links without a value", "<A name=top>x</A> <A href>y</A> <A href >z</A>", 0, {}},
    {"each pass looks for its own attribute, passes in order",
     "<applet src=a1.class></applet><bgsound src=a2.wav><embed src=a3.swf><frameset><frame src=a4.htm>"
     "</frameset><iframe src=a5.htm></iframe><input type=image src=a6.gif><link href=a7.css>"
     "<body background=a8.gif><table background=a9.gif><tr background=a10.gif><td background=a11.gif>"
     "<img href=no1.gif><a src=no2.htm><td src=no3.gif>",
     0, {"a1.class", "a2.wav", "a3.swf", "a4.htm", "a5.htm", "a6.gif", "a7.css", "a8.gif", "a9.gif", "a11.gif", "a10.gif"}},
    {"the SCRIPT pass jumps to the closing tag",
     "<script src=\"a.js\">var s = '<script src=\"b.js\">';</script><script src=\"c.js\"></script>", 0, {"a.js", "c.js"}},
    {"tags inside scripts are left to the script scan",
     "<script>document.write(\"<IMG src=x.gif>\");</script><img src=\"z.gif\">", 0, {"z.gif"}},
    {"a script that never ends hides every later tag",
     "<img src=a.gif><script>var x;\n<img src=\"b.gif\"><a href=c.htm>", 0, {"a.gif"}},
    {"url( only inside STYLE blocks outside scripts; a block without its end runs to the end",
     "<p>url(a.gif)</p><script>s = '<style>x{background:url(b.gif)}</style>';</script>"
     "<style>y{background:url(c.gif)}</style><style>z{background:url(d.gif)}",
     0, {"c.gif", "d.gif"}},
    {"STYLE blocks inside scripts by tag names",
     "<script>s = '<style>x{background:url(b.gif)}</style>';</script>", kTagNames, {"b.gif"}},
    {"a URL before a comment that never closes", "<script>var a = \"http://ex.com/1.htm\"; /* open\n</script>", 0, {}},
    {"every protocol name",
     "<script>\na='https://ex.com/1';\nb='ftp://ex.com/2';\nc='gopher://ex.com/3';\n</script>", 0,
     {"https://ex.com/1", "ftp://ex.com/2", "gopher://ex.com/3"}},
    {"script blocks only with the option", "<script>a = 'http://ex.com/1.htm';</script>", kNoScripts, {}},
    {"with tag names the script search stops at the first tag",
     "<script>a = 'http://ex.com/1.htm'; if (a <b) c = 'http://ex.com/2.htm';</script>"
     "\n<script>d = 'http://ex.com/3.htm';</script>",
     kTagNames, {"http://ex.com/1.htm", "http://ex.com/3.htm"}},
    {"every URL of one event value; event names in the table's order (onmouseout first)",
     "<a onmouseover=\"a('http://ex.com/1.htm'); b('http://ex.com/2.htm')\" onmouseout=\"c('ftp://ex.com/3')\">", 0,
     {"ftp://ex.com/3", "http://ex.com/1.htm", "http://ex.com/2.htm"}},
    {"file URLs first inside an event value too",
     "<a onclick=\"a('http://ex.com/1.htm'); b('file:///C|/gone.htm')\">", 0, {"file:///C|/gone.htm"}},
    {"an unquoted event value ends at a blank or at the end of its tag",
     "<td onclick=go('http://ex.com/1.htm') title=http://ex.com/2.htm><td onclick=go()>http://ex.com/3.htm</td>", 0,
     {"http://ex.com/1.htm"}},
    {"event values only with the option", "<body onload=\"go('http://ex.com/1.htm')\">", kNoEvents, {}},
    // The attributes of today's pages: after the tag passes, in text order; a cite is never deleted.
    {"srcset candidates, media and objects",
     "<img srcset=\"a.jpg 480w, b.jpg 2x,c.jpg\"><video src=v.mp4 poster=p.jpg><source src=s.webm>"
     "<track src=t.vtt></video><audio src=a.ogg><source srcset=\"w.webp\"><object data=o.svg>",
     0, {"a.jpg", "b.jpg", "c.jpg", "v.mp4", "p.jpg", "s.webm", "t.vtt", "a.ogg", "w.webp", "o.svg"}},
    {"forms, svg, manifest, cite",
     "<html manifest=m.appcache><form action=f.cgi><button formaction=b.cgi><input formaction=i.cgi>"
     "<svg><image href=i.png /><use xlink:href=\"u.svg#x\" /></svg><q cite=c.html><blockquote cite=d.html>",
     0, {"m.appcache", "f.cgi", "b.cgi", "i.cgi", "i.png", "u.svg#x"}},
    {"refresh URLs, quoted or not",
     "<meta http-equiv=\"refresh\" content=\"5; url=next.html\"><meta content=\"0;URL='q.html'\" "
     "http-equiv=Refresh><meta http-equiv=\"refresh\" content=\"5\">",
     0, {"next.html", "q.html"}},
    {"lazy and style attributes, style strings",
     "<img data-src=l.jpg data-srcset=\"l1.jpg 1x, l2.jpg 2x\"><div data-background=bg.jpg "
     "style=\"background:url('s.png')\"><style>@import \"i.css\"; x{background:image-set(\"a.png\" 1x, "
     "url(b.png) 2x)}</style>",
     0, {"b.png", "l.jpg", "l1.jpg", "l2.jpg", "bg.jpg", "s.png", "i.css", "a.png"}},
    {"data: and other addresses of no file",
     "<img src=\"data:image/gif;base64,R0l=\" srcset=\"data:image/png;base64,A,B 1x\"><a href=tel:+1555>"
     "<a href=\"sms:+1555\"><a href=geo:1,2><a href=blob:x><a href=\"a&#45&#x2D;b.htm\">",
     0, {"a--b.htm"}},
    {"a url( string holds its parentheses; strings quoted with references",
     "<style>x{background:url(\"data:image/svg+xml;utf8,<svg><path fill='rgb(1,2,3)'/></svg>\")}"
     "y{background:url( 'img/photo(1).png' )}</style><div style=\"background:image-set(&quot;e1.png&quot; 1x, "
     "&#39;e2.png&#39; 2x)\">",
     0, {"img/photo(1).png", "e1.png", "e2.png"}},
    {"events inside scripts are left alone",
     "<script>document.write(\"<a onclick='go(\\\"http://ex.com/1.htm\\\")'>\");</script>", kNoScripts, {}},
};

class UrlsFound : public ::testing::TestWithParam<bool> {};

TEST_P(UrlsFound, Table) {
    for (const UrlCase& c : kUrlCases) {
        ScanFixture f;
        f.search.searchScriptsByTagNames = (c.options & kTagNames) != 0;
        f.search.searchScriptsByProtocol = (c.options & kNoScripts) == 0;
        f.search.searchEventsByProtocol = (c.options & kNoEvents) == 0;
        EXPECT_EQ(f.Page(c.page, GetParam()), static_cast<int>(c.urls.size())) << c.what;
        EXPECT_EQ(f.Urls(), c.urls) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, UrlsFound, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Utf16" : "Ansi"; });

// --- Spans of what is found ---

class Spans : public ::testing::TestWithParam<bool> {
protected:
    ScanFixture f;
    bool utf16() const { return GetParam(); }
};

TEST_P(Spans, UnquotedHrefFoundWithoutRegardToCase) {
    EXPECT_EQ(f.Page("<a HREF=x.htm>x</a>", utf16()), 1);
    EXPECT_EQ(f.Records(), std::vector<Rec>{f.R(0, "x.htm", "\"\"", 0, 8, 5, 0)});
}

TEST_P(Spans, AreaIsSeenByTheLinkPassAndAgainByItsOwn) {
    EXPECT_EQ(f.Page("<AREA href=\"x.htm\">", utf16()), 2);
    const Rec r = f.R(0, "x.htm", "", 0, 11, 7, 1);
    EXPECT_EQ(f.Records(), (std::vector<Rec>{r, r}));
}

TEST_P(Spans, AttributeNamesInsideQuotedValuesAreSkipped) {
    const std::string page = "<IMG alt='src=y' src=\"b.gif\">";
    f.Page(page, utf16());
    EXPECT_EQ(f.Records(), std::vector<Rec>{f.R(0, "b.gif", "", 0, At(page, "\"b.gif"), 7, 1)});
}

TEST_P(Spans, TagsInsideScriptsByTagNamesAreDelimitedAsWritten) {
    const std::string page =
        "<script>document.write(\"<IMG src=x.gif>\"); document.write(\"<IMG src=\\\"y.gif\\\">\");"
        "document.write('<IMG src=\"w.gif\">');</script>"
        "<img src=\"z.gif\">";
    f.search.searchScriptsByTagNames = true;
    f.Page(page, utf16());
    EXPECT_EQ(f.Records(), (std::vector<Rec>{
                               f.R(0, "x.gif", "\"\"", At(page, "<IMG"), At(page, "x.gif"), 5, 0),
                               f.R(0, "y.gif", "", At(page, "<IMG", 1), At(page, "\\\"y.gif"), 9, 2),
                               f.R(0, "w.gif", "", At(page, "<IMG", 2), At(page, "\"w.gif"), 7, 1),
                               f.R(0, "z.gif", "", At(page, "<img"), At(page, "\"z.gif"), 7, 1),
                           }));
}

// The span covers the quotes and blanks inside url( ), the URL does not: a quoted URL is no broken link.
TEST_P(Spans, StyleUrlArgumentsSpanTheirQuotesAndBlanks) {
    const std::string page =
        "<style type=\"text/css\">a { background: url(img/a.gif) } b { background: URL(\"b.gif\") }"
        " c { background: url( c.gif) }</style>";
    EXPECT_EQ(f.Page(page, utf16()), 3);
    EXPECT_EQ(f.Records(), (std::vector<Rec>{
                               f.R(0, "img/a.gif", "", -2, At(page, "(img"), 11, 1),
                               f.R(0, "b.gif", "", -2, At(page, "(\"b.gif"), 9, 1),
                               f.R(0, "c.gif", "", -2, At(page, "( c.gif"), 8, 1),
                           }));
}

TEST_P(Spans, CommentedScriptUrlsAreSkipped) {
    const std::string page =
        "<script>\nvar a = \"http://ex.com/1.htm\"; // http://ex.com/2.htm\n/* http://ex.com/3.htm */\n"
        "var b = 'http://ex.com/4.htm';\n</script>";
    EXPECT_EQ(f.Page(page, utf16()), 2);
    EXPECT_EQ(f.Records(), (std::vector<Rec>{
                               f.R(0, "http://ex.com/1.htm", "", -1, At(page, "http://ex.com/1"), 19, 0),
                               f.R(0, "http://ex.com/4.htm", "", -1, At(page, "http://ex.com/4"), 19, 0),
                           }));
}

TEST_P(Spans, FileUrlsComeFirstAndTheSearchGoesOnAfterThem) {
    // (On lines of their own: any "//" earlier on a line, even inside a URL, makes the rest a comment.)
    const std::string page = "<script>a = \"http://ex.com/1.htm\";\nb = \"file:///C|/site/gone.htm\";</script>";
    EXPECT_EQ(f.Page(page, utf16()), 1);
    EXPECT_EQ(f.Records(), (std::vector<Rec>{f.R(0, "file:///C|/site/gone.htm", "", -1, At(page, "file:"), 24, 0)}));
}

TEST_P(Spans, UrlsInsideEventValuesBelongToTheirTag) {
    const std::string page =
        "<p>x</p><body onload=\"go('http://ex.com/1.htm')\"><td ONCLICK='a(\"http://ex.com/2.htm\")'>";
    EXPECT_EQ(f.Page(page, utf16()), 2);
    EXPECT_EQ(f.Records(), (std::vector<Rec>{
                               f.R(0, "http://ex.com/1.htm", "", At(page, "<body"), At(page, "http://ex.com/1"), 19, 0),
                               f.R(0, "http://ex.com/2.htm", "", At(page, "<td"), At(page, "http://ex.com/2"), 19, 0),
                           }));
}

INSTANTIATE_TEST_SUITE_P(Widths, Spans, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Utf16" : "Ansi"; });

TEST(EventPass, EscapedQuotesDelimitAValueInUtf16) {
    ScanFixture f;
    f.search.searchScriptsByTagNames = true;
    f.search.searchScriptsByProtocol = false;
    const std::string page = "<script>document.write(\"<a onclick=\\\"go('http://ex.com/1.htm')\\\">\");</script>";
    f.Page(page, true);
    EXPECT_EQ(f.Records(), (std::vector<Rec>{f.R(0, "http://ex.com/1.htm", "", At(page, "<a"),
                                                 At(page, "http://"), 19, 0)}));
}

// --- Script files ---

TEST(ScanScriptFile, SearchesTheWholeFileByProtocolName) {
    ScanFixture f;
    const std::string js =
        "var a = \"http://ex.com/1.htm\"; // http://ex.com/2.htm\n"
        "var b = 'http://ex.com/3.htm'; /* http://ex.com/4.htm */\n";
    EXPECT_EQ(f.Script(js), 2);
    EXPECT_EQ(f.Records(), (std::vector<Rec>{
                               f.R(6, "http://ex.com/1.htm", "", -1, At(js, "http://ex.com/1"), 19, 0),
                               f.R(6, "http://ex.com/3.htm", "", -1, At(js, "http://ex.com/3"), 19, 0),
                           }));
    EXPECT_EQ(f.host.log(),
              std::vector<std::string>{"C:\\site\\app.js (" + std::to_string(js.size()) + " bytes) ... 2 change(s) to apply"});
    EXPECT_EQ(f.host.fileProgress(), (std::vector<std::pair<std::int32_t, std::int32_t>>{{0, 2}, {2, 2}}));
}

TEST(ScanScriptFile, TagNamesRunTheTagPassesOverTheWholeFile) {
    ScanFixture f;
    f.search.searchScriptsByTagNames = true;
    const std::string js = "document.write('<img src=\"x.gif\" onload=\"go(\\'http://ex.com/1.htm\\')\">');\n";
    EXPECT_EQ(f.Script(js, true), 3);
    EXPECT_EQ(f.Urls(), (std::vector<std::string>{"x.gif", "http://ex.com/1.htm", "http://ex.com/1.htm"}));
    std::vector<std::pair<std::int32_t, std::int32_t>> progress;
    for (std::int32_t k = 0; k <= 16; ++k) progress.emplace_back(k, 18);
    progress.emplace_back(16, 18);  // the protocol search
    progress.emplace_back(18, 18);
    EXPECT_EQ(f.host.fileProgress(), progress);
}

TEST(ScanScriptFile, NothingIsSearchedWithoutTheScriptOptions) {
    ScanFixture f;
    f.search.searchScriptsByProtocol = false;
    EXPECT_EQ(f.Script("var a = 'http://ex.com/1.htm'; document.write('<img src=x.gif>');"), 0);
    EXPECT_EQ(f.host.fileProgress(), (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 1}}));
}

TEST(ScanScriptFile, EscAfterTheSecondUrlKeepsTwo) {
    ScanFixture f;
    f.host.StopAtPoll(2);
    EXPECT_EQ(f.Script("a='http://ex.com/1.htm';\nb='http://ex.com/2.htm';\nc='http://ex.com/3.htm';"), -1 - 2);
    EXPECT_EQ(f.Urls(), (std::vector<std::string>{"http://ex.com/1.htm", "http://ex.com/2.htm"}));
}

// --- Style sheets ---

TEST(ScanStyleSheet, EveryUrlArgumentOfTheSheet) {
    ScanFixture f;
    const std::string css = "body { background: url(img/a.gif) }\np { background: url('b.gif') }\n";
    EXPECT_EQ(f.Sheet(css, true), 2);
    EXPECT_EQ(f.Records(), (std::vector<Rec>{
                               f.R(3, "img/a.gif", "", -2, At(css, "(img"), 11, 1),
                               f.R(3, "b.gif", "", -2, At(css, "('b"), 9, 1),
                           }));
    EXPECT_EQ(f.host.log(), std::vector<std::string>{"C:\\site\\style.css (" + std::to_string(css.size() * 2) +
                                                     " bytes) ... 2 change(s) to apply"});
    EXPECT_EQ(f.host.fileProgress(), (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 1}}));
}

TEST(ScanStyleSheet, EscAfterTheFirstUrl) {
    ScanFixture f;
    f.host.StopAtPoll(1);
    EXPECT_EQ(f.Sheet("a{background:url(a.gif)} b{background:url(b.gif)}"), -1 - 1);
    EXPECT_EQ(f.Urls(), std::vector<std::string>{"a.gif"});
}

}  // namespace
}  // namespace corvane
