// Replacement search: the saved-from-url table, the search by file name and the queuing of changes.
#include "engine/replacement_search.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "support/url_engine_fixture.h"

namespace corvane {
namespace {

using testing_support::EngineFixture;

void AddRows(FileList& files, std::initializer_list<const char*> paths) {
    for (const char* p : paths) files.Append(p);
}

TEST(SavedFromTable, FirstEntryWithTheAddressWinsIgnoringCase) {
    SavedFromTable t;
    EXPECT_EQ(t.FindSavedFromUrl("http://a/"), -1);
    t.Add("http://www.example.org/page.htm", 4);
    t.Add("http://www.example.org/other.htm", 2);
    t.Add("HTTP://WWW.EXAMPLE.ORG/page.htm", 1);
    EXPECT_EQ(t.savedFromCount(), 3);
    EXPECT_EQ(t.FindSavedFromUrl("http://www.Example.org/PAGE.htm"), 4);
    EXPECT_EQ(t.FindSavedFromUrl("http://www.example.org/other.htm"), 2);
    EXPECT_EQ(t.FindSavedFromUrl("http://www.example.org/page.htm/"), -1);
    t.Clear();
    EXPECT_EQ(t.savedFromCount(), 0);
    EXPECT_EQ(t.FindSavedFromUrl("http://www.example.org/page.htm"), -1);
}

TEST(FindByFileName, InternetUrlPrefersTheLongestCommonEnding) {
    FileList files;
    AddRows(files, {"C:\\site\\index.htm", "C:\\site\\img\\logo.gif", "C:\\site\\docs\\img\\logo.gif"});
    EXPECT_EQ(FindByFileName(files, "http://www.example.org/docs/img/logo.gif", 0), 2);
    EXPECT_TRUE(files.referenced(2));
    EXPECT_FALSE(files.referenced(1));
}

TEST(FindByFileName, InternetUrlFirstOfEqualRowsWins) {
    FileList files;
    AddRows(files, {"C:\\site\\a\\logo.gif", "C:\\site\\b\\logo.gif"});
    EXPECT_EQ(FindByFileName(files, "http://www.example.org/x/logo.gif", 0), 0);
}

TEST(FindByFileName, InternetUrlEndingComparesLetterCase) {
    FileList files;
    AddRows(files, {"C:\\site\\LOGO.GIF"});
    // The name matches ignoring case, but not one character of the ending is equal.
    EXPECT_EQ(FindByFileName(files, "http://www.example.org/logo.gif", 0), -1);
    EXPECT_FALSE(files.referenced(0));
}

TEST(FindByFileName, LocalPathPrefersTheFewestBackslashes) {
    FileList files;
    AddRows(files, {"C:\\site\\pic.jpg", "C:\\site\\pages\\pic.jpg", "C:\\site\\other\\pic.jpg"});
    EXPECT_EQ(FindByFileName(files, "C:\\site\\pages\\x\\pic.jpg", 0), 1);
    EXPECT_TRUE(files.referenced(1));
    EXPECT_FALSE(files.referenced(0));
}

TEST(FindByFileName, LocalPathFirstOfEqualDistanceWins) {
    FileList files;
    AddRows(files, {"C:\\site\\a\\pic.jpg", "C:\\site\\b\\PIC.JPG"});
    EXPECT_EQ(FindByFileName(files, "C:\\site\\c\\pic.jpg", 0), 0);
}

TEST(FindByFileName, LocalPathPrefersTheMostSharedTrailingFolders) {
    const struct {
        const char* name;
        const char* target;
        std::initializer_list<const char*> rows;
        std::int32_t chosen;
    } cases[] = {
        {"pictures moved down", "C:\\site\\images\\a.png", {"C:\\site\\a.png", "C:\\site\\media\\images\\a.png"}, 1},
        {"section moved down, beside another language's copy", "C:\\site\\da\\mod\\x.html",
         {"C:\\site\\de\\mod\\x.html", "C:\\site\\part\\da\\mod\\x.html"}, 1},
        {"folder names ignore case", "C:\\site\\Images\\a.png", {"C:\\site\\a.png", "C:\\site\\new\\IMAGES\\a.png"}, 1},
        {"only the folders next to the name count", "C:\\site\\img\\old\\a.png",
         {"C:\\site\\img\\new\\a.png", "C:\\site\\x\\y\\old\\a.png"}, 1},
        {"equal folders: the nearest", "C:\\site\\x\\img\\a.png", {"C:\\site\\b\\c\\img\\a.png", "C:\\site\\b\\img\\a.png"}, 1},
        {"equal folders and distance: the first", "C:\\site\\x\\img\\a.png",
         {"C:\\site\\b\\img\\a.png", "C:\\site\\c\\img\\a.png"}, 0},
        {"a single candidate", "C:\\site\\images\\a.png", {"D:\\other\\a.png"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FileList files;
        AddRows(files, c.rows);
        EXPECT_EQ(FindByFileName(files, c.target, 0), c.chosen);
        EXPECT_TRUE(files.referenced(c.chosen));
    }
}

TEST(FindByFileName, FindsNothingWithoutAMatchingName) {
    const struct {
        const char* target;
    } cases[] = {{"C:\\site\\missing.htm"}, {"C:\\site\\sub\\"}, {"http://www.example.org/"}, {""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        FileList files;
        AddRows(files, {"C:\\site\\a.htm", "C:\\site\\sub\\b.htm"});
        EXPECT_EQ(FindByFileName(files, c.target, 0), -1);
        EXPECT_FALSE(files.referenced(0));
        EXPECT_FALSE(files.referenced(1));
    }
}

TEST(FindByFileName, StartsAtFirstRow) {
    FileList files;
    AddRows(files, {"C:\\site\\a.htm", "C:\\site\\x\\a.htm"});
    EXPECT_EQ(FindByFileName(files, "C:\\site\\b\\a.htm", 1), 1);
}

// QueueReplacement: the value stands at the start of the page text given; the page's own row is 0.
struct QueueCase {
    const char* name;
    const char* pageRow;
    const char* candidatePath;  // nullptr: a deletion
    const char* valueText;      // text at valuePos
    bool isAttributeValue;
    bool makeRelative;
    bool baseUrlForm;           // absolute through the base URL
    const char* baseUrl;
    const char* url;
    const char* fragment;
    const char* replacement;    // expected; nullptr: no record
};

TEST(QueueReplacement, BuildsTheReplacementInTheChosenForm) {
    const QueueCase cases[] = {
        {"relative", "C:\\site\\index.htm", "C:\\site\\images\\logo.gif", "\"img/logo.gif\"", true, true, false, "",
         "img/logo.gif", "", "images/logo.gif"},
        {"relative up", "C:\\site\\sub\\page.htm", "C:\\site\\my page.htm", "\"x.htm\"", true, true, false, "", "x.htm", "",
         "../my%20page.htm"},
        {"blank, unquoted attribute", "C:\\site\\sub\\page.htm", "C:\\site\\my page.htm", "x.htm>", true, true, false, "",
         "x.htm", "", "\"../my%20page.htm\""},
        {"blank, single quote", "C:\\site\\sub\\page.htm", "C:\\site\\my page.htm", "'x.htm'", true, true, false, "",
         "x.htm", "", "../my%20page.htm"},
        {"blank, escaped quote", "C:\\site\\sub\\page.htm", "C:\\site\\my page.htm", "\\\"x.htm\\\"", true, true, false,
         "", "x.htm", "", "../my%20page.htm"},
        {"blank, parenthesis", "C:\\site\\sub\\page.htm", "C:\\site\\my page.htm", "(x.htm)", true, true, false, "",
         "x.htm", "", "../my%20page.htm"},
        {"blank, script text", "C:\\site\\sub\\page.htm", "C:\\site\\my page.htm", "x.htm ", false, true, false, "",
         "x.htm", "", "../my%20page.htm"},
        {"no blank, unquoted", "C:\\site\\sub\\page.htm", "C:\\site\\a.htm", "x.htm>", true, true, false, "", "x.htm", "",
         "../a.htm"},
        {"fragment kept", "C:\\site\\index.htm", "C:\\site\\b.htm", "\"a.htm#top\"", true, true, false, "", "a.htm", "#top",
         "b.htm#top"},
        {"absolute", "C:\\site\\index.htm", "C:\\site\\a.htm", "\"x.htm\"", true, false, false, "", "x.htm", "",
         "file:///C|/site/a.htm"},
        {"absolute with blank", "C:\\site\\index.htm", "C:\\site\\my page.htm", "x.htm>", true, false, false, "", "x.htm",
         "#p", "\"file:///C|/site/my%20page.htm#p\""},
        {"base URL", "C:\\site\\index.htm", "C:\\site\\sub\\a.htm", "\"x.htm\"", true, false, true,
         "http://www.example.org/site", "x.htm", "#f", "http://www.example.org/site/sub/a.htm#f"},
        {"base URL with slash", "C:\\site\\index.htm", "C:\\site\\a.htm", "\"x.htm\"", true, false, true,
         "http://www.example.org/", "x.htm", "", "http://www.example.org/a.htm"},
        {"base URL with port", "C:\\site\\index.htm", "C:\\site\\a.htm", "\"x.htm\"", true, false, true,
         "http://www.example.org:8080/s", "x.htm", "", "http://www.example.org:8080/s/a.htm"},
        {"base URL, other drive", "C:\\site\\index.htm", "D:\\x.htm", "\"x.htm\"", true, false, true,
         "http://www.example.org", "x.htm", "", "file:///D|/x.htm"},
        {"delete, unquoted attribute", "C:\\site\\index.htm", nullptr, "x.htm>", true, true, false, "", "x.htm", "", "\"\""},
        {"delete, quoted", "C:\\site\\index.htm", nullptr, "\"x.htm\"", true, true, false, "", "x.htm", "", ""},
        {"delete, single quoted", "C:\\site\\index.htm", nullptr, "'x.htm'", true, true, false, "", "x.htm", "", ""},
        {"delete, escaped quote", "C:\\site\\index.htm", nullptr, "\\'x.htm\\'", true, true, false, "", "x.htm", "", ""},
        {"delete, parenthesis", "C:\\site\\index.htm", nullptr, "(x.htm)", true, true, false, "", "x.htm", "", "\"\""},
        {"delete, script text", "C:\\site\\index.htm", nullptr, "x.htm ", false, true, false, "", "x.htm", "", ""},
        {"lone backslash", "C:\\site\\index.htm", nullptr, "\\x.htm", true, true, false, "", "x.htm", "", "\"\""},
        {"same but letter case", "C:\\site\\index.htm", "C:\\site\\A.htm", "\"a.HTM\"", true, true, false, "", "a.HTM", "",
         nullptr},
        {"same with fragment", "C:\\site\\index.htm", "C:\\site\\a.htm", "\"a.htm#x\"", true, true, false, "", "a.htm",
         "#x", nullptr},
    };
    for (const QueueCase& c : cases) {
        SCOPED_TRACE(c.name);
        EngineFixture f;
        f.files.Append(c.pageRow);
        std::int32_t candidate = -1;
        if (c.candidatePath) {
            f.files.Append(c.candidatePath);
            candidate = 1;
        }
        f.processing.makeRelative = c.makeRelative;
        f.processing.useBaseUrlFromStep3 = c.baseUrlForm;
        f.search.searchBaseUrl = c.baseUrlForm;
        f.search.baseUrl = c.baseUrl;
        f.ctx.rootPath = "C:\\site\\";
        f.SetPage(c.valueText);
        const int r = QueueReplacement(f.ctx, f.text(), 0, 7, 0, candidate, c.url, c.fragment, c.isAttributeValue);
        if (!c.replacement) {
            EXPECT_EQ(r, 0);
            EXPECT_EQ(f.links.linkCount(), 0);
            EXPECT_TRUE(f.links.Pending().linkUrl.empty());
            EXPECT_TRUE(f.links.Pending().linkReplacement.empty());
            continue;
        }
        ASSERT_EQ(r, 1);
        ASSERT_EQ(f.links.linkCount(), 1);
        const LinkRecord& rec = f.links[0];
        EXPECT_EQ(rec.linkReplacement, c.replacement);
        EXPECT_EQ(rec.linkUrl, std::string(c.url) + c.fragment);
        EXPECT_EQ(rec.linkFile, 0u);
        EXPECT_EQ(rec.linkTagPos, 7);
        EXPECT_EQ(rec.linkValuePos, 0);
    }
}

TEST(QueueReplacement, BaseUrlFormNeedsBothOptions) {
    for (int which = 0; which < 2; ++which) {
        EngineFixture f;
        AddRows(f.files, {"C:\\site\\index.htm", "C:\\site\\a.htm"});
        f.processing.makeRelative = false;
        f.processing.useBaseUrlFromStep3 = which == 0;
        f.search.searchBaseUrl = which == 1;
        f.search.baseUrl = "http://www.example.org";
        f.ctx.rootPath = "C:\\site\\";
        f.SetPage("\"x.htm\"");
        ASSERT_EQ(QueueReplacement(f.ctx, f.text(), 0, 0, 0, 1, "x.htm", "", true), 1);
        EXPECT_EQ(f.links[0].linkReplacement, "file:///C|/site/a.htm");
    }
}

TEST(QueueReplacement, CanonicalisesWhateverTheOptionSays) {
    EngineFixture f;
    AddRows(f.files, {"C:\\site\\index.htm", "C:\\site\\a~b.htm"});
    f.processing.canonicalize = false;
    f.SetPage("\"x.htm\"");
    ASSERT_EQ(QueueReplacement(f.ctx, f.text(), 0, 0, 0, 1, "x.htm", "", true), 1);
    EXPECT_EQ(f.links[0].linkReplacement, "a%7Eb.htm");
}

TEST(QueueReplacement, ReadsTheDelimiterOfUtf16Text) {
    for (const char* value : {"\"x.htm\"", "\\\"x.htm\\\"", "x.htm>"}) {
        SCOPED_TRACE(value);
        EngineFixture f;
        f.files.Append("C:\\site\\index.htm");
        f.SetPage(std::string("<a href=") + value, true);
        const std::int32_t pos = f.After("href=");
        ASSERT_EQ(QueueReplacement(f.ctx, f.text(), 0, 0, pos, -1, "x.htm", "", true), 1);
        EXPECT_EQ(f.links[0].linkReplacement, value[0] == 'x' ? "\"\"" : "");
        EXPECT_EQ(f.links[0].linkValuePos, pos);
    }
}

TEST(QueueReplacement, FollowsEarlierRecords) {
    EngineFixture f;
    AddRows(f.files, {"C:\\site\\index.htm", "C:\\site\\a.htm"});
    f.SetPage("\"x.htm\"");
    EXPECT_EQ(QueueReplacement(f.ctx, f.text(), 0, 0, 0, 1, "x.htm", "", true), 1);
    EXPECT_EQ(QueueReplacement(f.ctx, f.text(), 0, 0, 0, 1, "a.htm", "", true), 0);
    EXPECT_EQ(QueueReplacement(f.ctx, f.text(), 0, 0, 0, -1, "y.htm", "", true), 1);
    ASSERT_EQ(f.links.linkCount(), 2);
    EXPECT_EQ(f.links[0].linkUrl, "x.htm");
    EXPECT_EQ(f.links[1].linkUrl, "y.htm");
    EXPECT_EQ(f.links[1].linkReplacement, "");
}

}  // namespace
}  // namespace corvane
