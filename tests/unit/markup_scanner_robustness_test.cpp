// The scanner on hostile files: every entry point must end, stay inside the buffer and keep its records sound.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/markup_scanner.h"
#include "support/record_checks.h"
#include "support/scan_fixture.h"

namespace corvane {
namespace {

using testing_support::CheckScanRecords;
using testing_support::ScanFixture;

enum class Kind { kPage, kScript, kSheet };

struct Setup {
    bool utf16;
    bool tagNames;  // also turns the link target adder on
};

const std::vector<Setup> kEverySetup = {{false, false}, {true, false}, {false, true}, {true, true}};
// For large texts: the most passes in 8-bit, and UTF-16.
const std::vector<Setup> kTwoSetups = {{false, true}, {true, false}};
const std::vector<Kind> kEveryKind = {Kind::kPage, Kind::kScript, Kind::kSheet};

// Scans `bytes` (an exactly sized heap buffer, so that a read past its end is caught) as
// the given kinds of file and checks the result and the records.
void ScanEveryWay(const std::vector<unsigned char>& bytes, const std::string& what,
                  const std::vector<Setup>& setups = kEverySetup, const std::vector<Kind>& kinds = kEveryKind) {
    for (const Setup s : setups) {
        for (const Kind kind : kinds) {
            ScanFixture f;
            f.search.searchScriptsByTagNames = s.tagNames;
            f.processing.targetAdderEnabled = s.tagNames;
            f.processing.targetMode = 99;  // no selection: every link
            const std::uint32_t file = kind == Kind::kPage ? 0 : kind == Kind::kScript ? 6 : 3;
            f.links.setFileEncoding(file, s.utf16 ? kEncodingUtf16LE : kEncoding8Bit);
            const std::vector<unsigned char> copy(bytes);  // exactly sized
            const std::int32_t size = static_cast<std::int32_t>(copy.size());
            const std::string& path = f.files.path(static_cast<std::int32_t>(file));
            const unsigned char* data = copy.empty() ? nullptr : copy.data();
            int result = 0;
            switch (kind) {
            case Kind::kPage: result = ScanPage(f.ctx, data, size, path, file); break;
            case Kind::kScript: result = ScanScriptFile(f.ctx, data, size, path, file); break;
            case Kind::kSheet: result = ScanStyleSheet(f.ctx, data, size, path, file); break;
            }
            const std::string where = what + " as " + (kind == Kind::kPage ? "page" : kind == Kind::kScript ? "script" : "sheet") +
                                      (s.utf16 ? ", UTF-16" : ", 8-bit") + (s.tagNames ? ", tag names" : "");
            EXPECT_EQ(result, f.links.linkCount()) << where;
            const Text t = MakeText(data, size, s.utf16 ? kEncodingUtf16LE : kEncoding8Bit);
            EXPECT_EQ(CheckScanRecords(f.links, 0, t, file), "") << where;
            ASSERT_EQ(f.host.log().size(), 1u) << where;
            EXPECT_NE(f.host.log()[0].find(" change(s) to apply"), std::string::npos) << where;
        }
    }
}

std::vector<unsigned char> Bytes(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

std::string Repeat(const std::string& s, int n) {
    std::string out;
    out.reserve(s.size() * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(ScannerRobustness, ShortAndUnfinishedTexts) {
    const char* texts[] = {
        "", "<", "<a", "<a href", "<a href=", "<a href=\"", "<a href=\"x.htm", "<a href='x.htm", "<a href=\\\"x",
        "<p>x<", "url(", "url(\"a.gif", "<style>url(", "<style>a{background:url(a.gif", "<script>", "<script>http://",
        "<script>file:///", "http://", "gopher://x", "<td onclick=", "<td onclick=\"", "<td onclick=\"http://x",
        "<td onclick='go(\"http://x", "<td onclick=\\", "<td onclick=\\\"http://x", "/*", "*/", "//http://x",
        "<a href=x target=", "<a href=pic.gif target=\"", "<A target=_self href=pic.gif", "<!--", ">=<=>",
        // today's markup, malformed
        "<img srcset=", "<img srcset=\"", "<img srcset=\",,, ,\">", "<img srcset=\"a.jpg,\">", "<img srcset=\"a,b 1x,",
        "<img srcset=\"a.jpg 1x (,) , b 2x\">", "<img srcset=\"data:image/png;base64,AB,CD 1x, x\">",
        "<img srcset=\"a.jpg 1x", "<meta http-equiv=refresh content=\"5\">", "<meta http-equiv=refresh content=\"url=",
        "<meta http-equiv=refresh content=\"0; url='", "<base>", "<base href=\"javascript:x\"><a href=a.htm>",
        "<base href=sub/><base href=other/><a href=a.htm>", "<base href=\"http://ex.com/d/\"><img src=a.gif>",
        "<div style=\"background:url(", "<div style=\"x:url(&quot;a.gif&quot;)\">", "<style>@import \"a.css",
        "<style>@import '", "<style>x{b:image-set(\"a.png\" 1x, url(", "image-set(\"", "<video src=\"a",
        "<svg><use xlink:href=", "<q cite=\"", "<a href=\"&#x110000;&#0;&#55296;&#45\">", "<img data-src=>",
    };
    for (const char* s : texts) ScanEveryWay(Bytes(s), std::string("\"") + s + "\"");
}

TEST(ScannerRobustness, UnfinishedTextsEndingInsideAUtf16Character) {
    const std::string page = "<a href=\"x.htm\"><img src=\"http://ex.com/a b.gif\"><style>url(a.gif)</style>";
    std::vector<unsigned char> utf16;
    for (unsigned char c : page) {
        utf16.push_back(c);
        utf16.push_back(0);
    }
    // Every cut, so that the text ends after every byte of every character.
    for (std::size_t n = 0; n <= utf16.size(); ++n)
        ScanEveryWay(std::vector<unsigned char>(utf16.begin(), utf16.begin() + static_cast<std::ptrdiff_t>(n)),
                     "cut at " + std::to_string(n), kTwoSetups);
}

TEST(ScannerRobustness, NulsAndControlCharacters) {
    const std::string s("<a href=\"x\0.htm\">\0<img src=\0><td onclick=\"\0http://ex.com/\0\"><style>url(\0)</style>"
                        "<script>'http://\0'</script>\x01\x1f<a\x01href=\x02x.htm>",
                        112);
    ScanEveryWay(Bytes(s), "NULs");
}

TEST(ScannerRobustness, HundredThousandNestedScriptTags) {
    const std::vector<Kind> page = {Kind::kPage};
    ScanEveryWay(Bytes(Repeat("<SCRIPT", 100000)), "<SCRIPT without ends", kTwoSetups);
    ScanEveryWay(Bytes(Repeat("<SCRIPT>", 100000) + "<img src=a.gif>"), "<SCRIPT> without ends", kTwoSetups, page);
    ScanEveryWay(Bytes(Repeat("<SCRIPT>", 50000) + Repeat("</SCRIPT>", 50000) + "<img src=a.gif>"), "nested scripts",
                 kTwoSetups, page);
    ScanEveryWay(Bytes(Repeat("</SCRIPT><script src=a.js>", 30000)), "ends before starts", kTwoSetups, page);
}

TEST(ScannerRobustness, MegabyteValues) {
    const std::string mb(1 << 20, 'a');
    const std::string quarter(1 << 18, 'a');  // enough to pass every work buffer
    const std::vector<Kind> page = {Kind::kPage};
    ScanEveryWay(Bytes("<a href=\"" + mb + "\">x</a><img src=b.gif>"), "quoted value", kTwoSetups);
    ScanEveryWay(Bytes("<a href=" + quarter + ">x</a><img src=b.gif>"), "unquoted value", kTwoSetups, page);
    ScanEveryWay(Bytes("<a href=\"" + mb), "value that never closes", kTwoSetups, page);
    ScanEveryWay(Bytes("<style>x{background:url(" + quarter + ")}</style>url(" + quarter), "url( argument", kTwoSetups);
    ScanEveryWay(Bytes("<td onclick=\"" + quarter + " http://ex.com/a.gif\">"), "event value", kTwoSetups, page);
    ScanEveryWay(Bytes("<script>x='http://" + quarter + "';</script>"), "script URL", kTwoSetups);
    ScanEveryWay(Bytes("<a href=\"pic.gif\" target=\"" + quarter + "\">"), "target value", kTwoSetups, page);
}

TEST(ScannerRobustness, ManyTagsAndUrlsStayNearlyLinear) {
    // Each of these would take minutes if a pass rescanned the rest of the text per hit.
    const auto start = std::chrono::steady_clock::now();
    const std::vector<Kind> page = {Kind::kPage};
    ScanEveryWay(Bytes(Repeat("<td onclick=go()>", 20000)), "unquoted events", kTwoSetups, page);
    ScanEveryWay(Bytes("<script>" + Repeat("'http://e.c/',", 20000) + "</script>"), "URLs on one script line",
                 kTwoSetups);
    ScanEveryWay(Bytes("<td onclick=\"" + Repeat("go('http://e.c/');", 20000) + "\">"), "URLs in one event value",
                 kTwoSetups, page);
    ScanEveryWay(Bytes(Repeat("<script>a</script>", 20000)), "many script blocks", kTwoSetups, page);
    ScanEveryWay(Bytes("<style>" + Repeat("url(a)", 20000) + "</style>"), "many url( arguments", kTwoSetups);
    ScanEveryWay(Bytes(Repeat("<img src=a.gif>", 20000)), "many tags", kTwoSetups, page);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("seconds", std::to_string(seconds));
}

}  // namespace
}  // namespace corvane
