// Text search primitives: every case runs over 8-bit text and over the same text as UTF-16.
#include "engine/text_search.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

#include "engine/find_byte.h"
#include "platform/ansi_code_page.h"

namespace corvane {
namespace {

// Windows-1252 test text as UTF-16 little-endian bytes.
std::string Widen(const std::string& ansi) {
    std::string bytes;
    for (char16_t u : Windows1252CodePage().ToUtf16(ansi)) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

std::string Units(std::initializer_list<std::uint16_t> units) {
    std::string bytes;
    for (std::uint16_t u : units) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

// A test text in one encoding; positions in the tables are characters, converted here to bytes.
class Doc {
public:
    Doc(const std::string& ansi, std::uint8_t encoding)
        : bytes_(encoding == 0 ? ansi : Widen(ansi)),
          text_(MakeText(bytes_.data(), static_cast<std::int32_t>(bytes_.size()), encoding)) {}
    const Text& text() const { return text_; }
    std::int32_t pos(std::int32_t chars) const { return chars < 0 ? chars : chars * text_.width(); }

private:
    std::string bytes_;
    Text text_;
};

class TextSearch : public ::testing::TestWithParam<std::uint8_t> {
protected:
    Doc D(const std::string& ansi) const { return Doc(ansi, GetParam()); }
};

std::string EncodingName(const ::testing::TestParamInfo<std::uint8_t>& info) {
    return info.param == 0 ? "Ansi" : info.param == 1 ? "Utf16LE" : "Utf16SwappedBE";
}

INSTANTIATE_TEST_SUITE_P(Encodings, TextSearch, ::testing::Values(0, 1, 2), EncodingName);

// ---- Text model ----

// Runs of every length around the sixteen bytes taken at once, the byte sought at every place or none.
TEST(FindByte, FindsWhatMemchrFinds) {
    unsigned char run[48];
    for (std::size_t n = 0; n <= sizeof run; ++n) {
        for (std::size_t at = 0; at <= n; ++at) {
            for (std::size_t i = 0; i < sizeof run; ++i) run[i] = static_cast<unsigned char>('a' + i % 7);
            if (at < n) run[at] = 0xFC;
            if (at + 3 < n) run[at + 3] = 0xFC;  // a later one is not the first
            EXPECT_EQ(FindByte(run, 0xFC, n), std::memchr(run, 0xFC, n)) << n << " " << at;
        }
    }
}

// The same runs, with "On" planted: found in either case, never half of it at the run's end.
TEST(FindByte, FindLetterPairFindsThePairInEitherCase) {
    unsigned char run[48];
    for (std::size_t n = 0; n <= sizeof run; ++n) {
        for (std::size_t at = 0; at + 2 <= sizeof run; ++at) {
            for (std::size_t i = 0; i < sizeof run; ++i) run[i] = i % 2 ? 'N' : 'x';
            run[at] = 'O';
            run[at + 1] = 'n';
            EXPECT_EQ(FindLetterPair(run, 'o', 'n', n), at + 2 <= n ? run + at : nullptr) << n << " " << at;
        }
    }
}

TEST(TextModel, WidthFollowsEncoding) {
    EXPECT_EQ(MakeText("ab", 2, 0).width(), 1);
    EXPECT_EQ(MakeText("ab", 2, 1).width(), 2);
    EXPECT_EQ(MakeText("ab", 2, 2).width(), 2);
}

TEST(TextModel, MissingOrNegativeBufferIsEmpty) {
    EXPECT_EQ(MakeText(nullptr, 10, 0).size, 0);
    EXPECT_EQ(MakeText("abc", -3, 0).size, 0);
    EXPECT_EQ(CharAt(MakeText(nullptr, 10, 1), 0), 0);
    EXPECT_EQ(FindTag(MakeText(nullptr, 10, 0), "", 0), -1);
}

TEST(TextModel, CharAtOfAnsiTextIsTheByte) {
    const std::string s = "a\xE9<";
    const Text t = MakeText(s.data(), 3, 0);
    EXPECT_EQ(CharAt(t, 0), 'a');
    EXPECT_EQ(CharAt(t, 1), 0xE9);
    EXPECT_EQ(CharAt(t, 2), '<');
    EXPECT_EQ(CharAt(t, 3), 0);
    EXPECT_EQ(CharAt(t, -1), 0);
}

TEST(TextModel, CharAtOfUtf16IsAsciiOrAPlaceholder) {
    // 'a', e acute, euro sign, a CJK ideograph, a full-width '<'.
    const std::string s = Units({0x0061, 0x00E9, 0x20AC, 0x4E00, 0xFF1C});
    const Text t = MakeText(s.data(), static_cast<std::int32_t>(s.size()), 1);
    EXPECT_EQ(CharAt(t, 0), 'a');
    EXPECT_EQ(CharAt(t, 2), '_');
    EXPECT_EQ(CharAt(t, 4), '_');
    EXPECT_EQ(CharAt(t, 6), '_');
    EXPECT_EQ(CharAt(t, 8), '_');  // never markup, whatever best fit the system offers
    EXPECT_EQ(CharAt(t, 10), 0);
}

TEST(TextModel, OddTrailingByteOfUtf16IsNoCharacter) {
    const std::string s = Units({'a', 'b'}) + "c";
    const Text t = MakeText(s.data(), static_cast<std::int32_t>(s.size()), 1);
    EXPECT_EQ(CharAt(t, 2), 'b');
    EXPECT_EQ(CharAt(t, 4), 0);
    EXPECT_EQ(FindTag(t, "", 4), -1);
}

// ---- FindTag ----

struct TagCase {
    const char* text;
    const char* name;
    std::int32_t from;  // characters
    std::int32_t found;  // characters, -1 none
};

TEST_P(TextSearch, FindTag) {
    const TagCase cases[] = {
        {"<p><AREA href=x>", "A", 0, 3},
        {"<ABBR title=y>", "a", 0, 0},
        {"x <FRAMESET rows=2>", "FRAME", 0, 2},
        {"<frame>", "FRAMESET", 0, -1},
        {"a < b <i>", "", 0, 2},
        {"<b><i>", "I", 1, 3},
        {"<b><i>", "b", 1, -1},
        {"</SCRIPT>", "/script", 0, 0},
        {"text <scr", "SCRIPT", 0, -1},  // the name would run past the end
        {"x<", "", 0, 1},
        {"<a>", "a", 3, -1},
        {"<a>", "a", 99, -1},
        {"<a>", "a", -1, -1},
        {"", "", 0, -1},
    };
    for (const TagCase& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.name);
        const Doc d = D(c.text);
        EXPECT_EQ(FindTag(d.text(), c.name, d.pos(c.from)), d.pos(c.found));
        Text indexed = d.text();
        const TagOpenings openings(indexed);
        indexed.openings = &openings;
        EXPECT_EQ(FindTag(indexed, c.name, d.pos(c.from)), d.pos(c.found)) << "with the openings found first";
    }
}

// Past the places kept, and back again, the openings answer as the text itself does.
TEST_P(TextSearch, FindTagWithTheOpeningsOfAPageOfManyTags) {
    const std::int32_t tags = static_cast<std::int32_t>(TagOpenings::kMaxKept) + 10;
    std::string page;
    for (std::int32_t i = 0; i < tags; ++i) page += i % 1000 == 999 ? "<b>" : "<i>";
    page += "<u>";
    const Doc d = D(page);
    Text indexed = d.text();
    const TagOpenings openings(indexed);
    indexed.openings = &openings;
    for (const char* name : {"U", "B", "", "X"})
        for (std::int32_t tag : {0, 998, tags - 12, tags - 3, 1, tags, tags + 1, 5})
            EXPECT_EQ(FindTag(indexed, name, d.pos(3 * tag + 1)), FindTag(d.text(), name, d.pos(3 * tag + 1)))
                << name << " from tag " << tag;
}

// ---- SkipToTagEnd ----

TEST_P(TextSearch, SkipToTagEnd) {
    struct Case {
        const char* text;
        std::int32_t from, result;
    } cases[] = {
        {"<a href=x>z", 0, 10},
        {"<a onclick=\"if (a>=b) go()\">z", 0, 28},  // a comparison does not end the tag
        {"<br>\r\n\tX", 0, 7},
        {"<br>", 0, -1},
        {"<br>\r\n", 0, -1},
        {"<br", 0, -1},
        {"<a>=", 0, -1},
        {"<a>b<c>d", 3, 7},
        {"<a>b", 4, -1},
        {"<a>b", -2, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Doc d = D(c.text);
        EXPECT_EQ(SkipToTagEnd(d.text(), d.pos(c.from)), d.pos(c.result));
    }
}

// ---- FindText ----

struct FindCase {
    const char* text;
    std::int32_t end;  // characters; -1 the whole text
    const char* needle;
    std::int32_t from;
    int scope;
    std::int32_t found;
};

TEST_P(TextSearch, FindTextStopsWhereTheScopeEnds) {
    const FindCase cases[] = {
        {"go HTTP://x", -1, "http://", 0, kScopeAll, 3},
        {"aab", -1, "ab", 0, kScopeAll, 1},
        {"<<>>\"' \\\" http", -1, "HTTP", 0, kScopeAll, 10},
        // scope 0: '<' ends it, "<=" does not
        {"x <b> http", -1, "http", 0, kScopeTagOpen, -1},
        {"x <= y http", -1, "http", 0, kScopeTagOpen, 7},
        {"x > y http", -1, "http", 0, kScopeTagOpen, 6},
        // scope 1: '>' ends it, ">=" does not
        {"x > http", -1, "http", 0, kScopeTagClose, -1},
        {"x >= http", -1, "http", 0, kScopeTagClose, 5},
        {"x < http", -1, "http", 0, kScopeTagClose, 4},
        // scope 3 and 4: the matching quote ends it
        {"a\" http", -1, "http", 0, kScopeDoubleQuote, -1},
        {"a' http", -1, "http", 0, kScopeDoubleQuote, 3},
        {"a' http", -1, "http", 0, kScopeSingleQuote, -1},
        {"a\" http", -1, "http", 0, kScopeSingleQuote, 3},
        // scope 5 and 6: a backslash with the matching quote ends it, a bare quote does not
        {"a\\\" http", -1, "http", 0, kScopeEscDouble, -1},
        {"a\" \\' http", -1, "http", 0, kScopeEscDouble, 6},
        {"a\\' http", -1, "http", 0, kScopeEscSingle, -1},
        {"a' \\\" http", -1, "http", 0, kScopeEscSingle, 6},
        // scope 7: a space ends it
        {"a http", -1, "http", 0, kScopeSpace, -1},
        {"a\thttp", -1, "http", 0, kScopeSpace, 2},
        // the stop is checked inside a partial match too
        {"ht tp", -1, "ht tp", 0, kScopeSpace, -1},
        {"ht tp", -1, "ht tp", 0, kScopeAll, 0},
        {"ab\"c", -1, "b\"c", 0, kScopeDoubleQuote, -1},
        // the range
        {"xxhttp", 5, "http", 0, kScopeAll, -1},
        {"xxhttp", 6, "http", 0, kScopeAll, 2},
        {"xxhttp", 99, "http", 0, kScopeAll, 2},
        {"httphttp", -1, "http", 1, kScopeAll, 4},
        {"http", -1, "http", 4, kScopeAll, -1},
        {"http", -1, "http", -1, kScopeAll, -1},
        {"http", 2, "http", 2, kScopeAll, -1},
        {"http", -1, "http", 0, 8, -1},
        {"http", -1, "http", 0, -1, -1},
        {"", -1, "a", 0, kScopeAll, -1},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.needle + " / scope " + std::to_string(c.scope));
        const Doc d = D(c.text);
        const std::int32_t end = c.end < 0 ? d.text().size : d.pos(c.end);
        EXPECT_EQ(FindText(d.text(), end, c.needle, d.pos(c.from), c.scope), d.pos(c.found));
    }
}

TEST_P(TextSearch, FindTextFromInsideACharacterGoesOnToTheNext) {
    // Callers step on by one byte after a hit; in UTF-16 text that lands inside the hit.
    const Doc d = D("ab ab");
    const std::int32_t first = FindText(d.text(), d.text().size, "ab", 0, kScopeAll);
    ASSERT_EQ(first, 0);
    EXPECT_EQ(FindText(d.text(), d.text().size, "ab", first + 1, kScopeAll), d.pos(3));
}

TEST_P(TextSearch, FindTextOverALongTextOfNearMisses) {
    std::string s(200000, 'a');
    s += "ab";
    const Doc d = D(s);
    EXPECT_EQ(FindText(d.text(), d.text().size, "aaaaaab", 0, kScopeAll), d.pos(200000 - 5));
}

// ---- FindAttribute ----

struct AttrCase {
    const char* text;  // the tag from its name on
    const char* name;
    bool prefixOnly;
    std::int32_t result;
    const char* value;
    std::int32_t valuePos;  // characters, -1 none
};

TEST_P(TextSearch, FindAttribute) {
    const AttrCase cases[] = {
        {" lowsrc=\"a.gif\" src=\"b.gif\">", "src", false, 5, "b.gif", 20},  // whole names only
        {" data-src=\"a\" src=\"b\">", "src", false, 1, "b", 18},
        {" src2=a src=b>", "src", false, 1, "b", 12},
        {" alt='src=y' src=\"b.gif\">", "src", false, 5, "b.gif", 17},
        {" href>", "href", false, 0, "", -1},
        {" href x=y>", "href", false, 0, "", -1},
        {" srcset=\"a\" src=\"b\">", "src", false, 1, "b", 16},
        {" href=x.htm>", "HREF", false, 5, "x.htm", 6},
        {"\r\n HREF \t= \n\"x.htm\" >", "href", false, 5, "x.htm", 12},
        {" href='x.htm'>", "href", false, 5, "x.htm", 6},
        {" href=\\\"x.htm\\\">", "href", false, 5, "x.htm", 6},
        {" href=\\'x.htm\\'>", "href", false, 5, "x.htm", 6},
        {" href=\"a'b.htm\">", "href", false, 7, "a'b.htm", 6},
        {" href=\"a\r\nb.htm\">", "href", false, 6, "ab.htm", 6},
        {" href=a.htm\r\ntitle=y>", "href", false, 5, "a.htm", 6},
        {" href=a.htm title=y>", "href", false, 5, "a.htm", 6},
        {" href=a.htm\"x\">", "href", false, 5, "a.htm", 6},
        {" href=a.htm\\\"x>", "href", false, 5, "a.htm", 6},
        {" href=a>=b>", "href", false, 4, "a>=b", 6},
        {" href=\"a>b\">", "href", false, 1, "a", 6},
        {" title=\"x\" > href=y>", "href", false, 0, "", -1},
        {" title=\"a>b\" href=y>", "href", false, 1, "y", 18},
        {" x=a<=b href=y>", "href", false, 1, "y", 13},
        {" title=\\\"href=a\\\" href=b>", "href", false, 1, "b", 23},
        {" title=\"never closed href=x>", "href", false, 0, "", -1},
        {" href=\"\" title=x>", "href", false, 0, "", 6},  // empty value: nothing, but its place is known
        {" href='' title=x>", "href", false, 0, "", 6},
        {" href=>", "href", false, 0, "", 6},
        {" href=", "href", false, 0, "", -1},
        {" href", "href", false, 0, "", -1},
        {" href=\"x.htm", "href", false, 5, "x.htm", 6},
        {" href=x", "href", false, 1, "x", 6},
        {" onclick=\"go()\" href=y>", "on", true, 2, "", -1},
        {" href=\"onx\">", "on", true, 0, "", -1},
        {" \tonmouseover=x>", "on", true, 2, "", -1},
        {"", "href", false, 0, "", -1},
        {" href=x>", "", false, 0, "", -1},
        {"-- saved from url=(0022)http://internet.e-mail -->", "saved from url", false, 28,
         "(0022)http://internet.e-mail", 18},
    };
    for (const AttrCase& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.name);
        const Doc d = D(c.text);
        std::string out = "stale";
        std::int32_t valuePos = 12345;
        EXPECT_EQ(FindAttribute(d.text(), c.name, 0, &out, &valuePos, c.prefixOnly), c.result);
        EXPECT_EQ(out, c.value);
        EXPECT_EQ(valuePos, d.pos(c.valuePos));
        EXPECT_EQ(FindAttribute(d.text(), c.name, 0, nullptr, nullptr, c.prefixOnly), c.result);
    }
}

// One walk for many names gives, name by name, what FindAttribute's own walk gives.
TEST_P(TextSearch, FindAttributeNamesAnswersAsFindAttribute) {
    const char* const tags[] = {
        " onclick=\"a()\" onload=b>", " ONCLICK='x' onclick=y>", " onclick onclick=x>", " title=\"onclick=x\" onclick=y>",
        " xonclick=a on-click=b onclick=c>", " onclick=\\\"x\\\" onload=y>", " a=\"never closed onclick=x>",
        " x=a<=b onload=y>", " > onclick=x>", " \tonMouseOver = \"z\"", " onclick=x onclick=y", "onclick=x>", ""};
    const char* const names[] = {"onclick", "onload", "onmouseover", "on-click", "onclickx"};
    std::vector<AttributeName> found;
    for (const char* tag : tags) {
        const Doc d = D(tag);
        FindAttributeNames(d.text(), "on", 0, found);
        for (const char* name : names) {
            SCOPED_TRACE(std::string(tag) + " / " + name);
            std::string expected, got;
            std::int32_t expectedPos = -1, gotPos = -1, result = 0;
            const std::int32_t want = FindAttribute(d.text(), name, 0, &expected, &expectedPos, false);
            for (const AttributeName& a : found) {
                if (a.name != name) continue;
                result = FindAttribute(d.text(), name, a.pos, &got, &gotPos, false);
                break;
            }
            EXPECT_EQ(result, want);
            EXPECT_EQ(got, expected);
            EXPECT_EQ(gotPos, expectedPos);
        }
    }
}

// Where the walk over a tag's names ends; -1: at the end of the text.
TEST_P(TextSearch, TagNamesEndIsWhereTheWalkStops) {
    const struct {
        const char* text;
        std::int32_t end;
    } cases[] = {{" href=x>", 7},           {" title=\"a>b\" x=y>", 16}, {" x=a>=b y>", 9},
                 {" t=\\\"a>b\\\" y<", 12}, {" t=\"never closed>", -1},  {" a\\b 'x' <", 9}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Doc d = D(c.text);
        EXPECT_EQ(TagNamesEnd(d.text(), 0), c.end < 0 ? d.text().size : d.pos(c.end));
    }
    EXPECT_EQ(TagNamesEnd(D("").text(), 0), 0);
}

TEST_P(TextSearch, FindAttributeStopsAtNulAndRange) {
    const Doc d = D(std::string(" href=\"x\0y\">", 12));
    std::string out;
    EXPECT_EQ(FindAttribute(d.text(), "href", 0, &out, nullptr, false), 1);
    EXPECT_EQ(out, "x");
    const Doc after = D(std::string(" href= \0x>", 10));
    EXPECT_EQ(FindAttribute(after.text(), "href", 0, &out, nullptr, false), 0);
    const Doc tag = D("<a href=x>");
    EXPECT_EQ(FindAttribute(tag.text(), "href", -1, &out, nullptr, false), 0);
    EXPECT_EQ(FindAttribute(tag.text(), "href", tag.text().size, &out, nullptr, false), 0);
    EXPECT_EQ(FindAttribute(tag.text(), "href", tag.pos(2), &out, nullptr, false), 1);
}

TEST_P(TextSearch, FindAttributeCopiesAtMostTheValueLimit) {
    const Doc d = D(" href=" + std::string(kMaxValueChars + 10, 'x') + ">");
    std::string out;
    EXPECT_EQ(FindAttribute(d.text(), "href", 0, &out, nullptr, false), kMaxValueChars);
    EXPECT_EQ(out.size(), static_cast<std::size_t>(kMaxValueChars));
}

// ---- ExtractValue ----

struct ExtractCase {
    const char* text;
    std::int32_t length;  // bytes of `text` (it may hold NULs)
    int mode;
    std::int32_t result;
    const char* value;
    std::int32_t span, quotes;
};

#define T(s) s, static_cast<std::int32_t>(sizeof(s) - 1)

TEST_P(TextSearch, ExtractValue) {
    const ExtractCase cases[] = {
        {T("\"x.htm\" alt"), kExtractAttribute, 5, "x.htm", 7, 1},
        {T("x.htm>"), kExtractAttribute, 5, "x.htm", 5, 0},
        {T("'x.htm'"), kExtractAttribute, 5, "x.htm", 7, 1},
        {T("\\\"x.htm\\\""), kExtractAttribute, 5, "x.htm", 9, 2},
        {T("\\'x\\'"), kExtractAttribute, 1, "x", 5, 2},
        {T("\"x.htm"), kExtractAttribute, 0, "", 0, 0},
        {T("x.htm"), kExtractAttribute, 0, "", 0, 0},
        {T("\"\""), kExtractAttribute, 0, "", 2, 1},
        {T("\"a'b\""), kExtractAttribute, 3, "a'b", 5, 1},
        {T("'a\"b'"), kExtractAttribute, 3, "a\"b", 5, 1},
        {T("\"a\\'b\""), kExtractAttribute, 4, "a\\'b", 6, 1},
        {T("x.htm y"), kExtractAttribute, 5, "x.htm", 5, 0},
        {T("x.htm'"), kExtractAttribute, 5, "x.htm", 5, 0},
        {T("x\\\""), kExtractAttribute, 1, "x", 1, 0},
        {T("a.htm\r\nb"), kExtractAttribute, 5, "a.htm", 5, 0},
        {T("\"a\r\nb\""), kExtractAttribute, 4, "a\r\nb", 6, 1},
        {T("\"\r\n x\""), kExtractAttribute, 2, " x", 6, 1},
        {T("\r\nx y"), kExtractAttribute, 1, "x", 3, 0},
        {T("\"a>b\""), kExtractAttribute, 1, "a", 2, 1},
        {T("\"a>=b\""), kExtractAttribute, 4, "a>=b", 6, 1},
        {T("x<y"), kExtractAttribute, 1, "x", 1, 0},
        {T("\"ab\0cd\""), kExtractAttribute, 2, "ab", 3, 1},
        {T("(a.gif) "), kExtractAttribute, 7, "(a.gif)", 7, 0},
        // style-sheet url( arguments
        {T("(img/a.gif)"), kExtractCssUrl, 9, "img/a.gif", 11, 1},
        // Quotes and blanks inside the parentheses are part of the span, not of the URL.
        {T("(\"a.gif\")"), kExtractCssUrl, 5, "a.gif", 9, 1},
        {T("( 'a b.gif' )"), kExtractCssUrl, 7, "a b.gif", 13, 1},
        {T("( a b.gif)"), kExtractCssUrl, 7, "a b.gif", 10, 1},
        {T("(\"\")"), kExtractCssUrl, 0, "", 4, 1},
        // A string argument ends after the string: parentheses inside it belong to the URL.
        {T("( \"photo(1).png\" )"), kExtractCssUrl, 12, "photo(1).png", 18, 1},
        {T("('data:x,rgb(1,2)')"), kExtractCssUrl, 15, "data:x,rgb(1,2)", 19, 1},
        {T("(\"a.gif\nb\")"), kExtractCssUrl, 0, "", 0, 0},
        {T("(a<b>.gif)"), kExtractCssUrl, 8, "a<b>.gif", 10, 1},
        {T("\"a.gif\")"), kExtractCssUrl, 5, "a.gif", 7, 1},
        {T("(a.gif"), kExtractCssUrl, 0, "", 0, 0},
        {T("(a.gif; } p { background: url(b.gif)"), kExtractCssUrl, 0, "", 0, 0},
        {T("x<y "), kExtractCssUrl, 3, "x<y", 3, 0},
        // tag names
        {T("<IMG src=x>"), kExtractTagName, 4, "<IMG", 4, 0},
        {T("<IMG>"), kExtractTagName, 4, "<IMG", 4, 0},
        {T("<A\r\nhref=x>"), kExtractTagName, 2, "<A", 2, 0},
        {T("<A>=b c>"), kExtractTagName, 5, "<A>=b", 5, 0},
        {T("<IMG"), kExtractTagName, 0, "", 0, 0},
        {T("<IMG src=x>"), kExtractEventTag, 4, "<IMG", 4, 0},
        {T("<A>=b c>"), kExtractEventTag, 2, "<A", 2, 0},
        {T("<A\thref=x>"), kExtractEventTag, 2, "<A", 2, 0},
    };
    for (const ExtractCase& c : cases) {
        SCOPED_TRACE(std::string(c.text, static_cast<std::size_t>(c.length)) + " / mode " + std::to_string(c.mode));
        const Doc d = D(std::string(c.text, static_cast<std::size_t>(c.length)));
        std::string out = "stale";
        std::int32_t span = -7, quotes = -7;
        EXPECT_EQ(ExtractValue(d.text(), 0, &out, c.mode, &span, &quotes), c.result);
        EXPECT_EQ(out, c.value);
        EXPECT_EQ(span, c.span);
        EXPECT_EQ(quotes, c.quotes);
        EXPECT_EQ(ExtractValue(d.text(), 0, nullptr, c.mode, nullptr, nullptr), c.result);
    }
}

#undef T

TEST_P(TextSearch, ExtractValueFromInsideTheText) {
    const Doc d = D("<IMG src=\"x.gif\">");
    std::string out;
    std::int32_t span = 0, quotes = 0;
    EXPECT_EQ(ExtractValue(d.text(), d.pos(9), &out, kExtractAttribute, &span, &quotes), 5);
    EXPECT_EQ(out, "x.gif");
    EXPECT_EQ(span, 7);
    EXPECT_EQ(ExtractValue(d.text(), d.text().size, &out, kExtractAttribute, &span, &quotes), 0);
    EXPECT_EQ(ExtractValue(d.text(), -1, &out, kExtractAttribute, &span, &quotes), 0);
    EXPECT_EQ(span, 0);
}

TEST_P(TextSearch, ExtractValueClosedAtTheLastCharacter) {
    const Doc d = D("x=\"a\"");
    std::string out;
    std::int32_t span = 0;
    EXPECT_EQ(ExtractValue(d.text(), d.pos(2), &out, kExtractAttribute, &span, nullptr), 1);
    EXPECT_EQ(span, 3);
}

TEST_P(TextSearch, ExtractValueSkipsValuesBeyondTheLimit) {
    std::string out;
    std::int32_t span = -1, quotes = -1;
    const Doc fits = D("\"" + std::string(kMaxValueChars, 'x') + "\"");
    EXPECT_EQ(ExtractValue(fits.text(), 0, &out, kExtractAttribute, &span, &quotes), kMaxValueChars);
    EXPECT_EQ(span, kMaxValueChars + 2);
    const Doc tooLong = D("\"" + std::string(kMaxValueChars + 1, 'x') + "\"");
    EXPECT_EQ(ExtractValue(tooLong.text(), 0, &out, kExtractAttribute, &span, &quotes), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(span, 0);
    EXPECT_EQ(quotes, 0);
}

// ---- UTF-16 only ----

struct WideValueCase {
    std::vector<std::uint16_t> units;  // between href=" and .htm
    const char* utf8;                  // the value read, ".htm" included
};

TEST(TextSearchUtf16, ValuesCountCharactersAndComeOutAsUtf8) {
    const WideValueCase cases[] = {
        {{0x00E9, 0x4E00}, "\xC3\xA9\xE4\xB8\x80.htm"},
        {{0x0436, 0x0020, 0x0061}, "\xD0\xB6 a.htm"},
        {{0xD83D, 0xDE00}, "\xF0\x9F\x98\x80.htm"},  // a pair is one character of four bytes
        {{0xDE00, 0xD83D}, "\xED\xB8\x80\xED\xA0\xBD.htm"},  // lone halves keep their own forms
    };
    for (const WideValueCase& c : cases) {
        std::string units;
        for (std::uint16_t u : c.units) units += Units({u});
        const std::string s = Widen("<A href=\"") + units + Widen(".htm\">");
        const Text t = MakeText(s.data(), static_cast<std::int32_t>(s.size()), 1);
        const std::int32_t chars = static_cast<std::int32_t>(c.units.size()) + 4;
        std::string out;
        std::int32_t valuePos = -1;
        EXPECT_EQ(FindAttribute(t, "href", 4, &out, &valuePos, false), chars) << c.utf8;
        EXPECT_EQ(out, c.utf8);
        EXPECT_EQ(valuePos, 16);
        std::int32_t span = 0;
        EXPECT_EQ(ExtractValue(t, valuePos, &out, kExtractAttribute, &span, nullptr), chars) << c.utf8;
        EXPECT_EQ(out, c.utf8);
        EXPECT_EQ(span, chars + 2);
    }
}

TEST(TextSearchUtf16, HighByteOfAUnitIsNotACharacter) {
    // U+3C22 holds the byte of '<' and of '"'; neither may be seen.
    const std::string s = Units({0x3C22, 0x223C, 'a'});
    const Text t = MakeText(s.data(), static_cast<std::int32_t>(s.size()), 1);
    EXPECT_EQ(FindTag(t, "", 0), -1);
    EXPECT_EQ(FindText(t, t.size, "a", 0, kScopeDoubleQuote), 4);
}

TEST(TextSearchUtf16, HalfACharacterAtTheEndIsIgnored) {
    std::string out;
    std::int32_t span = -1;
    // The closing quote is cut in half: the value never ends.
    const std::string cut = Widen("\"ab") + "\"";
    const Text t = MakeText(cut.data(), static_cast<std::int32_t>(cut.size()), 1);
    EXPECT_EQ(ExtractValue(t, 0, &out, kExtractAttribute, &span, nullptr), 0);
    EXPECT_EQ(span, 0);
    // A whole value followed by a stray byte is fine.
    const std::string whole = Widen("\"ab\"") + "x";
    const Text w = MakeText(whole.data(), static_cast<std::int32_t>(whole.size()), 1);
    EXPECT_EQ(ExtractValue(w, 0, &out, kExtractAttribute, &span, nullptr), 2);
    EXPECT_EQ(span, 4);

    const std::string tag = Widen("<br>") + "\r";
    const Text b = MakeText(tag.data(), static_cast<std::int32_t>(tag.size()), 1);
    EXPECT_EQ(SkipToTagEnd(b, 0), -1);
    const std::string attr = Widen(" href=ab") + "c";
    const Text a = MakeText(attr.data(), static_cast<std::int32_t>(attr.size()), 1);
    EXPECT_EQ(FindAttribute(a, "href", 0, &out, nullptr, false), 2);
    EXPECT_EQ(out, "ab");
    const std::string needle = Widen("xht") + "t";
    const Text n = MakeText(needle.data(), static_cast<std::int32_t>(needle.size()), 1);
    EXPECT_EQ(FindText(n, n.size, "htt", 0, kScopeAll), -1);
}

TEST(TextSearchUtf16, EveryStartPositionInAnOddBufferStaysInBounds) {
    // Sanitizers catch any read past the buffer; every primitive from every byte offset.
    const std::string body = Widen("<a href=\"x\" on='y' b=\\\"z\\\">(u) ") + "<";
    std::vector<unsigned char> exact(body.begin(), body.end());
    const Text t = MakeText(exact.data(), static_cast<std::int32_t>(exact.size()), 1);
    std::string out;
    for (std::int32_t p = -2; p <= t.size + 2; ++p) {
        CharAt(t, p);
        FindTag(t, "a", p);
        SkipToTagEnd(t, p);
        FindText(t, t.size + 5, "u", p, kScopeAll);
        FindAttribute(t, "href", p, &out, nullptr, false);
        FindAttribute(t, "on", p, &out, nullptr, true);
        for (int mode = kExtractAttribute; mode <= kExtractEventTag; ++mode)
            ExtractValue(t, p, &out, mode, nullptr, nullptr);
    }
}

TEST(TextSearchAnsi, EveryStartPositionStaysInBounds) {
    const std::string body = "<a href=\"x\" on='y' b=\\\"z\\\">(u) <";
    std::vector<unsigned char> exact(body.begin(), body.end());
    const Text t = MakeText(exact.data(), static_cast<std::int32_t>(exact.size()), 0);
    std::string out;
    for (std::int32_t p = -2; p <= t.size + 2; ++p) {
        FindTag(t, "a", p);
        SkipToTagEnd(t, p);
        FindText(t, t.size + 5, "u", p, kScopeAll);
        FindAttribute(t, "href", p, &out, nullptr, false);
        for (int mode = kExtractAttribute; mode <= kExtractEventTag; ++mode)
            ExtractValue(t, p, &out, mode, nullptr, nullptr);
    }
}

}  // namespace
}  // namespace corvane
