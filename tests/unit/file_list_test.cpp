// The file list's rows, referenced marks and the row lookup by path, checked against a plain walk.
#include "filelist/file_list.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace corvane {
namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// The lookup as a walk over the rows, the way the index must answer.
std::int32_t WalkFind(const std::vector<std::string>& rows, const std::string& path, std::int32_t rowsToSearch) {
    if (path.size() > FileList::kMaxPath) return -1;
    std::string resolved;
    if (!ResolveDotSegments(path, &resolved)) return -1;
    for (std::int32_t r = 0; r < rowsToSearch && r < static_cast<std::int32_t>(rows.size()); ++r)
        if (SameIgnoringCase(rows[static_cast<std::size_t>(r)], resolved)) return r;
    return -1;
}

FileList ListOf(std::initializer_list<const char*> paths) {
    FileList list;
    for (const char* p : paths) list.Append(p);
    return list;
}

// ---- "." and ".." resolution ----

struct DotDotCase {
    const char* path;
    bool ok;
    const char* resolved;
};

TEST(ResolveDotSegments, Segments) {
    const DotDotCase cases[] = {
        {"a\\b\\..\\c", true, "a\\c"},
        {"a\\b\\..", true, "a\\"},
        {"a\\b\\..\\", true, "a\\"},
        {"a/b/../c", true, "a/c"},
        {"a\\b/..\\c", true, "a\\c"},
        {"C:\\site\\sub\\..\\index.htm", true, "C:\\site\\index.htm"},
        {"C:\\a\\b\\c\\..\\..\\d", true, "C:\\a\\d"},
        {"C:\\a\\b\\..\\c\\..\\d", true, "C:\\a\\d"},
        {"a\\b\\..x\\c", true, "a\\b\\..x\\c"},
        {"a\\b\\...\\c", true, "a\\b\\...\\c"},
        {"a\\b..\\c", true, "a\\b..\\c"},
        {"..\\a", true, "..\\a"},
        // "." segments go wherever they stand after a separator.
        {"a\\.\\b", true, "a\\b"},
        {"a/./b", true, "a/b"},
        {"a\\b\\.", true, "a\\b\\"},
        {"C:\\site\\.\\x.htm", true, "C:\\site\\x.htm"},
        {"C:\\site\\.\\.\\sub\\.\\x.htm", true, "C:\\site\\sub\\x.htm"},
        {"C:\\a\\b\\.\\..\\c", true, "C:\\a\\c"},
        {"C:\\a\\.x\\b", true, "C:\\a\\.x\\b"},
        {".\\a", true, ".\\a"},
        {"a\\.\\..\\b", false, ""},
        {"a\\\\..\\b", true, "a\\b"},
        {"", true, ""},
        {"a\\..", false, ""},
        {"a\\..\\b", false, ""},
        {"\\..\\a", false, ""},
        {"C:\\..\\a", false, ""},
        {"C:\\a\\..\\..\\b", false, ""},
    };
    for (const DotDotCase& c : cases) {
        SCOPED_TRACE(c.path);
        std::string out = "untouched";
        EXPECT_EQ(ResolveDotSegments(c.path, &out), c.ok);
        if (c.ok) {
            EXPECT_EQ(out, c.resolved);
        }
    }
}

// ---- FindFileRow ----

TEST(FileList, FindsPathsIgnoringCase) {
    const FileList list = ListOf({"c:\\site\\a.htm", "C:\\Site\\B.GIF"});
    EXPECT_EQ(list.FindFileRow("C:\\SITE\\A.HTM", 2), 0);
    EXPECT_EQ(list.FindFileRow("c:\\site\\b.gif", 2), 1);
    EXPECT_EQ(list.FindFileRow("c:\\site\\c.gif", 2), -1);
    EXPECT_EQ(list.FindFileRow("c:/site/a.htm", 2), -1);  // the text is compared, not the file
}

TEST(FileList, LettersFoldAsFileNamesDo) {
    const FileList list = ListOf({"C:\\\xC3\x89T\xC3\x89.htm", "C:\\\xC9.htm"});
    EXPECT_EQ(list.FindFileRow("c:\\\xC3\xA9t\xC3\xA9.HTM", 2), 0);  // UTF-8 e acute, either case
    // A name that is no UTF-8 is read as Windows-1252, as links in that code page are.
    EXPECT_EQ(list.FindFileRow("c:\\\xE9.htm", 2), 1);
    EXPECT_EQ(list.FindFileRow("c:\\\xC3\xA9.htm", 2), 1);
}

TEST(FileList, ResolvesTheLookedUpPathButNotTheRows) {
    const FileList forward = ListOf({"C:\\site\\index.htm"});
    EXPECT_EQ(forward.FindFileRow("C:\\site\\sub\\..\\index.htm", 1), 0);
    EXPECT_EQ(forward.FindFileRow("C:\\site\\.\\sub\\.\\..\\index.htm", 1), 0);
    EXPECT_EQ(forward.FindFileRow("C:\\site\\..\\..\\index.htm", 1), -1);

    const FileList stored = ListOf({"C:\\site\\sub\\..\\index.htm"});
    EXPECT_EQ(stored.FindFileRow("C:\\site\\index.htm", 1), -1);
    EXPECT_EQ(stored.FindFileRow("C:\\site\\sub\\..\\index.htm", 1), -1);  // resolved before comparing
}

TEST(FileList, HoldsRowsOfFoldersAtAnyDepth) {
    FileList list = ListOf({"C:\\site\\index.htm", "C:\\site\\howto\\a.htm", "C:\\site\\deep\\er\\b.htm"});
    const struct {
        const char* path;
        bool holds;
    } cases[] = {
        {"C:\\site\\howto", true},           {"c:\\SITE\\HowTo\\", true},
        {"C:\\site\\deep", true},            {"C:\\site", true},
        {"C:\\site\\x\\..\\howto", true},   {"C:\\site\\.\\howto\\.", true},
        {"C:\\site\\howto\\a.htm", false},  {"C:\\site\\how", false},
        {"C:\\site\\none", false},           {"C:\\..\\..\\site", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(list.HoldsRows(c.path), c.holds) << c.path;
    list.Remove(1);
    EXPECT_FALSE(list.HoldsRows("C:\\site\\howto"));
    list.Append("C:\\site\\new\\c.htm");
    EXPECT_TRUE(list.HoldsRows("C:\\site\\new"));
    list.Clear();
    EXPECT_FALSE(list.HoldsRows("C:\\site"));
}

TEST(FileList, SearchesOnlyTheFirstRows) {
    const FileList list = ListOf({"a", "b", "c"});
    EXPECT_EQ(list.FindFileRow("c", 3), 2);
    EXPECT_EQ(list.FindFileRow("c", 2), -1);
    EXPECT_EQ(list.FindFileRow("a", 1), 0);
    EXPECT_EQ(list.FindFileRow("a", 0), -1);
    EXPECT_EQ(list.FindFileRow("a", -5), -1);
    EXPECT_EQ(list.FindFileRow("c", 100), 2);
    // A narrow lookup after a wide one still stops at its own limit.
    EXPECT_EQ(list.FindFileRow("b", 1), -1);
}

TEST(FileList, FirstOfDuplicatesWins) {
    const FileList list = ListOf({"x", "DUP", "y", "dup", "Dup"});
    EXPECT_EQ(list.FindFileRow("dup", 5), 1);
    EXPECT_EQ(list.FindFileRow("dup", 2), 1);
    EXPECT_EQ(list.FindFileRow("dup", 1), -1);
}

TEST(FileList, OverlongPathsNeverMatch) {
    const std::string longPath = "C:\\" + std::string(FileList::kMaxPath, 'a');
    FileList list;
    list.Append(longPath);
    EXPECT_EQ(list.FindFileRow(longPath, 1), -1);
    const std::string atLimit = "C:\\" + std::string(FileList::kMaxPath - 3, 'a');
    list.Append(atLimit);
    EXPECT_EQ(list.FindFileRow(atLimit, 2), 1);
}

TEST(FileList, EmptyListFindsNothing) {
    const FileList list;
    EXPECT_EQ(list.FindFileRow("", 10), -1);
    EXPECT_EQ(list.FindFileRow("a", 10), -1);
}

// ---- Rows and marks ----

TEST(FileList, InsertRemoveAndClearKeepRowsInOrder) {
    FileList list;
    list.Append("b");
    list.Insert(0, "a");
    list.Insert(2, "d");
    list.Insert(2, "c");
    list.Insert(99, "e");  // beyond the end: appended
    list.Insert(-3, "0");  // before the start: first
    ASSERT_EQ(list.size(), 6);
    const char* expected[] = {"0", "a", "b", "c", "d", "e"};
    for (std::int32_t r = 0; r < list.size(); ++r) EXPECT_EQ(list.path(r), expected[r]);
    list.Remove(0);
    list.Remove(99);
    list.Remove(-1);
    EXPECT_EQ(list.size(), 5);
    EXPECT_EQ(list.path(0), "a");
    list.Clear();
    EXPECT_EQ(list.size(), 0);
    EXPECT_EQ(list.FindFileRow("a", 10), -1);
}

TEST(FileList, ReferencedMarksTravelWithTheirRows) {
    FileList list = ListOf({"a", "b", "c"});
    EXPECT_FALSE(list.referenced(0));
    list.SetReferenced(1);
    list.SetReferenced(7);   // outside the list: passed over
    list.SetReferenced(-1);
    list.Insert(0, "new");
    EXPECT_FALSE(list.referenced(0));
    EXPECT_TRUE(list.referenced(2));
    list.Remove(1);
    EXPECT_TRUE(list.referenced(1));
    EXPECT_EQ(list.path(1), "b");
    list.SetReferenced(1, false);
    EXPECT_FALSE(list.referenced(1));
}

TEST(FileList, LookupsFollowRowsThatMove) {
    FileList list = ListOf({"a", "b", "c"});
    EXPECT_EQ(list.FindFileRow("c", 3), 2);
    list.Insert(1, "x");
    EXPECT_EQ(list.FindFileRow("c", 4), 3);
    EXPECT_EQ(list.FindFileRow("x", 4), 1);
    list.Remove(0);
    EXPECT_EQ(list.FindFileRow("a", 3), -1);
    EXPECT_EQ(list.FindFileRow("c", 3), 2);
    list.Insert(0, "C");
    EXPECT_EQ(list.FindFileRow("c", 4), 0);
    list.Remove(0);
    EXPECT_EQ(list.FindFileRow("c", 4), 2);
}

TEST(FileList, IndexAgreesWithAWalkUnderRandomEdits) {
    const char* names[] = {"C:\\s\\a.htm", "c:\\S\\A.HTM", "C:\\s\\b.gif", "C:\\s\\sub\\c.css",
                           "C:\\s\\sub\\..\\a.htm", "C:\\s\\d.js", "c:\\s\\D.JS", "C:\\s\\e"};
    const char* queries[] = {"C:\\s\\a.htm", "c:\\s\\sub\\..\\a.htm", "C:\\S\\B.GIF", "C:\\s\\x\\..\\sub\\c.css",
                             "C:\\s\\sub\\..\\a.htm", "c:\\s\\d.js", "C:\\s\\e", "C:\\s\\missing"};
    std::mt19937 rng(12345);
    for (int round = 0; round < 20; ++round) {
        FileList list;
        std::vector<std::string> shadow;
        for (int step = 0; step < 400; ++step) {
            const std::int32_t n = static_cast<std::int32_t>(shadow.size());
            const std::string name = names[rng() % 8];
            switch (rng() % 8) {
                case 0:
                case 1:
                    list.Append(name);
                    shadow.push_back(name);
                    break;
                case 2: {
                    const std::int32_t r = static_cast<std::int32_t>(rng() % static_cast<unsigned>(n + 1));
                    list.Insert(r, name);
                    shadow.insert(shadow.begin() + r, name);
                    break;
                }
                case 3:
                    if (n > 0) {
                        const std::int32_t r = static_cast<std::int32_t>(rng() % static_cast<unsigned>(n));
                        list.Remove(r);
                        shadow.erase(shadow.begin() + r);
                    }
                    break;
                case 4:
                    if (rng() % 10 == 0) {
                        list.Clear();
                        shadow.clear();
                    }
                    break;
                default: {
                    const std::string query = queries[rng() % 8];
                    const std::int32_t limit = static_cast<std::int32_t>(rng() % static_cast<unsigned>(n + 3)) - 1;
                    ASSERT_EQ(list.FindFileRow(query, limit), WalkFind(shadow, query, limit))
                        << "round " << round << " step " << step << " query " << query << " limit " << limit;
                }
            }
            ASSERT_EQ(list.size(), static_cast<std::int32_t>(shadow.size()));
        }
    }
}

TEST(FileList, RemovingRowsFromTheBottomUpAfterLookups) {
    FileList list;
    std::vector<std::string> shadow;
    for (int i = 0; i < 2000; ++i) {
        const std::string p = "C:\\site\\f" + std::to_string(i % 1500) + ".htm";
        list.Append(p);
        shadow.push_back(p);
    }
    for (std::int32_t r = 1999; r >= 0; r -= 3) {
        ASSERT_EQ(list.FindFileRow("c:\\SITE\\f7.htm", list.size()), WalkFind(shadow, "C:\\site\\f7.htm", 3000));
        list.Remove(r);
        shadow.erase(shadow.begin() + r);
    }
    for (std::size_t i = 0; i < shadow.size(); i += 97)
        EXPECT_EQ(list.FindFileRow(shadow[i], list.size()), WalkFind(shadow, shadow[i], list.size()));
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

TEST(FileListNames, RowsOfOneFileNameIgnoringCaseFollowChanges) {
    FileList list;
    list.Append("C:\\site\\img\\Logo.gif");
    list.Append("C:\\site\\a.htm");
    list.Append("C:\\site\\docs/img/LOGO.GIF");
    EXPECT_EQ(list.RowsNamed("logo.gif"), (std::vector<std::int32_t>{0, 2}));
    EXPECT_TRUE(list.RowsNamed("logo").empty());
    list.Insert(0, "D:\\logo.gif");
    EXPECT_EQ(list.RowsNamed("LOGO.gif"), (std::vector<std::int32_t>{0, 1, 3}));
    list.Remove(1);
    EXPECT_EQ(list.RowsNamed("logo.gif"), (std::vector<std::int32_t>{0, 2}));
    list.Clear();
    EXPECT_TRUE(list.RowsNamed("logo.gif").empty());
}

}  // namespace
}  // namespace corvane
