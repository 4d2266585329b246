// UTF-8 text: names compared as Windows file systems compare them, lengths and cuts by character.
#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/url_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace corvane {
namespace {

struct NameCase {
    const char* a;
    const char* b;
    bool same;
};

TEST(Utf8, NamesCompareIgnoringCaseAsFileSystemsDo) {
    const NameCase cases[] = {
        {"\xC3\x89t\xC3\xA9.html", "\xC3\xA9T\xC3\x89.HTML", true},  // Été, éTÉ
        {"\xC3\xBF", "\xC5\xB8", true},                               // ÿ, Ÿ
        {"\xC5\x82\xC3\xB3d\xC5\xBA", "\xC5\x81\xC3\x93D\xC5\xB9", true},  // łódź, ŁÓDŹ
        {"\xD0\xB6\xD1\x91", "\xD0\x96\xD0\x81", true},               // жё, ЖЁ
        {"\xCE\xAC\xCF\x83", "\xCE\x86\xCE\xA3", true},               // άσ, ΆΣ
        {"\xCF\x82", "\xCE\xA3", false},                          // final sigma is no pair of Σ
        {"\xC4\xB1", "I", false},                                   // nor dotless i of I
        {"\xC3\xA9", "e", false},
        {"\xE4\xBD\xA0", "\xE4\xBD\xA1", false},  // no case: compared as they are
        {"\xC3\xB7", "\xC3\x97", false},          // ÷ and × are no pair
        {"\xE9", "\xC9", false},                  // no UTF-8: byte for byte
    };
    for (const NameCase& c : cases) EXPECT_EQ(EqualsNoCase(c.a, c.b), c.same) << c.a << " " << c.b;
}

#ifdef _WIN32
// The fold agrees with the system's own ordinal comparison for every letter it knows.
TEST(Utf8, FoldAgreesWithTheSystem) {
    for (char16_t u = 0x80; u < 0x530; ++u) {
        const std::string one = Utf16ToUtf8(std::u16string(1, u));
        const std::u16string folded = Utf8ToUtf16(FoldUtf8(one));
        ASSERT_EQ(folded.size(), 1u);
        EXPECT_EQ(CompareStringOrdinal(reinterpret_cast<const wchar_t*>(&u), 1,
                                       reinterpret_cast<const wchar_t*>(folded.data()), 1, TRUE),
                  CSTR_EQUAL)
            << std::hex << static_cast<unsigned>(u);
    }
}
#endif

struct LengthCase {
    std::string text;
    std::size_t utf16;
    std::size_t cutAt;  // a cut at five bytes keeps this many
};

TEST(Utf8, LengthsCountUtf16UnitsAndCutsKeepWholeCharacters) {
    const LengthCase cases[] = {
        {"abcdefg", 7, 5},
        {"ab\xC3\xA9\xC3\xA9", 4, 4},         // abéé
        {"a\xE4\xBD\xA0\xE4\xBD\xA0", 3, 4},  // a你你
        {"\xF0\x9F\x98\x80xy", 4, 5},         // an emoji is two units
        {"ab\xE9\xE9\xE9\xE9", 6, 5},         // stray bytes are one each
    };
    for (const LengthCase& c : cases) {
        EXPECT_EQ(Utf16Length(c.text), c.utf16) << c.text;
        EXPECT_EQ(Utf8Cut(c.text, 5), c.cutAt) << c.text;
    }
}

TEST(Utf8, Utf16RoundTripKeepsEveryUnit) {
    const std::u16string units = {u'a', 0xE9, 0x4F60, 0xD83D, 0xDE00, 0xDE00, 0xD83D, u'z'};
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(units)), units);
    EXPECT_EQ(Utf8ToUtf16("caf\xE9"), u"caf\u00E9");  // a stray byte read as Windows-1252
}

}  // namespace
}  // namespace corvane
