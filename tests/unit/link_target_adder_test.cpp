// The link target adder: which links it takes, the URL mask, and the TARGET records it queues.
#include <gtest/gtest.h>

#include "engine/markup_scanner.h"
#include "support/scan_fixture.h"

namespace corvane {
namespace {

using testing_support::At;
using testing_support::Rec;
using testing_support::ScanFixture;

struct MaskCase {
    const char* text;
    const char* mask;
    int expected;
};

TEST(MatchMask, Table) {
    const MaskCase cases[] = {
        {"", "*.gif", 1},              // an empty text matches
        {"a.jpg", "*.jpg", 1},
        {"a.gif", "*.jpg", 0},
        {"a.JPG", "*.jpg", 0},         // literals compare with regard to case
        {"a.gif", "*.jpg;*.gif", 1},   // alternatives tried left to right
        {"a.png", "*.jpg;*.gif", 0},
        {"a.jpg.htm", "*.jpg", 1},     // a matched literal need not end the text
        {"abc", "a", 1},               // nor does a literal at the start
        {"abc", "b", 0},               // a literal without '*' must stand at the cursor
        {"abc", "?b", 1},
        {"abc", "??c", 1},
        {"abc", "?c", 0},
        {"ab", "???x", 1},             // the cursor reached the end of the text
        {"xab", "*a?b", 1},            // '?' counts from where the found literal starts
        {"xaxab", "*a?b", 0},          // '*' takes the first occurrence, no second try
        {"http://ex.com/p.jpg", "http://*.jpg", 1},
        {"ftp://ex.com/p.jpg", "http://*.jpg", 0},
        {"abc", "*", 1},
        {"abc", "", 1},                // an alternative without items succeeds
        {"abc", "x;", 1},
        {"abc", "x;y", 0},
        {"abc", "x;*c", 1},
        {"abc", "*x;a", 1},            // a failed search moves on to the next alternative
    };
    for (const MaskCase& c : cases)
        EXPECT_EQ(MatchMask(c.text, c.mask), c.expected) << "text \"" << c.text << "\" mask \"" << c.mask << "\"";
}

struct FilterCase {
    int mode;
    const char* url;
    const char* replacement;  // null: none given
    int expected;
};

TEST(TargetFilter, ModesAndTheTextTested) {
    ScanFixture f;
    f.processing.urlMask = "*.htm";
    const FilterCase cases[] = {
        {kTargetAllExternal, "http://ex.com/a.htm", nullptr, 1},
        {kTargetAllExternal, "HTTPS://ex.com/", nullptr, 1},
        {kTargetAllExternal, "a.htm", nullptr, 0},
        {kTargetAllExternal, "FILE:///C|/a.htm", nullptr, 0},
        {kTargetAllExternal, "mailto:a@ex.com", nullptr, 0},
        {kTargetAllExternal, "a.htm", "http://ex.com/a.htm", 1},      // the replacement decides
        {kTargetAllExternal, "http://ex.com/a.htm", "a.htm", 0},
        {kTargetAllExternal, "http://ex.com/a.htm", "", 1},           // a deletion: the URL decides
        {kTargetAllExternal, "a.htm", "\"http://ex.com/a b\"", 1},    // quotes of the stored form dropped
        {kTargetAllExternal, "a.htm", "|||file:///C|/a.htm", 0},      // marker dropped
        {kTargetImageLinks, "pic.JPG", nullptr, 1},
        {kTargetImageLinks, "a/b.jpeg", nullptr, 1},
        {kTargetImageLinks, "x.png", nullptr, 1},
        {kTargetImageLinks, "x.bmp", nullptr, 1},
        {kTargetImageLinks, "x.Gif", nullptr, 1},
        {kTargetImageLinks, "page.htm", nullptr, 0},
        {kTargetImageLinks, "pic.gif?x=1", nullptr, 0},
        {kTargetImageLinks, "dir.gif/page", nullptr, 0},   // the dot must be in the last segment
        {kTargetImageLinks, "gif", nullptr, 0},
        {kTargetImageLinks, "old.htm", "\"new.gif\"", 1},
        {kTargetCustomMask, "a.htm", nullptr, 1},
        {kTargetCustomMask, "a.gif", nullptr, 0},
        {kTargetCustomMask, "a.gif", "|||\"b.htm\"", 1},
        {-1, "anything", nullptr, 1},                        // no mode selected
        {3, "anything", nullptr, 1},
    };
    for (const FilterCase& c : cases) {
        f.processing.targetMode = c.mode;
        const std::string replacement = c.replacement ? c.replacement : "";
        EXPECT_EQ(TargetFilter(f.ctx, c.url, c.replacement ? &replacement : nullptr), c.expected)
            << "mode " << c.mode << " url \"" << c.url << "\" replacement " << (c.replacement ? c.replacement : "none");
    }
}

TEST(TargetFilter, UrlsUnderTheBaseUrlAreNotExternal) {
    ScanFixture f;
    f.search.searchBaseUrl = true;
    f.search.baseUrl = "http://www.ex.com/site";
    EXPECT_EQ(TargetFilter(f.ctx, "HTTP://WWW.EX.COM/site/a.htm", nullptr), 0);
    EXPECT_EQ(TargetFilter(f.ctx, "http://www.ex.com/site", nullptr), 0);
    EXPECT_EQ(TargetFilter(f.ctx, "http://www.ex.com/", nullptr), 1);  // shorter than the base URL
    EXPECT_EQ(TargetFilter(f.ctx, "http://other.com/site/a.htm", nullptr), 1);
    f.search.searchBaseUrl = false;
    EXPECT_EQ(TargetFilter(f.ctx, "http://www.ex.com/site/a.htm", nullptr), 1);
}

class AddTarget : public ::testing::TestWithParam<bool> {
protected:
    ScanFixture f;
    bool utf16() const { return GetParam(); }
    Text TextOf(const std::string& page) {
        f.SetText(page, utf16(), 0);
        return MakeText(f.bytes.data(), f.Size(), f.links.fileEncoding(0));
    }
};

TEST_P(AddTarget, AddsAnAttributeAtTheTag) {
    const Text t = TextOf("<p><A href=\"x.htm\">");
    EXPECT_EQ(AddTargetRecord(f.ctx, t, 0, 3 * f.w(), -1, "x.htm", ""), 1);
    EXPECT_EQ(f.Records(), std::vector<Rec>{f.R(0, "x.htm", ":::\"_blank\"", 3, 3, 0, 0)});
}

TEST_P(AddTarget, ModifiesAnExistingValueKeepingItsDelimiter) {
    const std::string page = "<A target=\"_self\" href=x><A target=_top href=y><A target=\\'_new\\' href=z>";
    const Text t = TextOf(page);
    f.processing.target = "_parent";
    const std::int32_t w = f.w();
    EXPECT_EQ(AddTargetRecord(f.ctx, t, 0, 0, At(page, "\"_self") * w, "x", "_self"), 1);
    EXPECT_EQ(AddTargetRecord(f.ctx, t, 0, At(page, "<A", 1) * w, At(page, "_top") * w, "y", "_top"), 1);
    EXPECT_EQ(AddTargetRecord(f.ctx, t, 0, At(page, "<A", 2) * w, At(page, "\\'_new") * w, "z", "_new"), 1);
    EXPECT_EQ(f.Records(), (std::vector<Rec>{
                               f.R(0, "x", ":::_parent", 0, At(page, "\"_self"), 7, 1),
                               f.R(0, "y", ":::\"_parent\"", At(page, "<A", 1), At(page, "_top"), 4, 0),
                               f.R(0, "z", ":::_parent", At(page, "<A", 2), At(page, "\\'_new"), 8, 2),
                           }));
}

TEST_P(AddTarget, TheSameTargetInAnotherCaseIsLeftAlone) {
    const std::string page = "<A target=\"_BLANK\" href=x>";
    const Text t = TextOf(page);
    EXPECT_EQ(AddTargetRecord(f.ctx, t, 0, 0, At(page, "\"_B") * f.w(), "x", "_BLANK"), 0);
    EXPECT_EQ(f.links.linkCount(), 0);
}

TEST_P(AddTarget, AValueThatNeverEndsIsLeftAlone) {
    const std::string page = "<A target=\"_self";
    const Text t = TextOf(page);
    EXPECT_EQ(AddTargetRecord(f.ctx, t, 0, 0, At(page, "\"_self") * f.w(), "x", "_self"), 0);
    EXPECT_EQ(f.links.linkCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Widths, AddTarget, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Utf16" : "Ansi"; });

class AdderInPages : public ::testing::TestWithParam<bool> {
protected:
    AdderInPages() {
        f.processing.targetAdderEnabled = true;
        f.processing.targetMode = kTargetImageLinks;
    }
    ScanFixture f;
    bool utf16() const { return GetParam(); }
};

TEST_P(AdderInPages, ImageLinksGetATarget) {
    const std::string page = "<A href=\"pic.JPG\">p</A> <A href=\"about.htm\">a</A>";
    EXPECT_EQ(f.Page(page, utf16()), 1);
    EXPECT_EQ(f.Records(), std::vector<Rec>{f.R(0, "pic.JPG", ":::\"_blank\"", 0, 0, 0, 0)});
}

TEST_P(AdderInPages, TheReplacementOfTheLinkIsTestedAndTheTargetFollowsIt) {
    const std::string page = "<a href=\"img/logo.gif\">l</a><a href=\"gone.jpg\">g</a>";
    EXPECT_EQ(f.Page(page, utf16()), 4);
    const std::int32_t second = At(page, "<a", 1);
    EXPECT_EQ(f.Records(), (std::vector<Rec>{
                               f.R(0, "img/logo.gif", "images/logo.gif", 0, 8, 14, 1),
                               f.R(0, "img/logo.gif", ":::\"_blank\"", 0, 0, 0, 0),
                               f.R(0, "gone.jpg", "", second, At(page, "\"gone"), 10, 1),  // deletion: the URL is tested
                               f.R(0, "gone.jpg", ":::\"_blank\"", second, second, 0, 0),
                           }));
}

TEST_P(AdderInPages, AMaskSeesTheReplacementNotTheUrl) {
    f.processing.targetMode = kTargetCustomMask;
    f.processing.urlMask = "images/";
    // The first URL does not match but its replacement does; the second link is left as it is.
    EXPECT_EQ(f.Page("<a href=\"img/logo.gif\">l</a><a href=\"about.htm\">x</a>", utf16()), 2);
    EXPECT_EQ(f.links[1].linkReplacement, ":::\"_blank\"");
    EXPECT_EQ(f.links[1].linkUrl, "img/logo.gif");
}

TEST_P(AdderInPages, LinksOnTheSecondPassListGetNoTarget) {
    const std::string page = "<a href=\"www.ex.com/pic.jpg\">w</a>";
    EXPECT_EQ(f.Page(page, utf16()), 1);
    EXPECT_EQ(f.links.secondPassCount(), 1);
    EXPECT_EQ(f.Records(), std::vector<Rec>{f.R(0, "www.ex.com/pic.jpg", "http://www.ex.com/pic.jpg", 0, 8, 20, 1)});
}

TEST_P(AdderInPages, ExistingTargetsAreChangedOnlyWhenAskedTo) {
    const std::string page = "<a target=\"_self\" href=\"pic.jpg\">p</a><a href=\"pic.jpg\" target=\"_blank\">q</a>";
    EXPECT_EQ(f.Page(page, utf16()), 1);
    EXPECT_EQ(f.Records(), std::vector<Rec>{f.R(0, "pic.jpg", ":::_blank", 0, At(page, "\"_self"), 7, 1)});

    ScanFixture g;
    g.processing.targetAdderEnabled = true;
    g.processing.targetMode = kTargetImageLinks;
    g.processing.modifyExistingTargets = false;
    EXPECT_EQ(g.Page(page + "<a href=\"pic.jpg\">r</a>", utf16()), 1);
    const std::int32_t third = At(page + "<a", "<a", 2);
    EXPECT_EQ(g.Records(), std::vector<Rec>{g.R(0, "pic.jpg", ":::\"_blank\"", third, third, 0, 0)});
}

TEST_P(AdderInPages, DisabledAdderAddsNothing) {
    f.processing.targetAdderEnabled = false;
    EXPECT_EQ(f.Page("<A href=\"pic.jpg\">p</A>", utf16()), 0);
}

INSTANTIATE_TEST_SUITE_P(Widths, AdderInPages, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Utf16" : "Ansi"; });

}  // namespace
}  // namespace corvane
