// The markup rewriter: worked examples, deletion renderings, removed tags, targets, UTF-16 and relative URLs.
#include "apply/markup_rewriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace corvane {
namespace {

constexpr char kPage[] = "C:\\site\\pages\\p.htm";

// One rewrite worked through: the old text, its one change, the deletion options and the new text.
struct Example {
    const char* name;
    const char* oldText;
    const char* tag;
    const char* span;
    const char* stored;
    std::function<void(DeletionOptions&)> page7;
    const char* newText;
};

void Defaults(DeletionOptions&) {}

class MarkupRewriter : public ::testing::Test {
protected:
    MarkupRewriter() {
        files.Append(kPage);
        review.allowLinkDeletion = true;
    }

    // Queues a change of `span` (delimiters included), the first one at or after `tagText`,
    // which begins with the tag's "<" (an empty tagText: no tag, as in script text).
    std::int32_t Add(const std::string& tagText, const std::string& span, const std::string& replacement,
                     std::int32_t from = 0) {
        std::size_t tag = tagText.empty() ? std::string::npos : text.find(tagText, static_cast<std::size_t>(from));
        std::size_t value = text.find(span, tag == std::string::npos ? static_cast<std::size_t>(from) : tag);
        EXPECT_NE(value, std::string::npos) << span;
        LinkRecord& r = links.Pending();
        r.linkUrl = span;
        r.linkReplacement = replacement;
        r.linkFile = 0;
        r.linkTagPos = tag == std::string::npos ? -1 : Pos(tag);
        r.linkValuePos = Pos(value);
        r.linkValueLen = static_cast<std::uint32_t>(span.size());
        r.linkQuoteLen = QuoteLen(span);
        links.Commit();
        return links.linkCount() - 1;
    }
    // Starts afresh on the example's old text, with its deletion options and its one change queued.
    std::int32_t Load(const Example& ex) {
        links.ClearLinkTable();
        deletion = DeletionOptions();
        ex.page7(deletion);
        text = ex.oldText;
        return Add(ex.tag, ex.span, ex.stored);
    }
    // Queues a target attribute to be added to the tag at `tagText`.
    std::int32_t AddTarget(const std::string& tagText, const std::string& replacement) {
        std::size_t tag = text.find(tagText);
        EXPECT_NE(tag, std::string::npos);
        LinkRecord& r = links.Pending();
        r.linkUrl = "x";
        r.linkReplacement = replacement;
        r.linkTagPos = Pos(tag);
        r.linkValuePos = Pos(tag);
        r.linkValueLen = 0;
        r.linkQuoteLen = 0;
        links.Commit();
        return links.linkCount() - 1;
    }

    // The new text of `text`, in the file's encoding (UTF-16 behind a byte-order mark).
    std::vector<unsigned char> RunBytes(std::int32_t* count = nullptr) {
        std::vector<unsigned char> in = Encode(text), out;
        RewriteContext context{links, files, review, deletion, search, processing, "C:\\site\\", Windows1252CodePage()};
        std::int32_t n = RewriteFile(context, in.data(), static_cast<std::int32_t>(in.size()), 0, out);
        if (count) *count = n;
        return out;
    }
    std::string Run(std::int32_t* count = nullptr) {
        std::vector<unsigned char> out = RunBytes(count);
        return std::string(out.begin(), out.end());
    }

    void SetUtf16() {
        utf16 = true;
        links.setFileEncoding(0, kEncodingUtf16LE);
    }
    // Latin-1 characters stand for themselves in Windows-1252, so widening is enough here.
    std::vector<unsigned char> Encode(const std::string& s) const {
        if (!utf16) return std::vector<unsigned char>(s.begin(), s.end());
        std::vector<unsigned char> bytes = {0xFF, 0xFE};
        for (char c : s) {
            bytes.push_back(static_cast<unsigned char>(c));
            bytes.push_back(0);
        }
        return bytes;
    }

    std::int32_t Pos(std::size_t narrow) const {
        return utf16 ? static_cast<std::int32_t>(2 + 2 * narrow) : static_cast<std::int32_t>(narrow);
    }
    static std::uint32_t QuoteLen(const std::string& span) {
        if (span.empty()) return 0;
        if (span[0] == '"' || span[0] == '\'' || span[0] == '(') return 1;
        if (span[0] == '\\' && span.size() > 1 && (span[1] == '"' || span[1] == '\'')) return 2;
        return 0;
    }

    LinkTable links;
    FileList files;
    ReviewOptions review;
    DeletionOptions deletion;
    SearchOptions search;
    ProcessingOptions processing;
    std::string text;
    bool utf16 = false;
};

TEST_F(MarkupRewriter, WorkedExamples) {
    const Example examples[] = {
        {"replacement", "<a href=\"old.htm\">Home</a>", "<a", "\"old.htm\"", "new.htm", Defaults,
         "<a href=\"new.htm\">Home</a>"},
        {"quoted replacement of an unquoted value", "<a href=old.htm>Home</a>", "<a", "old.htm",
         "\"new page.htm\"", Defaults, "<a href=\"new page.htm\">Home</a>"},
        {"convert to text", "<a href=\"gone.htm\">Home</a>\r\n", "<a", "\"gone.htm\"", "", Defaults, "Home"},
        {"make empty", "<a href=\"gone.htm\">Home</a>", "<a", "\"gone.htm\"", "",
         [](DeletionOptions& d) { d.textConvertToText = false; }, "<a href=\"#\">Home</a>"},
        {"image made empty", "<img src=\"gone.gif\">", "<img", "\"gone.gif\"", "", Defaults, "<img src=\"\">"},
        {"image replaced, two-quote form", "<img src=gone.gif>", "<img", "gone.gif", "\"\"",
         [](DeletionOptions& d) {
             d.imageReplace = true;
             d.imageUrl = "spacer.gif";
         },
         "<img src=\"spacer.gif\">"},
        {"script converted", "<script src=\"gone.js\"></script>", "<script", "\"gone.js\"", "", Defaults, ""},
    };
    for (const Example& ex : examples) {
        SCOPED_TRACE(ex.name);
        Load(ex);
        std::int32_t count = 0;
        EXPECT_EQ(Run(&count), ex.newText);
        EXPECT_EQ(count, 1);
    }
}

TEST_F(MarkupRewriter, DeletionRenderings) {
    auto makeEmpty = [](DeletionOptions& d) { d.textConvertToText = false; };
    auto imageUrl = [](DeletionOptions& d) {
        d.imageReplace = true;
        d.imageUrl = "file:///C|/site/art/blank.gif";
    };
    auto imageUrlAsIs = [](DeletionOptions& d) {
        d.imageReplace = true;
        d.imageUrl = "file:///C|/site/art/blank.gif";
        d.imageMakeRelative = false;
    };
    auto background = [](DeletionOptions& d) {
        d.backgroundReplace = true;
        d.backgroundUrl = "file:///C|/site/pages/bg.gif";
    };
    const Example examples[] = {
        {"bgsound", "<bgsound src=\"g.wav\">x</bgsound>.", "<bgsound", "\"g.wav\"", "", Defaults, "x."},
        {"applet", "<APPLET code=\"g.class\">x</APPLET>.", "<APPLET", "\"g.class\"", "", Defaults, "x."},
        {"embed", "<embed src=\"g.swf\">x</embed>.", "<embed", "\"g.swf\"", "", Defaults, "x."},
        {"iframe", "<iframe src=\"g.htm\">x</iframe>.", "<iframe", "\"g.htm\"", "", Defaults, "x."},
        {"style", "<style src=\"g.css\">x</style>.", "<style", "\"g.css\"", "", Defaults, "x."},
        {"area", "<area href=\"g.htm\">", "<area", "\"g.htm\"", "", Defaults, "<area href=\"#\">"},
        {"area, make empty", "<area href=\"g.htm\">", "<area", "\"g.htm\"", "", makeEmpty, "<area href=\"#\">"},
        {"link", "<link href=\"g.css\">", "<link", "\"g.css\"", "", Defaults, "<link href=\"#\">"},
        {"style, make empty", "<style src=\"g.css\">x</style>", "<style", "\"g.css\"", "", makeEmpty,
         "<style src=\"#\">x</style>"},
        {"script, make empty", "<script src=\"g.js\"></script>", "<script", "\"g.js\"", "", makeEmpty,
         "<script src=\"\"></script>"},
        {"iframe, make empty, unquoted", "<iframe src=g.htm></iframe>", "<iframe", "g.htm", "\"\"", makeEmpty,
         "<iframe src=\"\"></iframe>"},
        {"image, chosen file URL made relative", "<img src=\"g.gif\">", "<img", "\"g.gif\"", "", imageUrl,
         "<img src=\"../art/blank.gif\">"},
        {"image, chosen URL as it is", "<img src=\"g.gif\">", "<img", "\"g.gif\"", "", imageUrlAsIs,
         "<img src=\"file:///C|/site/art/blank.gif\">"},
        {"image, chosen URL quoted for an unquoted value", "<img src=g.gif>", "<img", "g.gif", "\"\"", imageUrl,
         "<img src=\"../art/blank.gif\">"},
        {"image, text-link choice does not matter", "<img src=\"g.gif\">", "<img", "\"g.gif\"", "", makeEmpty,
         "<img src=\"\">"},
        {"body background made empty", "<body background=\"g.gif\">", "<body", "\"g.gif\"", "", Defaults,
         "<body background=\"\">"},
        {"table background", "<table background='g.gif'>", "<table", "'g.gif'", "", background,
         "<table background='bg.gif'>"},
        {"td background", "<TD background=\"g.gif\">", "<TD", "\"g.gif\"", "", background,
         "<TD background=\"bg.gif\">"},
        {"tr background", "<tr background=\"g.gif\">", "<tr", "\"g.gif\"", "", background,
         "<tr background=\"bg.gif\">"},
        {"input image", "<input src=\"g.gif\">", "<input", "\"g.gif\"", "", background, "<input src=\"bg.gif\">"},
        {"any other tag", "<frame src=\"g.htm\">", "<frame", "\"g.htm\"", "", Defaults, "<frame src=\"\">"},
        {"script text", "x = \"g.htm\";", "", "\"g.htm\"", "", Defaults, "x = \"\";"},
        {"style sheet url(", "b { background: url(g.gif) }", "", "(g.gif)", "", Defaults,
         "b { background: url() }"},
    };
    for (const Example& ex : examples) {
        SCOPED_TRACE(ex.name);
        std::int32_t record = Load(ex);
        if (std::string(ex.tag).empty()) links[record].linkTagPos = std::string(ex.span)[0] == '(' ? -2 : -1;
        EXPECT_EQ(Run(), ex.newText);
    }
}

TEST_F(MarkupRewriter, DeletionsWaitForPermission) {
    review.allowLinkDeletion = false;
    text = "<a href=\"gone.htm\" target=\"_self\">T</a> <img src=\"g.gif\">";
    Add("<a", "\"gone.htm\"", "");
    Add("<a", "\"_self\"", ":::_top");
    Add("<img", "\"g.gif\"", "");
    std::int32_t count = 0;
    EXPECT_EQ(Run(&count), "<a href=\"gone.htm\" target=\"_top\">T</a> <img src=\"g.gif\">");
    EXPECT_EQ(count, 3);
}

TEST_F(MarkupRewriter, TargetIsInsertedBeforeTheTagsOtherChanges) {
    text = "<A href=\"x.htm\">X</A>";
    Add("<A", "\"x.htm\"", "y.htm");
    AddTarget("<A", ":::\"_blank\"");
    EXPECT_EQ(Run(), "<A target=\"_blank\" href=\"y.htm\">X</A>");
}

TEST_F(MarkupRewriter, TwoChangesInOneTagInPositionOrder) {
    text = "<a target=_self href='x.htm'>X</a>";
    Add("<a", "'x.htm'", "y.htm");
    Add("<a", "_self", ":::_top");
    EXPECT_EQ(Run(), "<a target=_top href='y.htm'>X</a>");
}

TEST_F(MarkupRewriter, TargetAfterANameEndedByALineBreak) {
    text = "<a\nhref=\"x.htm\">X</a>";
    AddTarget("<a", ":::\"_blank\"");
    EXPECT_EQ(Run(), "<a target=\"_blank\"\nhref=\"x.htm\">X</a>");
}

TEST_F(MarkupRewriter, RemovedTagSwallowsItsOtherChanges) {
    text = "<p><a target=\"_self\" href=\"gone.htm\" onclick=\"go('http://x.org')\">T</a> <a href=\"k.htm\">K</a>";
    std::int32_t target = Add("<a", "\"_self\"", ":::_top");
    std::int32_t gone = Add("<a", "\"gone.htm\"", "");
    std::int32_t event = Add("<a", "http://x.org", "http://y.org");
    std::int32_t kept = Add("<a href=\"k", "\"k.htm\"", "m.htm");
    links.AddSecondPassLink(event);
    links.AddSecondPassLink(kept);
    links.AddSecondPassLink(target);
    std::int32_t count = 0;
    EXPECT_EQ(Run(&count), "<p>T <a href=\"m.htm\">K</a>");
    EXPECT_EQ(count, 4);
    EXPECT_LT(links[target].linkValuePos, 0);
    EXPECT_LT(links[gone].linkValuePos, 0);
    EXPECT_LT(links[event].linkValuePos, 0);
    EXPECT_GE(links[kept].linkValuePos, 0);
    EXPECT_EQ(links.secondPassLinks(), std::vector<std::int32_t>{kept});
}

TEST_F(MarkupRewriter, ReplacementStaysWhenTheTagIsNotRemoved) {
    deletion.textConvertToText = false;
    text = "<a target=\"_self\" href=\"gone.htm\">T</a>";
    Add("<a", "\"_self\"", ":::_top");
    Add("<a", "\"gone.htm\"", "");
    EXPECT_EQ(Run(), "<a target=\"_top\" href=\"#\">T</a>");
}

TEST_F(MarkupRewriter, ChangesInsideARemovedLinkComeBeforeItsClosingTag) {
    text = "<a href=\"gone.htm\">x <img src=\"old.gif\"> y</a> <img src=\"b.gif\">";
    Add("<a", "\"gone.htm\"", "");
    Add("<img", "\"old.gif\"", "new.gif");
    Add("<img src=\"b", "\"b.gif\"", "c.gif");
    EXPECT_EQ(Run(), "x <img src=\"new.gif\"> y <img src=\"c.gif\">");
}

TEST_F(MarkupRewriter, ClosingTagIsFoundByItsBeginning) {
    text = "<a href=\"gone.htm\">x <abbr>y</abbr></a>";
    Add("<a", "\"gone.htm\"", "");
    EXPECT_EQ(Run(), "x <abbr>y</a>");
}

TEST_F(MarkupRewriter, NestedRemovedTagsLoseBothClosingTags) {
    text = "<a href=\"gone.htm\">[<script src=\"g.js\">s</script>]</a>!";
    Add("<a", "\"gone.htm\"", "");
    Add("<script", "\"g.js\"", "");
    EXPECT_EQ(Run(), "[s]!");
}

TEST_F(MarkupRewriter, MissingClosingTagOnlyDropsTheOpeningTag) {
    text = "<a href=\"gone.htm\">x <b>y</b>";
    Add("<a", "\"gone.htm\"", "");
    EXPECT_EQ(Run(), "x <b>y</b>");
}

TEST_F(MarkupRewriter, ComparisonInsideATagDoesNotEndIt) {
    text = "<a href=\"gone.htm\" onclick=\"if (a >= b) go()\">T</a>";
    Add("<a", "\"gone.htm\"", "");
    EXPECT_EQ(Run(), "T");
}

TEST_F(MarkupRewriter, TagThatNeverEndsIsRenderedEmptyInsteadOfRemoved) {
    text = "<p>one <a href=\"gone.htm\" title=\"two";
    Add("<a", "\"gone.htm\"", "");
    EXPECT_EQ(Run(), "<p>one <a href=\"#\" title=\"two");
}

TEST_F(MarkupRewriter, ValueWithoutItsClosingQuoteKeepsTheRestOfTheTag) {
    // The scanner measures such a value up to the tag's end, with its opening quote only.
    text = "<a href=\"sub/b.htm>link</a> <img src='x.gif>";
    Add("<a", "\"sub/b.htm", "b.htm");
    Add("<img", "'x.gif", "y.gif");
    EXPECT_EQ(Run(), "<a href=\"b.htm>link</a> <img src='y.gif>");
}

TEST_F(MarkupRewriter, RecordsOutsideTheTextAreLeftAlone) {
    text = "<a href=\"x.htm\">X</a>";
    std::int32_t past = Add("<a", "\"x.htm\"", "y.htm");
    links[past].linkValuePos = 1000;
    std::int32_t overlong = Add("<a", "\"x.htm\"", "y.htm");
    links[overlong].linkValueLen = 100;
    std::int32_t badQuotes = Add("<a", "\"x.htm\"", "y.htm");
    links[badQuotes].linkQuoteLen = 5;
    std::int32_t badTag = Add("<a", "\"x.htm\"", "");
    links[badTag].linkTagPos = 5000;
    std::int32_t badTarget = AddTarget("<a", ":::_top");
    links[badTarget].linkTagPos = links[badTarget].linkValuePos = 400;
    std::int32_t count = 0;
    EXPECT_EQ(Run(&count), "<a href=\"\">X</a>");  // only the deletion in an unknown tag is written
    EXPECT_EQ(count, 5);
}

TEST_F(MarkupRewriter, OverlappingRecordsAreWrittenOnce) {
    text = "<a href=\"x.htm\">X</a>";
    Add("<a", "\"x.htm\"", "y.htm");
    Add("<a", "\"x.htm\"", "z.htm");
    EXPECT_EQ(Run(), "<a href=\"y.htm\">X</a>");
}

TEST_F(MarkupRewriter, FileWithoutRecordsComesBackByteForByte) {
    text = std::string("<a href=\"x.htm\">\0\x01\xff\r\n</a", 21);
    files.Append("C:\\site\\other.htm");
    text += "<";
    Add("<a", "\"x.htm\"", "y.htm");
    links[0].linkFile = 1;  // belongs to another file
    std::int32_t count = -1;
    EXPECT_EQ(Run(&count), text);
    EXPECT_EQ(count, 0);
}

TEST_F(MarkupRewriter, OnlyTheFilesOwnRecordsAreCounted) {
    files.Append("C:\\site\\other.htm");
    text = "<a href=\"x.htm\">X</a>";
    Add("<a", "\"x.htm\"", "y.htm");
    Add("<a", "\"x.htm\"", "w.htm");
    links[1].linkFile = 1;
    std::int32_t count = 0;
    EXPECT_EQ(Run(&count), "<a href=\"y.htm\">X</a>");
    EXPECT_EQ(count, 1);
}

TEST_F(MarkupRewriter, Utf16KeepsByteOrderMarkAndWidth) {
    SetUtf16();
    text = "<a href=\"old.htm\">Caf\xe9</a> <a href=\"gone.htm\">G</a>\r\n<a href=x.htm>X</a>";
    Add("<a", "\"old.htm\"", "n\xe9w.htm");
    Add("<a href=\"gone", "\"gone.htm\"", "");
    AddTarget("<a href=x", ":::\"_blank\"");
    std::vector<unsigned char> expected = Encode("<a href=\"n\xe9w.htm\">Caf\xe9</a> G<a target=\"_blank\" href=x.htm>X</a>");
    EXPECT_EQ(RunBytes(), expected);
}

TEST_F(MarkupRewriter, Utf16WithoutRecordsIsUnchanged) {
    SetUtf16();
    text = "<p>\xe9</p>";
    std::vector<unsigned char> in = Encode(text);
    in.push_back(0x41);  // a stray last byte is kept too
    std::vector<unsigned char> out;
    RewriteContext context{links, files, review, deletion, search, processing, "C:\\site\\", Windows1252CodePage()};
    EXPECT_EQ(RewriteFile(context, in.data(), static_cast<std::int32_t>(in.size()), 0, out), 0);
    EXPECT_EQ(out, in);
}

TEST_F(MarkupRewriter, RelativeReplacements) {
    struct Case {
        const char* name;
        bool useBaseUrl;
        bool searchBaseUrl;
        const char* baseUrl;
        const char* stored;
        const char* span;
        const char* expected;
    };
    const Case cases[] = {
        {"relative to the page", false, false, "", "|||file:///C|/site/images/a.gif", "\"a.gif\"",
         "\"../images/a.gif\""},
        {"under the base URL", true, true, "http://www.x.com", "|||file:///C|/site/images/a.gif", "\"a.gif\"",
         "\"http://www.x.com/images/a.gif\""},
        {"base URL ending in a slash", true, true, "http://www.x.com/", "|||file:///C|/site/images/a.gif",
         "\"a.gif\"", "\"http://www.x.com/images/a.gif\""},
        {"only step 4 asks for the base URL", true, false, "http://www.x.com", "|||file:///C|/site/images/a.gif",
         "\"a.gif\"", "\"../images/a.gif\""},
        {"only step 3 has a base URL", false, true, "http://www.x.com", "|||file:///C|/site/images/a.gif",
         "\"a.gif\"", "\"../images/a.gif\""},
        {"outside the root", true, true, "http://www.x.com", "|||file:///C|/other/a.gif", "\"a.gif\"",
         "\"../../other/a.gif\""},
        {"another drive", true, true, "http://www.x.com", "|||file:///D|/a.gif", "\"a.gif\"",
         "\"file:///D|/a.gif\""},
        {"quoted, under the base URL", true, true, "http://www.x.com", "|||\"file:///C|/site/my pics/a.gif\"",
         "a.gif", "\"http://www.x.com/my pics/a.gif\""},
        {"quoted, relative", false, false, "", "|||\"file:///C|/site/my pics/a.gif\"", "a.gif",
         "\"../my pics/a.gif\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        links.ClearLinkTable();
        processing.useBaseUrlFromStep3 = c.useBaseUrl;
        search.searchBaseUrl = c.searchBaseUrl;
        search.baseUrl = c.baseUrl;
        text = std::string("<img src=") + c.span + ">";
        Add("<img", c.span, c.stored);
        EXPECT_EQ(Run(), std::string("<img src=") + c.expected + ">");
    }
    // A page with a <base> is written from the base's folder.
    links.ClearLinkTable();
    processing.useBaseUrlFromStep3 = search.searchBaseUrl = false;
    text = "<base href=\"../\"><img src=\"a.gif\">";
    Add("<img", "\"a.gif\"", "|||file:///C|/site/images/a.gif");
    EXPECT_EQ(Run(), "<base href=\"../\"><img src=\"images/a.gif\">");
}

TEST_F(MarkupRewriter, ManyRecordsKeepTableOrderAtEqualPositions) {
    text = "<a href=\"x.htm\">X</a>";
    for (int i = 0; i < 5000; ++i) Add("<a", "\"x.htm\"", "r" + std::to_string(i) + ".htm");
    EXPECT_EQ(Run(), "<a href=\"r0.htm\">X</a>");
}

}  // namespace
}  // namespace corvane
