// URL text operations: decoding, canonical form, fragments, separators, path splitting, relative paths.
#include "engine/url_text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace corvane {
namespace {

struct TextCase {
    const char* in;
    const char* out;
    int count;
};

TEST(EntityTable, HoldsTheFourMarkupEntitiesThenLatin1InCodeOrder) {
    EXPECT_STREQ(EntityTable[0].name, "&quot;");
    EXPECT_EQ(EntityTable[0].code, 34);
    EXPECT_STREQ(EntityTable[1].name, "&amp;");
    EXPECT_EQ(EntityTable[1].code, 38);
    EXPECT_STREQ(EntityTable[2].name, "&lt;");
    EXPECT_EQ(EntityTable[2].code, 60);
    EXPECT_STREQ(EntityTable[3].name, "&gt;");
    EXPECT_EQ(EntityTable[3].code, 62);
    for (int i = 4; i < kEntityCount; ++i) {
        SCOPED_TRACE(EntityTable[i].name);
        EXPECT_EQ(EntityTable[i].code, 160 + (i - 4));
        const std::size_t len = std::strlen(EntityTable[i].name);
        ASSERT_GE(len, 3u);
        EXPECT_EQ(EntityTable[i].name[0], '&');
        EXPECT_EQ(EntityTable[i].name[len - 1], ';');
    }
    EXPECT_STREQ(EntityTable[4].name, "&nbsp;");
    EXPECT_STREQ(EntityTable[4 + 233 - 160].name, "&eacute;");
    EXPECT_STREQ(EntityTable[kEntityCount - 1].name, "&yuml;");
}

TEST(DecodeUrl, DecodesEscapesAndReferences) {
    const TextCase cases[] = {
        {"caf&eacute;", "caf\xC3\xA9", 1},  // references come out as UTF-8
        {"&Eacute;", "\xC3\x89", 1},
        {"&EACUTE;", "&EACUTE;", 0},  // references are matched with their exact letter case
        {"&foo;", "&foo;", 0},
        {"100%", "100%", 0},
        {"%4", "%4", 0},
        {"a%zzb", "a%zzb", 0},
        {"a%20b%2fc", "a b/c", 2},
        {"%41%", "A%", 1},
        {"&amp;&lt;&gt;&quot;", "&<>\"", 4},
        {"&nbsp;x&yuml;", "\xC2\xA0x\xC3\xBF", 2},
        {"&amp", "&amp", 0},
        {"plain/path.htm", "plain/path.htm", 0},
        {"", "", 0},
        // A NUL would cut the URL short further on; its escape is left as written.
        {"a%00b", "a%00b", 0},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.in);
        std::string out = "junk";
        EXPECT_EQ(DecodeUrl(c.in, &out), c.count);
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(DecodeUrl(c.in, nullptr), c.count);
    }
}

TEST(CanonicalizeUrl, EscapesUnsafeCharactersOnly) {
    const TextCase cases[] = {
        {"a%2Gb", "a%252Gb", 1},
        {"x~y", "x%7Ey", 1},
        {"", "", 0},
        {"a b.htm", "a%20b.htm", 1},
        {"a%20b.htm", "a%20b.htm", 0},
        {"%4a%4A", "%4a%4A", 0},
        {"100%", "100%25", 1},
        {"%", "%25", 1},
        {"%4", "%254", 1},
        {"<>\"{}\\^[]'", "%3C%3E%22%7B%7D%5C%5E%5B%5D%27", 10},
        {"\x01\x1F\x7F", "%01%1F%7F", 3},
        {"\xE9#|?&=/:;", "\xE9#|?&=/:;", 0},
        {"http://www.example.org/a b/c.htm#x y", "http://www.example.org/a%20b/c.htm#x%20y", 2},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.in);
        std::string out = "junk";
        EXPECT_EQ(CanonicalizeUrl(c.in, &out), c.count);
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(CanonicalizeUrl(c.in, nullptr), c.count);
    }
}

TEST(CanonicalizeUrl, OfItsOwnResultChangesNothing) {
    std::string once;
    CanonicalizeUrl("a b%zz~\"x\"", &once);
    std::string twice;
    EXPECT_EQ(CanonicalizeUrl(once, &twice), 0);
    EXPECT_EQ(twice, once);
}

TEST(SplitFragment, SplitsAtTheFirstHashOnly) {
    struct Case {
        const char* in;
        const char* base;
        const char* fragment;
    } cases[] = {
        {"x.htm#top", "x.htm", "#top"},
        {"x.htm", "x.htm", ""},
        {"x.htm?a=1#b#c", "x.htm?a=1", "#b#c"},
        {"#only", "", "#only"},
        {"a?b", "a?b", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        std::string base = "junk", fragment = "junk";
        SplitFragment(c.in, &base, &fragment);
        EXPECT_EQ(base, c.base);
        EXPECT_EQ(fragment, c.fragment);
        std::string onlyBase;
        SplitFragment(c.in, &onlyBase, nullptr);
        EXPECT_EQ(onlyBase, c.base);
    }
}

TEST(SplitFragment, MayWriteIntoItsInput) {
    std::string s = "page.htm#part";
    std::string fragment;
    SplitFragment(s, &s, &fragment);
    EXPECT_EQ(s, "page.htm");
    EXPECT_EQ(fragment, "#part");
}

TEST(ConvertSeparators, ConvertsBetweenPathAndUrlForm) {
    struct Case {
        const char* in;
        bool toUrl;
        const char* out;
    } cases[] = {
        {"file:///C:\\site\\a.htm", true, "file:///C|/site/a.htm"},
        {"C|/site/a.htm", false, "C:\\site\\a.htm"},
        {"C:\\site\\a.htm", true, "C:/site/a.htm"},  // the drive colon stands before the start
        {"C:/site/a.htm", false, "C:\\site\\a.htm"},
        {"a\\b.htm#x\\y", true, "a/b.htm#x\\y"},
        {"a/b.htm?p=c/d", false, "a\\b.htm?p=c/d"},
        {"a/b?c/d#e/f", false, "a\\b?c/d#e/f"},  // whichever of '?' and '#' comes first ends the path
        {"a/b#c/d?e/f", false, "a\\b#c/d?e/f"},
        {"http://h/a/b", false, "http://h\\a\\b"},
        {"", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        std::string s = c.in;
        ConvertSeparators(s, c.toUrl);
        EXPECT_EQ(s, c.out);
    }
}

// A page's folder converted once, and each URL after it on its own, give what the whole path gives.
TEST(ConvertSeparators, AHeadThatConvertsApartGivesTheWholeConversion) {
    const struct {
        const char* head;
        bool apart;
    } heads[] = {{"C:\\site\\sub\\", true},  {"C:\\site/sub|x\\", true}, {"file:///C|/site\\", true},
                 {"C:\\site#1\\", false},     {"C:\\a?b\\", false},     {"\\\\server\\site\\", false},
                 {"C:\\site\\sub/", false},   {"C:\\site", false},        {"", false}};
    const char* const rests[] = {"a/b.htm", "/x:/y", "a|b/c?d/e", "d:\\x/y", "../a#b/c", ""};
    for (const auto& h : heads) {
        SCOPED_TRACE(h.head);
        EXPECT_EQ(ConvertsApart(h.head), h.apart);
        if (!h.apart) continue;
        for (const char* rest : rests) {
            std::string whole = std::string(h.head) + rest;
            ConvertSeparators(whole, false);
            std::string apart = h.head;
            ConvertSeparators(apart, false);
            const std::size_t from = apart.size();
            apart += rest;
            ConvertSeparatorsFrom(apart, from, false);
            EXPECT_EQ(apart, whole) << rest;
        }
    }
}

TEST(SplitPath, SplitsAtTheLastSeparator) {
    struct Case {
        const char* path;
        const char* folder;
        const char* nameExt;
        const char* name;
        const char* ext;
    } cases[] = {
        {"C:\\site\\a.htm", "C:\\site", "a.htm", "a", "htm"},
        {"C:\\a.htm", "C:\\", "a.htm", "a", "htm"},
        {"a.tar.gz", "", "a.tar.gz", "a.tar", "gz"},
        {"C:\\dir.x\\file", "C:\\dir.x", "file", "file", ""},
        {"http://h/p/a.gif", "http://h/p", "a.gif", "a", "gif"},
        {"C:\\x/y\\z.htm", "C:\\x/y", "z.htm", "z", "htm"},  // a backslash is preferred to a later slash
        {"C:\\x\\y/z.htm", "C:\\x", "y/z.htm", "y/z", "htm"},
        {"C:\\site\\", "C:\\site", "", "", ""},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string folder = "j", nameExt = "j", name = "j", ext = "j";
        SplitPath(c.path, &folder, &nameExt, &name, &ext);
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(nameExt, c.nameExt);
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(ext, c.ext);
        std::string onlyExt;
        SplitPath(c.path, nullptr, nullptr, nullptr, &onlyExt);
        EXPECT_EQ(onlyExt, c.ext);
        std::string same = c.path;  // the path may be one of the parts asked for
        SplitPath(same, &same, nullptr, nullptr, nullptr);
        EXPECT_EQ(same, c.folder);
    }
}

TEST(MakeRelative, BuildsTheTargetRelativeToTheFolderOfFrom) {
    struct Case {
        const char* from;
        const char* target;
        bool toUrl;
        const char* out;
    } cases[] = {
        {"C:\\site\\a\\x.htm", "C:\\site\\b\\y.htm", true, "../b/y.htm"},
        {"C:\\site\\a\\x.htm", "C:\\site\\a\\z.htm", true, "z.htm"},
        {"C:\\site\\a\\x.htm", "C:\\site\\ab\\y.htm", true, "../ab/y.htm"},
        {"C:\\site\\a\\x.htm", "D:\\y.htm", true, "file:///D|/y.htm"},
        {"C:\\site\\a\\x.htm", "C:\\site\\b\\y.htm", false, "..\\b\\y.htm"},
        {"C:\\site\\a\\x.htm", "D:\\y.htm", false, "D:\\y.htm"},
        {"C:\\site\\pages\\x\\pic.jpg", "C:\\site\\pic.jpg", false, "..\\..\\pic.jpg"},
        {"C:\\site\\pages\\x\\pic.jpg", "C:\\site\\pages\\pic.jpg", false, "..\\pic.jpg"},
        {"c:\\SITE\\a\\x.htm", "C:\\site\\a\\sub\\z.htm", true, "sub/z.htm"},
        {"C:\\site\\", "C:\\site\\sub\\a.htm", true, "sub/a.htm"},
        {"C:\\x.htm", "C:\\site\\a.htm", true, "site/a.htm"},
        {"C:\\site\\index.htm", "C:\\site\\my page.htm", true, "my page.htm"},
        {"C:\\site\\a\\x.htm", "\"C:\\site\\b\\y.htm\"", true, "\"../b/y.htm\""},
        // A file URL names the same drive as the path of the page.
        {"C:\\site\\a\\x.htm", "file:///C|/site/b/y.htm", true, "../b/y.htm"},
        {"C:\\site\\", "file:///c|/SITE/sub/a.htm", true, "sub/a.htm"},
        {"C:\\site\\a\\x.htm", "file:///D|/y.htm", true, "file:///D|/y.htm"},
        {"C:\\site\\a\\x.htm", "file:///D|/y.htm", false, "D:\\y.htm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.target);
        EXPECT_EQ(MakeRelative(c.from, c.target, c.toUrl), c.out);
    }
}

TEST(CaseFolding, PrefixesAndMalformedBytes) {
    EXPECT_TRUE(StartsWithNoCase("JavaScript:void(0)", "javascript:"));
    EXPECT_FALSE(StartsWithNoCase("java", "javascript:"));
    EXPECT_TRUE(StartsWithNoCase("anything", ""));
    EXPECT_TRUE(EqualsNoCase("Images/Logo.GIF", "images/logo.gif"));
    EXPECT_FALSE(EqualsNoCase("\xE9", "\xC9"));  // no UTF-8: compared byte for byte
    EXPECT_FALSE(EqualsNoCase("a", "ab"));
    EXPECT_EQ(FoldCase("abcZ\xE9[`{"), "ABCZ\xE9[`{");
}

}  // namespace
}  // namespace corvane
