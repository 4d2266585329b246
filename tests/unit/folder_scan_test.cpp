// Adding folders and dialog selections to the file list: order, duplicates, ESC, limits.
#include "filelist/folder_scan.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/memory_file_system.h"
#include "support/recording_host.h"
#include "support/temp_tree.h"

namespace corvane {
namespace {

using testing_support::RecordingHost;

std::vector<std::string> Rows(const FileList& files) {
    std::vector<std::string> rows;
    for (std::int32_t i = 0; i < files.size(); ++i) rows.push_back(files.path(i));
    return rows;
}

// Files of `folder` in the order given (the memory file system lists them so).
void AddFiles(MemoryFileSystem& fs, const std::string& folder, const std::vector<std::string>& names) {
    for (const std::string& name : names) fs.AddFile(folder + "\\" + name, "");
}

TEST(ScanFolder, PutsAFoldersFilesInOrderIgnoringCaseAfterTheRowsBefore) {
    MemoryFileSystem fs;
    AddFiles(fs, "C:\\site", {"c.htm", "B.gif", "a.htm", "_x.css", "b.css", "noext", ".hidden"});
    FileList files;
    files.Append("D:\\other\\z.htm");
    NullHost host;
    EXPECT_EQ(ScanFolder(files, fs, host, false, "C:\\site"), 0);
    // ASCII letters are folded to upper case before comparing, so '_' sorts after the letters.
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"D:\\other\\z.htm", "C:\\site\\.hidden", "C:\\site\\a.htm",
                                                      "C:\\site\\b.css", "C:\\site\\B.gif", "C:\\site\\c.htm",
                                                      "C:\\site\\noext", "C:\\site\\_x.css"}));
    for (std::int32_t row = 0; row < files.size(); ++row) EXPECT_FALSE(files.referenced(row));
}

TEST(ScanFolder, KeepsTheListingOrderOfNamesThatDifferOnlyInCase) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\site\\b.htm", "");
    fs.AddFile("C:\\site\\a.htm", "");
    FileList files;
    NullHost host;
    // Two names equal but for case come only from a case-sensitive file system; the double
    // cannot hold both, so the folder's listing is given by a file system of its own.
    class TwoCases : public MemoryFileSystem {
    public:
        bool ListFolder(const std::string&, const std::function<bool(const FolderEntry&)>& visit) override {
            for (const char* name : {"b.htm", "A.htm", "B.HTM", "a.htm"})
                if (!visit(FolderEntry{name, false})) break;
            return true;
        }
    } cases;
    EXPECT_EQ(ScanFolder(files, cases, host, false, "C:\\site"), 0);
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"C:\\site\\A.htm", "C:\\site\\a.htm", "C:\\site\\b.htm",
                                                      "C:\\site\\B.HTM"}));
}

TEST(ScanFolder, WalksSubfoldersDepthFirstInOrderIgnoringCase) {
    MemoryFileSystem fs;
    fs.AddFolder("C:\\s\\b");
    fs.AddFile("C:\\s\\z.htm", "");
    fs.AddFolder("C:\\s\\a");
    fs.AddFolder("C:\\s\\C");
    fs.AddFile("C:\\s\\b\\b1.htm", "");
    fs.AddFolder("C:\\s\\a\\y");
    fs.AddFolder("C:\\s\\a\\x");
    fs.AddFile("C:\\s\\a\\a1.htm", "");
    fs.AddFile("C:\\s\\a\\y\\y1.htm", "");
    fs.AddFile("C:\\s\\a\\x\\x1.htm", "");
    fs.AddFile("C:\\s\\C\\c1.htm", "");
    fs.AddFile("C:\\s\\m.htm", "");
    FileList files;
    NullHost host;
    EXPECT_EQ(ScanFolder(files, fs, host, true, "C:\\s"), 0);
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"C:\\s\\m.htm", "C:\\s\\z.htm", "C:\\s\\a\\a1.htm",
                                                      "C:\\s\\a\\x\\x1.htm", "C:\\s\\a\\y\\y1.htm", "C:\\s\\b\\b1.htm",
                                                      "C:\\s\\C\\c1.htm"}));
}

TEST(ScanFolder, LeavesSubfoldersOutWithoutRecursion) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\s\\sub\\inner.htm", "");
    fs.AddFile("C:\\s\\top.htm", "");
    FileList files;
    NullHost host;
    EXPECT_EQ(ScanFolder(files, fs, host, false, "C:\\s"), 0);
    EXPECT_EQ(Rows(files), std::vector<std::string>{"C:\\s\\top.htm"});
}

TEST(ScanFolder, AddsNoFileTwice) {
    MemoryFileSystem fs;
    AddFiles(fs, "C:\\site", {"d.htm", "b.htm", "c.htm", "a.htm"});
    FileList files;
    files.Append("c:\\SITE\\C.HTM");
    files.Append("C:\\site\\a.htm");
    NullHost host;
    ASSERT_EQ(ScanFolder(files, fs, host, false, "C:\\site"), 0);
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"c:\\SITE\\C.HTM", "C:\\site\\a.htm", "C:\\site\\b.htm",
                                                      "C:\\site\\d.htm"}));
    ASSERT_EQ(ScanFolder(files, fs, host, true, "C:\\site\\"), 0);
    EXPECT_EQ(files.size(), 4);
}

TEST(ScanFolder, JoinsWithoutDoublingTheBackslashOfADriveRoot) {
    MemoryFileSystem fs;
    fs.AddFile("D:\\index.htm", "");
    fs.AddFile("D:\\sub\\page.htm", "");
    FileList files;
    NullHost host;
    ASSERT_EQ(ScanFolder(files, fs, host, true, "D:\\"), 0);
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"D:\\index.htm", "D:\\sub\\page.htm"}));
}

TEST(ScanFolder, AddsNothingFromAFolderThatCannotBeListed) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\site\\a.htm", "");
    fs.FailOperation(MemoryFileSystem::kList, 1);
    FileList files;
    NullHost host;
    EXPECT_EQ(ScanFolder(files, fs, host, true, "C:\\site"), 0);
    EXPECT_EQ(ScanFolder(files, fs, host, true, "C:\\missing"), 0);
    EXPECT_EQ(files.size(), 0);
}

TEST(ScanFolder, PollsOncePerFileAndStopsOnEscKeepingWhatWasGathered) {
    MemoryFileSystem fs;
    AddFiles(fs, "C:\\s", {"c.htm", "a.htm", "b.htm"});
    fs.AddFile("C:\\s\\sub\\deep.htm", "");
    fs.SetListingOrder("C:\\s", {"sub", "c.htm", "a.htm", "b.htm"});
    FileList files;
    RecordingHost host;
    host.StopAtPoll(2);
    EXPECT_EQ(ScanFolder(files, fs, host, true, "C:\\s"), kAddStopped);
    EXPECT_EQ(host.polls(), 2);
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"C:\\s\\a.htm", "C:\\s\\c.htm"}));
}

TEST(ScanFolder, StopInASubfolderSkipsTheFoldersNotYetVisited) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\s\\top.htm", "");
    AddFiles(fs, "C:\\s\\a", {"a1.htm", "a2.htm"});
    fs.AddFile("C:\\s\\b\\b1.htm", "");
    FileList files;
    RecordingHost host;
    host.StopAtPoll(3);  // top.htm, a1.htm, then ESC at a2.htm
    EXPECT_EQ(ScanFolder(files, fs, host, true, "C:\\s"), kAddStopped);
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"C:\\s\\top.htm", "C:\\s\\a\\a1.htm", "C:\\s\\a\\a2.htm"}));
}

TEST(ScanFolder, PassesOverPathsLongerThan260Characters) {
    MemoryFileSystem fs;
    const std::string folder = "C:\\s";                    // 4 characters, then the backslash
    const std::string fits(260 - 5, 'f'), tooLong(261 - 5, 'g');
    fs.AddFile(folder + "\\" + fits, "");
    fs.AddFile(folder + "\\" + tooLong, "");
    fs.AddFile(folder + "\\" + std::string(261 - 5, 'd') + "\\x", "");
    FileList files;
    RecordingHost host;
    EXPECT_EQ(ScanFolder(files, fs, host, true, folder), 0);
    EXPECT_EQ(Rows(files), std::vector<std::string>{folder + "\\" + fits});
    EXPECT_EQ(host.polls(), 2);  // every file is polled after, kept or not
}

TEST(ScanFolder, StaysFastOnAFolderOf100000Files) {
    MemoryFileSystem fs;
    const int count = 100000;
    for (int i = count - 1; i >= 0; --i) fs.AddFile("C:\\big\\f" + std::to_string(i) + ".htm", "");
    FileList files;
    for (int i = 0; i < 1000; ++i) files.Append("C:\\big\\F" + std::to_string(i * 7) + ".HTM");
    NullHost host;
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(ScanFolder(files, fs, host, false, "C:\\big"), 0);
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 20.0);
    ASSERT_EQ(files.size(), count);  // the 1000 rows listed before were not added again
    for (std::int32_t row = 1001; row < files.size(); ++row) {
        ASSERT_LE(files.path(row - 1), files.path(row)) << row;
    }
}

TEST(AddSelectedFiles, AddsOneFullPathUnlessListed) {
    FileList files;
    NullHost host;
    EXPECT_EQ(AddSelectedFiles(files, host, {"C:\\site\\a.htm"}), 0);
    EXPECT_EQ(AddSelectedFiles(files, host, {"c:\\SITE\\A.HTM"}), 0);
    EXPECT_EQ(Rows(files), std::vector<std::string>{"C:\\site\\a.htm"});
}

TEST(AddSelectedFiles, ResolvesDotSegmentsOfTheNewPathOnly) {
    FileList files;
    NullHost host;
    files.Append("C:\\site\\index.htm");
    AddSelectedFiles(files, host, {"C:\\site\\sub\\..\\index.htm"});
    EXPECT_EQ(files.size(), 1);

    FileList reverse;
    reverse.Append("C:\\site\\sub\\..\\index.htm");
    AddSelectedFiles(reverse, host, {"C:\\site\\index.htm"});
    EXPECT_EQ(Rows(reverse), (std::vector<std::string>{"C:\\site\\sub\\..\\index.htm", "C:\\site\\index.htm"}));
}

TEST(AddSelectedFiles, AddsAFoldersNamesInTheirOrder) {
    FileList files;
    files.Append("C:\\site\\b.htm");
    NullHost host;
    EXPECT_EQ(AddSelectedFiles(files, host, {"C:\\site", "c.htm", "b.htm", "a.htm", "", "ignored.htm"}), 0);
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"C:\\site\\b.htm", "C:\\site\\c.htm", "C:\\site\\a.htm"}));
    EXPECT_EQ(AddSelectedFiles(files, host, {"D:\\", "x.htm", "y.htm"}), 0);
    EXPECT_EQ(files.path(3), "D:\\x.htm");
    EXPECT_EQ(files.path(4), "D:\\y.htm");
}

TEST(AddSelectedFiles, StopsOnEscKeepingTheFilesAdded) {
    FileList files;
    RecordingHost host;
    host.StopAtPoll(2);
    EXPECT_EQ(AddSelectedFiles(files, host, {"C:\\site", "a.htm", "b.htm", "c.htm"}), kAddStopped);
    EXPECT_EQ(Rows(files), (std::vector<std::string>{"C:\\site\\a.htm", "C:\\site\\b.htm"}));
}

TEST(AddSelectedFiles, PassesOverOverlongPathsAndEmptySelections) {
    FileList files;
    NullHost host;
    EXPECT_EQ(AddSelectedFiles(files, host, {}), 0);
    EXPECT_EQ(AddSelectedFiles(files, host, {""}), 0);
    EXPECT_EQ(AddSelectedFiles(files, host, {"C:\\" + std::string(258, 'x')}), 0);
    EXPECT_EQ(AddSelectedFiles(files, host, {"C:\\", std::string(258, 'y'), std::string(257, 'z')}), 0);
    EXPECT_EQ(Rows(files), std::vector<std::string>{"C:\\" + std::string(257, 'z')});
}

// The same documented result on a real folder, whatever order the file system lists it in.
TEST(ScanFolderOnDisk, ListsATreeInTheDocumentedOrder) {
    TempTree tree;
    for (const char* name : {"site\\zeta.htm", "site\\Alpha.htm", "site\\beta.css", "site\\b\\page.htm",
                             "site\\a\\z.gif", "site\\a\\deep\\d.js", "site\\a\\A.htm", "site\\C\\c.htm"})
        tree.WriteFile(name, "x");
    tree.MakeFolder("site\\empty");
    FileList files;
    files.Append(tree.Path("site\\beta.css"));
    NullHost host;
    ASSERT_EQ(ScanFolder(files, tree.fs(), host, true, tree.Path("site")), 0);
    std::vector<std::string> expected;
    for (const char* name : {"site\\beta.css", "site\\Alpha.htm", "site\\zeta.htm", "site\\a\\A.htm", "site\\a\\z.gif",
                             "site\\a\\deep\\d.js", "site\\b\\page.htm", "site\\C\\c.htm"})
        expected.push_back(tree.Path(name));
    EXPECT_EQ(Rows(files), expected);

    ASSERT_EQ(ScanFolder(files, tree.fs(), host, true, tree.Path("site")), 0);
    EXPECT_EQ(files.size(), 8);
}

TEST(ScanFolderOnDisk, EscKeepsWhatWasAdded) {
    TempTree tree;
    for (const char* name : {"a.htm", "b.htm", "c.htm"}) tree.WriteFile(std::string("site\\") + name, "");
    tree.WriteFile("site\\sub\\d.htm", "");
    FileList files;
    RecordingHost host;
    host.StopAtPoll(1);
    EXPECT_EQ(ScanFolder(files, tree.fs(), host, true, tree.Path("site")), kAddStopped);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files.path(0).substr(0, tree.Path("site\\").size()), tree.Path("site\\"));
    EXPECT_NE(files.path(0), tree.Path("site\\sub\\d.htm"));
}

}  // namespace
}  // namespace corvane
