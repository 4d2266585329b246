// The #fragments of local links, with the check on: which are judged, how the missing ones are repaired,
// and bad markup; every site in 8-bit and UTF-16 pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/fragment_check.h"
#include "engine/link_table.h"
#include "engine/search_driver.h"
#include "platform/utf8.h"
#include "support/engine_parts.h"
#include "support/memory_file_system.h"

namespace corvane {
namespace {

struct Page {
    const char* path;
    std::string text;
};

struct FragmentCase {
    const char* name;
    std::vector<Page> pages;                 // the first one holds the links
    std::vector<std::string> changes;  // "URL -> replacement reason", in the order queued
};

std::string AsUtf16(const std::string& text) {
    std::string wide = "\xFF\xFE";
    for (char16_t u : Utf8ToUtf16(text)) wide += std::string{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    return wide;
}

void ExpectChanges(const FragmentCase& c) {
    for (bool utf16 : {false, true}) {
        for (bool on : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (utf16 ? " (UTF-16)" : "") + (on ? "" : " (check off)"));
            testing_support::EngineParts<NullHost> e;
            e.search.checkFragments = on;
            MemoryFileSystem fs;
            for (const Page& p : c.pages) {
                e.files.Append(p.path);
                fs.AddFile(p.path, utf16 && IsPage(p.path) ? AsUtf16(p.text) : p.text);
            }
            SearchState state;
            ASSERT_GE(RunSearch(e.ctx, fs, state), 0);
            std::vector<std::string> changes;
            for (std::int32_t i = 0; i < e.links.linkCount(); ++i) {
                const LinkRecord& r = e.links[i];
                changes.push_back(r.linkUrl + " -> " + r.linkReplacement + " " + FragmentRepairName(r.linkFragmentRepair));
                // The span is the value as written: between its quotes, no markup.
                if (utf16) continue;
                const std::string span = c.pages[r.linkFile].text.substr(static_cast<std::size_t>(r.linkValuePos), r.linkValueLen);
                EXPECT_TRUE(r.linkQuoteLen == 0 || span.front() == span.back()) << span;
                EXPECT_EQ(span.find_first_of("<>"), std::string::npos) << span;
            }
            // The existing suite proves a search without the check unchanged; here it repairs nothing.
            if (on) { EXPECT_EQ(changes, c.changes); }
            for (const std::string& change : changes) EXPECT_TRUE(on || change.back() == ' ') << change;
        }
    }
}

const char kGuide[] = "<h2 id=\"install\">I</h2><h2 ID=install-guide>G</h2><a name=\"old\"></a><div name=\"nope\"></div>"
                      "<p id=\"caf\xC3\xA9\"></p><p id=\"a b\"></p><p id=pos><p id=__pos__>";

// What is judged: working fragments of local links to pages stay; '#', #top, files that are not pages,
// Internet URLs and a '#' escaped in a query are not looked at.
const FragmentCase kChecked[] = {
    {"working fragments",
     {{"C:\\s\\index.html", "<a href=\"guide.html#install\">a</a><a href='guide.html#old'>b</a>"
                             "<a href=guide.html#caf%C3%A9>c</a><a href=\"guide.html#a%20b\">d</a><p id=me><a href=#me>e</a>"},
      {"C:\\s\\guide.html", kGuide}},
     {}},
    {"what is not judged",
     {{"C:\\s\\index.html", "<a href=\"#\">a</a><a href=\"#TOP\">b</a><a href=\"doc.pdf#page=2\">c</a>"
                             "<a href=\"guide.html?q=%23nope\">d</a><a href=\"guide.html#install\">e</a>"},
      {"C:\\s\\guide.html", kGuide},
      {"C:\\s\\doc.pdf", "PDF"}},
     {}},
    {"name counts on a only; a page linked before it is read",
     {{"C:\\s\\index.html", "<a href=\"guide.html#nope\">a</a><a href=\"z.html#late\">b</a><a href=\"z.html#none\">c</a>"},
      {"C:\\s\\guide.html", kGuide},
      {"C:\\s\\z.html", "<b id=late>"}},
     {"guide.html#nope -> guide.html fragment-dropped", "z.html#none -> z.html fragment-dropped"}},
    {"the replacement of a broken link keeps a fragment its page has",
     {{"C:\\s\\index.html", "<a href=\"old/guide.html#install\">a</a><a href=\"old/guide.html#Install\">b</a>"},
      {"C:\\s\\new\\guide.html", kGuide}},
     {"old/guide.html#install -> new/guide.html#install ", "old/guide.html#Install -> new/guide.html#install fragment-case"}},
};

// How a fragment that misses is repaired: (a) the same page's anchor but for case and separators, (b) the one
// other page with the anchor, (c) dropped.
const FragmentCase kRepairs[] = {
    {"repairs",
     {{"C:\\s\\sub\\index.html",
       "<a href=\"../guide.html#Install_Guide\">a</a><a href=\"../guide.html#moved\">b</a>"
       "<a href=\"../guide.html#twice\">c</a><a href=\"../guide.html#gone\">d</a><a href=\"#gone\">e</a>"
       "<a href=\"../guide.html#INSTALL.GUIDE\">f</a><a href=\"../guide.html?x=1#Caf%C3%A9\">g</a>"
       "<a href=\"../guide.html#Pos\">h</a><a href=\"../guide.html#_Pos\">i</a>"},
      {"C:\\s\\guide.html", kGuide},
      {"C:\\s\\other.html", "<p id=\"moved\"><p id=twice>"},
      {"C:\\s\\third.html", "<p id=twice>"}},
     {"../guide.html#Install_Guide -> ../guide.html#install-guide fragment-case",
      "../guide.html#moved -> ../other.html#moved fragment-moved", "../guide.html#twice -> ../guide.html fragment-dropped",
      "../guide.html#gone -> ../guide.html fragment-dropped", "#gone -> # fragment-dropped",
      "../guide.html#INSTALL.GUIDE -> ../guide.html#install-guide fragment-case",
      "../guide.html?x=1#Café -> ../guide.html?x=1#café fragment-case",
      "../guide.html#Pos -> ../guide.html fragment-dropped", "../guide.html#_Pos -> ../guide.html fragment-dropped"}},
    {"a link written in another form keeps its form",
     {{"C:\\s\\index.html", "<a href=\"a%20b.html#Here\">a</a><a href=\"a b.html#here\">b</a>"},
      {"C:\\s\\a b.html", "<p id=here>"}},
     {"a b.html#here -> a%20b.html#here ", "a b.html#Here -> a%20b.html#here fragment-case"}},
};

const std::string kBig = std::string(1100000, 'x');

// Bad markup and bad fragments: never a crash, never a change outside the URL.
const FragmentCase kBadInputs[] = {
    {"duplicate ids, blanks, letters outside ASCII, escapes",
     {{"C:\\s\\index.html", "<a href=\"p.html#dup\">a</a><a href=\"p.html#%C3%A9%20t\">b</a><a href=\"p.html#a%zz\">c</a>"
                             "<a href=\"p.html#%\">d</a><a href=\"p.html#%00\">e</a><a href=\"p.html#&amp;x\">f</a>"},
      {"C:\\s\\p.html", "<p id=dup><p id=dup><p id=\"\xC3\xA9 t\"><p id=\"a%zz\"><p id=\"&amp;x\">"}},
     {"p.html#a%zz -> p.html#a%25zz ", "p.html#% -> p.html fragment-dropped", "p.html#%00 -> p.html fragment-dropped"}},
    {"anchors in comments and scripts, a page over a megabyte",
     {{"C:\\s\\index.html", "<a href=\"p.html#c\">a</a><a href=\"p.html#s\">b</a><a href=\"p.html#end\">c</a>"},
      {"C:\\s\\p.html", "<!-- <p id=c> --><script>x='<p id=s>'</script><style>p{}</style>" + kBig + "<p id=end>"}},
     {"p.html#c -> p.html fragment-dropped", "p.html#s -> p.html fragment-dropped"}},
    {"markup cut short",
     {{"C:\\s\\index.html", "<a href=\"p.html#x\">a</a><a href=\"q.html#y\">b</a><a href=\"r.html#z\">c</a>"},
      {"C:\\s\\p.html", "<p id=\"x"},
      {"C:\\s\\q.html", "<!-- <p id=y>"},
      {"C:\\s\\r.html", "<p id=z"}},
     {"p.html#x -> p.html fragment-dropped", "q.html#y -> q.html fragment-dropped", "r.html#z -> r.html fragment-dropped"}},
};

struct AnchorCase {
    std::string markup;
    std::vector<std::string> anchors;  // in the order they stand
};

// What a page's anchors are: `id` on any element, `name` on `a`, as a browser reads the markup.
const AnchorCase kAnchors[] = {
    {"<h1 id=\"a\"><A NAME='b'><div name=c><P ID=d>", {"a", "b", "d"}},
    {"<p id=\"x\" id=\"y\"><a name=n name=m id=i>", {"x", "n", "i"}},
    {"<p id=\"caf&eacute;&#233;&#x41;&amp;\"><p id=\"\xC3\xA9 t\"><p id=\"\">", {"caf\xC3\xA9\xC3\xA9" "A&", "\xC3\xA9 t"}},
    {"<!-- <p id=c> --><script>'<p id=s>'</script><style>/* <p id=t> */</style><p id=after>", {"after"}},
    {"<p id=a/><p\tid=b>x</p><p title=\"id=z\"><p data-id=q>", {"a/", "b"}},  // '/' ends no unquoted value
    {"<p id=\"open", {}},
    {"<p id=cut", {}},
    {"<!-- never closed <p id=x>", {}},
};

TEST(FragmentCheck, AnchorsOfAPageInBothWidths) {
    for (const AnchorCase& c : kAnchors) {
        for (bool utf16 : {false, true}) {
            SCOPED_TRACE(c.markup + (utf16 ? " (UTF-16)" : ""));
            const std::string bytes = utf16 ? AsUtf16(c.markup).substr(2) : c.markup;
            std::vector<std::string> found;
            ReadAnchors(MakeText(bytes.data(), static_cast<std::int32_t>(bytes.size()), utf16 ? kEncodingUtf16LE : 0), found);
            EXPECT_EQ(found, c.anchors);
        }
    }
}

TEST(FragmentCheck, JudgesFragmentsOfWorkingLocalLinksToPages) {
    for (const FragmentCase& c : kChecked) ExpectChanges(c);
}

TEST(FragmentCheck, RepairsByCaseThenMovedSectionThenDrops) {
    for (const FragmentCase& c : kRepairs) ExpectChanges(c);
}

TEST(FragmentCheck, BadInputNeverReachesOutsideTheUrl) {
    for (const FragmentCase& c : kBadInputs) ExpectChanges(c);
}

}  // namespace
}  // namespace corvane
