// Script regions of a page: collecting them, finding tags outside them, and telling commented script text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/markup_scanner.h"
#include "support/scan_fixture.h"

namespace corvane {
namespace {

using testing_support::At;

// The text of a test in 8-bit or UTF-16 form, with positions scaled to bytes.
class TextOf {
public:
    TextOf(const std::string& s, bool utf16) : w_(utf16 ? 2 : 1) {
        for (unsigned char c : s) {
            bytes_.push_back(c);
            if (utf16) bytes_.push_back(0);
        }
    }
    Text text() const {
        return MakeText(bytes_.data(), static_cast<std::int32_t>(bytes_.size()), w_ == 2 ? kEncodingUtf16LE : kEncoding8Bit);
    }
    std::int32_t operator()(std::int32_t chars) const { return chars < 0 ? chars : chars * w_; }

private:
    std::int32_t w_;
    std::vector<unsigned char> bytes_;
};

class ScriptRegionsTest : public ::testing::TestWithParam<bool> {};

TEST_P(ScriptRegionsTest, CollectsStartsAndEndsInTextOrder) {
    const std::string s = "<p><SCRIPT>a</script><Script src=x></SCRIPT><scriptx></p>";
    const TextOf t(s, GetParam());
    ScriptRegions r;
    CollectScriptRegions(t.text(), r);
    EXPECT_EQ(r.scriptStarts, (std::vector<std::int32_t>{t(3), t(At(s, "<Script")), t(At(s, "<scriptx"))}));
    EXPECT_EQ(r.scriptEnds, (std::vector<std::int32_t>{t(At(s, "</script")), t(At(s, "</SCRIPT"))}));
}

TEST_P(ScriptRegionsTest, TagsInsideARegionAreSkipped) {
    const std::string s = "<img a><script>x='<img b>'; y='<img c>';</script><img d><script><img e>";
    const TextOf t(s, GetParam());
    ScriptRegions r;
    CollectScriptRegions(t.text(), r);
    const Text text = t.text();
    EXPECT_EQ(FindTagOutsideScripts(text, r, 0, "IMG"), t(0));
    EXPECT_EQ(FindTagOutsideScripts(text, r, t(1), "IMG"), t(At(s, "<img d")));
    // The last region has no end: nothing after its start is outside.
    EXPECT_EQ(FindTagOutsideScripts(text, r, t(At(s, "<img d") + 1), "IMG"), -1);
    // The script tags themselves: a start is outside, an end is inside.
    EXPECT_EQ(FindTagOutsideScripts(text, r, 0, "SCRIPT"), t(At(s, "<script")));
    EXPECT_EQ(FindTagOutsideScripts(text, r, 0, "/SCRIPT"), -1);
    EXPECT_EQ(FindTagOutsideScripts(text, r, 0, "TABLE"), -1);
}

TEST_P(ScriptRegionsTest, EmptyListsLeaveEveryTagOutside) {
    const std::string s = "<script><img a></script>";
    const TextOf t(s, GetParam());
    const ScriptRegions none;
    EXPECT_EQ(FindTagOutsideScripts(t.text(), none, 0, "IMG"), t(At(s, "<img")));
}

TEST_P(ScriptRegionsTest, ManyRegionsAreSearchedCorrectly) {
    std::string s;
    for (int i = 0; i < 600; ++i) s += "<script>'<img in>'</script><b>";
    s += "<img out>";
    const TextOf t(s, GetParam());
    ScriptRegions r;
    CollectScriptRegions(t.text(), r);
    EXPECT_EQ(r.scriptStarts.size(), 600u);
    EXPECT_EQ(FindTagOutsideScripts(t.text(), r, 0, "IMG"), t(At(s, "<img out")));
    EXPECT_EQ(FindTagOutsideScripts(t.text(), r, t(5), "B"), t(At(s, "<b>")));
}

TEST_P(ScriptRegionsTest, CollectionStopsAtTheCapacity) {
    std::string s;
    for (int i = 0; i < 1100; ++i) s += "<script></script>";
    s += "<img x>";
    const TextOf t(s, GetParam());
    ScriptRegions r;
    CollectScriptRegions(t.text(), r);
    EXPECT_EQ(r.scriptStarts.size(), ScriptRegions::kCapacity);
    EXPECT_EQ(r.scriptEnds.size(), ScriptRegions::kCapacity);
    EXPECT_EQ(r.scriptStarts.back(), t(1023 * 17));
    // Regions beyond the capacity are not known: the tag after them counts as outside.
    EXPECT_EQ(FindTagOutsideScripts(t.text(), r, 0, "IMG"), t(At(s, "<img")));
}

INSTANTIATE_TEST_SUITE_P(Widths, ScriptRegionsTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Utf16" : "Ansi"; });

struct CommentCase {
    const char* text;
    const char* url;  // the occurrence looked at
    int occurrence;
    int expected;
};

class ScriptComments : public ::testing::TestWithParam<bool> {};

TEST_P(ScriptComments, Table) {
    const CommentCase cases[] = {
        {"a = 'http://x';", "http://x", 0, 0},
        {"// http://x", "http://x", 0, 1},
        {"a = 1; // see http://x", "http://x", 0, 1},
        {"a = 'http://x'; // http://y", "http://x", 0, 0},
        {"a = 'http://x'; // http://y", "http://y", 0, 1},
        {"// note\na = 'http://x';", "http://x", 0, 0},       // a line feed ends the walk back
        {"// note\ra = 'http://x';", "http://x", 0, 0},       // so does a carriage return
        {"/* http://x */", "http://x", 0, 1},
        {"/* c */ a = 'http://x';", "http://x", 0, 0},
        {"a = 'http://x'; /* open", "http://x", 0, 1},        // a comment that never closes follows
        {"a = 'http://x'; /* c */", "http://x", 0, 0},
        {"a = 'http://x'; */", "http://x", 0, 1},             // only a close follows
        {"/* a */ /* b http://x */ c", "http://x", 0, 1},
        {"a = 'http://x'; /* c */\nb = 'http://y';", "http://y", 0, 0},
        {"a = ['http://x', 'http://y'];", "http://y", 0, 1},  // any "//" earlier on the line counts
        {"a = 'x/ /http://y'", "http://y", 0, 0},            // the two slashes must touch
    };
    for (const CommentCase& c : cases) {
        const TextOf t(c.text, GetParam());
        EXPECT_EQ(IsInScriptComment(t.text(), t(At(c.text, c.url, c.occurrence))), c.expected) << c.text;
    }
}

TEST_P(ScriptComments, PositionsAtTheEdgesOfTheText) {
    const TextOf t("//", GetParam());
    EXPECT_EQ(IsInScriptComment(t.text(), 0), 0);
    EXPECT_EQ(IsInScriptComment(t.text(), t(2)), 1);
    EXPECT_EQ(IsInScriptComment(t.text(), t(50)), 1);  // beyond the end: the walk starts at the last character
    const TextOf empty("", GetParam());
    EXPECT_EQ(IsInScriptComment(empty.text(), 0), 0);
}

INSTANTIATE_TEST_SUITE_P(Widths, ScriptComments, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Utf16" : "Ansi"; });

}  // namespace
}  // namespace corvane
