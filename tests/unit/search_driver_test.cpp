// The search driver: its passes, their log lines, stops, limits, and what a second search repeats.
#include "engine/search_driver.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "filelist/folder_scan.h"
#include "support/engine_parts.h"
#include "support/memory_file_system.h"
#include "support/recording_host.h"
#include "support/temp_tree.h"

namespace corvane {
namespace {

using testing_support::EngineParts;
using testing_support::RecordingHost;
using Progress = std::vector<std::pair<std::int32_t, std::int32_t>>;
using Lines = std::vector<std::string>;

// Scanners that record what they were handed, log as the real ones do and queue a set number
// of changes per path (a negative number: the user stopped in that file).
struct ScanRecorder {
    struct Call {
        char kind;  // 'P' page, 'J' script, 'C' style sheet
        std::string path;
        std::uint32_t file;
        std::string bytes;
    };
    std::vector<Call> calls;
    std::map<std::string, int> changes;
};
ScanRecorder* recorder = nullptr;

int Record(char kind, EngineContext& ctx, const unsigned char* buffer, std::int32_t size, const std::string& path,
           std::uint32_t file) {
    recorder->calls.push_back({kind, path, file, std::string(buffer, buffer + size)});
    ctx.host.AddLogLine(path + " (" + std::to_string(size) + " bytes) ... ", false);
    const int n = recorder->changes[path];
    if (n < 0) return -1;
    for (int i = 0; i < n; ++i) {
        LinkRecord& r = ctx.links.Pending();
        r.linkUrl = "u" + std::to_string(i);
        r.linkReplacement = "r";
        r.linkFile = file;
        ctx.links.Commit();
    }
    ctx.host.AddLogLine(std::to_string(n) + " change(s) to apply", true);
    return n;
}
int RecordPage(EngineContext& c, const unsigned char* b, std::int32_t s, const std::string& p, std::uint32_t f) {
    return Record('P', c, b, s, p, f);
}
int RecordScript(EngineContext& c, const unsigned char* b, std::int32_t s, const std::string& p, std::uint32_t f) {
    return Record('J', c, b, s, p, f);
}
int RecordStyle(EngineContext& c, const unsigned char* b, std::int32_t s, const std::string& p, std::uint32_t f) {
    return Record('C', c, b, s, p, f);
}
const FileScanners kRecordingScanners{&RecordPage, &RecordScript, &RecordStyle};

class SearchDriver : public ::testing::Test, protected EngineParts<RecordingHost> {
protected:
    void SetUp() override {
        recorder = &scans;
        search.searchSavedFromUrl = false;
    }
    void TearDown() override { recorder = nullptr; }

    void Add(const std::string& path, const std::string* content) {
        files.Append(path);
        if (content != nullptr) fs.AddFile(path, *content);
    }
    void Add(const std::string& path, const std::string& content) { Add(path, &content); }
    int Run() { return RunSearch(ctx, fs, state, kRecordingScanners); }
    std::string Line(const std::string& path, std::size_t size, int changes) {
        return path + " (" + std::to_string(size) + " bytes) ... " + std::to_string(changes) + " change(s) to apply";
    }

    ScanRecorder scans;
    MemoryFileSystem fs;
    SearchState state;
};

const std::string kPage = "<a href=\"x.htm\">x</a>";
const std::string kLittle("\xFF\xFE<\0p\0>\0", 8);
const std::string kBig("\xFE\xFF\0<\0p\0>", 8);
const std::string kBigSwapped("\xFF\xFE<\0p\0>\0", 8);
const std::string kSaved = "<!-- saved from url=(0019)http://example.org/ -->";

TEST(ProcessableKind, MatchesTheWholeExtensionIgnoringCase) {
    struct Case {
        const char* path;
        FileKind kind;
    } cases[] = {
        {"C:\\site\\index.htm", kPageFile},      {"C:\\site\\PAGE.HTML", kPageFile},
        {"C:\\site\\a.Shtml", kPageFile},        {"C:\\site\\app.JS", kScriptFile},
        {"C:\\site\\style.css", kStyleSheetFile}, {"C:/site/a.htm", kPageFile},
        {"C:\\site\\.htm", kPageFile},           {"C:\\site\\page.html.bak", kNotProcessable},
        {"C:\\site\\page.htmlx", kNotProcessable}, {"C:\\site\\page.ht", kNotProcessable},
        {"C:\\site.htm\\readme", kNotProcessable}, {"C:\\dir.css/file", kNotProcessable},
        {"C:\\site\\page.", kNotProcessable},    {"C:\\site\\logo.gif", kNotProcessable},
        {"C:\\site\\htm", kNotProcessable},      {"", kNotProcessable},
        {"page.htm", kPageFile},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProcessableKind(c.path), c.kind) << c.path;
        EXPECT_EQ(IsProcessable(c.path), c.kind != kNotProcessable) << c.path;
    }
}

TEST(SearchSummaryText, NamesTheChangesAndTheFiles) {
    EXPECT_EQ(SearchSummaryText(0, 0), "Done: 0 change(s) to apply in 0 file(s)");
    EXPECT_EQ(SearchSummaryText(12, 3), "Done: 12 change(s) to apply in 3 file(s)");
}

TEST(TooManyFilesMessage, IsTheProgramsText) {
    EXPECT_STREQ(kTooManyFilesMessage,
                 "The number of files added for processing exceeds the maximum allowed!\n"
                 "Please remove some files from the list and try again.");
}

TEST_F(SearchDriver, RunsEveryPassAndLogsEachAsWritten) {
    search.searchSavedFromUrl = true;
    const std::string saved = "<!-- saved from url=(0019)http://example.org/ -->";
    Add("C:\\site\\index.htm", kPage);
    Add("C:\\site\\b\\style.css", "a{}");
    Add("C:\\site\\logo.gif", "GIF89a");
    Add("C:\\site\\u.htm", kLittle);
    Add("C:\\site\\be.js", kBig);
    Add("C:\\site\\saved.html", saved);
    scans.changes["C:\\site\\index.htm"] = 2;
    scans.changes["C:\\site\\be.js"] = 1;

    EXPECT_EQ(Run(), kSearchChanges);
    EXPECT_EQ(host.log(), (Lines{
                              ">> Finding the root path ... done",
                              ">> Counting processable files ... 5 file(s) found",
                              ">> Finding Unicode files ... 2 file(s) found",
                              ">> Searching for \"saved from url\" ... ",
                              "C:\\site\\index.htm (21 bytes) ... no \"saved from url\" was found",
                              "C:\\site\\u.htm (8 bytes) ... no \"saved from url\" was found",
                              "C:\\site\\saved.html (" + std::to_string(saved.size()) +
                                  " bytes) ... saved from \"http://example.org/\"",
                              ">> Searching for broken links ...",
                              Line("C:\\site\\index.htm", 21, 2),
                              Line("C:\\site\\b\\style.css", 3, 0),
                              Line("C:\\site\\u.htm", 8, 0),
                              Line("C:\\site\\be.js", 8, 1),
                              Line("C:\\site\\saved.html", saved.size(), 0),
                              ">> Done.",
                          }));
    EXPECT_EQ(host.status(), "Done: 3 change(s) to apply in 5 file(s)");
    EXPECT_EQ(state.rootPath, "C:\\site\\");
    EXPECT_EQ(ctx.rootPath, "C:\\site\\");
    EXPECT_EQ(state.processableFileCount, 5);
    EXPECT_EQ(links.fileEncoding(0), kEncoding8Bit);
    EXPECT_EQ(links.fileEncoding(3), kEncodingUtf16LE);
    EXPECT_EQ(links.fileEncoding(4), kEncodingUtf16BE);
    EXPECT_EQ(savedFrom.savedFromCount(), 1);
    ASSERT_EQ(scans.calls.size(), 5u);
    EXPECT_EQ(std::string({scans.calls[0].kind, scans.calls[1].kind, scans.calls[2].kind, scans.calls[3].kind}),
              "PCPJ");
    EXPECT_EQ(scans.calls[3].file, 4u);
}

TEST_F(SearchDriver, LeavesTheSavedFromPassOutUnlessAsked) {
    Add("C:\\site\\a.htm", "<!-- saved from url=(0019)http://example.org/ -->");
    Run();
    EXPECT_EQ(savedFrom.savedFromCount(), 0);
    for (const std::string& line : host.log()) EXPECT_EQ(line.find("saved from"), std::string::npos) << line;
}

TEST_F(SearchDriver, FindsNothingToDoInAListWithoutProcessableFiles) {
    Add("C:\\site\\logo.gif", "GIF");
    Add("C:\\site\\readme.txt", "text");
    EXPECT_EQ(Run(), kSearchNoChanges);
    EXPECT_EQ(host.log(), (Lines{
                              ">> Finding the root path ... done",
                              ">> Counting processable files ... 0 file(s) found",
                              ">> Finding Unicode files ... 0 file(s) found",
                              ">> Searching for broken links ...",
                          }));
    EXPECT_EQ(host.status(), "Done: 0 change(s) to apply in 0 file(s)");
    EXPECT_TRUE(scans.calls.empty());
}

TEST_F(SearchDriver, SecondSearchRepeatsOnlyTheBrokenLinksPass) {
    search.searchSavedFromUrl = true;
    Add("C:\\site\\a.htm", kSaved);
    Add("C:\\site\\be.htm", kBig);
    scans.changes["C:\\site\\a.htm"] = 1;
    ASSERT_EQ(Run(), kSearchChanges);
    ASSERT_EQ(links.linkCount(), 1);

    // The page is rewritten between the searches; what the first search learnt is kept.
    fs.Remove("C:\\site\\be.htm");
    fs.AddFile("C:\\site\\be.htm", kLittle);
    fs.AddFile("C:\\site\\new.htm", kPage);
    host.Clear();
    scans.calls.clear();
    scans.changes["C:\\site\\a.htm"] = 2;
    ASSERT_EQ(Run(), kSearchChanges);
    EXPECT_EQ(host.log(), (Lines{
                              ">> Searching for broken links ...",
                              Line("C:\\site\\a.htm", kSaved.size(), 2),
                              Line("C:\\site\\be.htm", 8, 0),
                              ">> Done.",
                          }));
    EXPECT_EQ(links.linkCount(), 2);
    EXPECT_EQ(savedFrom.savedFromCount(), 1);
    EXPECT_EQ(state.processableFileCount, 2);
    EXPECT_EQ(links.fileEncoding(1), kEncodingUtf16BE);
    ASSERT_EQ(scans.calls.size(), 2u);
    // The encoding found by the first search still holds: the rewritten page is swapped as before.
    EXPECT_EQ(scans.calls[1].bytes, kBig);

    state.Reset();
    host.Clear();
    ASSERT_EQ(Run(), kSearchChanges);
    EXPECT_EQ(host.log().front(), ">> Finding the root path ... done");
    EXPECT_EQ(links.fileEncoding(1), kEncodingUtf16LE);
    EXPECT_EQ(savedFrom.savedFromCount(), 1);
}

TEST_F(SearchDriver, HandsBigEndianTextOverSwappedAndLeavesTheFileAlone) {
    Add("C:\\site\\be.htm", kBig);
    Add("C:\\site\\odd.htm", std::string("\xFE\xFF\0<\0", 5));
    Run();
    ASSERT_EQ(scans.calls.size(), 2u);
    EXPECT_EQ(scans.calls[0].bytes, kBigSwapped);
    EXPECT_EQ(scans.calls[1].bytes, std::string("\xFF\xFE<\0\0", 5));
    EXPECT_EQ(fs.Content("C:\\site\\be.htm"), kBig);
}

TEST_F(SearchDriver, SkipsVanishedEmptyAndUnreadableFilesButMovesTheBar) {
    Add("C:\\site\\a.htm", kPage);
    Add("C:\\site\\gone.htm", nullptr);
    Add("C:\\site\\logo.gif", "GIF");
    Add("C:\\site\\empty.css", "");
    Add("C:\\site\\locked.js", "x");
    Add("C:\\site\\z.htm", kPage);
    fs.FailOperation(MemoryFileSystem::kRead, 4);  // the reads: a, gone, empty, locked
    EXPECT_EQ(Run(), kSearchNoChanges);
    ASSERT_EQ(scans.calls.size(), 2u);
    EXPECT_EQ(scans.calls[0].path, "C:\\site\\a.htm");
    EXPECT_EQ(scans.calls[1].path, "C:\\site\\z.htm");
    Progress expected{{0, 2}, {0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}};
    EXPECT_EQ(host.overallProgress(), expected);
    EXPECT_EQ(links.fileEncoding(1), kEncoding8Bit);
}

TEST_F(SearchDriver, TakesTheRootFromTheRowWithTheEarliestLastBackslash) {
    struct Case {
        std::vector<std::string> rows;
        const char* root;
    } cases[] = {
        {{"C:\\site\\a\\x.htm", "C:\\site\\y.htm", "C:\\site\\b\\z.htm"}, "C:\\site\\"},
        {{"C:\\aa\\x.htm", "C:\\bb\\y.htm"}, "C:\\aa\\"},
        {{"C:\\site\\sub\\a.htm", "D:\\x.htm"}, "D:\\"},
        {{"\\\\server\\share\\a.htm"}, "\\\\server\\share\\"},
        {{"noslash.htm", "C:\\site\\a.htm"}, "C:\\site\\"},
        {{"noslash.htm"}, "\\"},
        {{}, "\\"},
    };
    for (const Case& c : cases) {
        FileList list;
        for (const std::string& row : c.rows) list.Append(row);
        RecordingHost quiet;
        EngineContext each{links, list, savedFrom, search, processing, quiet, std::string(), true, nullptr};
        SearchState fresh;
        EXPECT_EQ(RootPathPass(each, fresh), 0);
        EXPECT_EQ(fresh.rootPath, c.root) << (c.rows.empty() ? "(empty)" : c.rows[0]);
        EXPECT_EQ(each.rootPath, c.root);
    }
}

// ESC at the first poll of each pass: the chain ends there, the status reads "Stopped".
TEST_F(SearchDriver, StopsAtEachPass) {
    const std::string saved = kSaved;
    const std::string stoppedPage = "C:\\site\\b.htm (" + std::to_string(kSaved.size()) + " bytes) ... ";
    struct Case {
        const char* name;
        std::int32_t poll;  // three rows: polls 1-3 root, 4-6 counting, 7-9 Unicode, 10-11 saved from
        std::size_t logLines;
        std::string lastLine;
    } cases[] = {
        {"root", 2, 1, ">> Finding the root path ... "},
        {"counting", 4, 2, ">> Counting processable files ... "},
        {"unicode", 9, 3, ">> Finding Unicode files ... "},
        {"saved from", 11, 6, stoppedPage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem disk;
        FileList list;
        for (const char* p : {"C:\\site\\a.htm", "C:\\site\\b.htm", "C:\\site\\x.gif"}) {
            list.Append(p);
            disk.AddFile(p, saved);
        }
        RecordingHost keys;
        keys.StopAtPoll(c.poll);
        search.searchSavedFromUrl = true;
        EngineContext each{links, list, savedFrom, search, processing, keys, std::string(), true, nullptr};
        SearchState fresh;
        scans.calls.clear();
        EXPECT_EQ(RunSearch(each, disk, fresh, kRecordingScanners), kSearchStopped);
        EXPECT_EQ(keys.status(), "Stopped");
        ASSERT_EQ(keys.log().size(), c.logLines);
        EXPECT_EQ(keys.log().back(), c.lastLine);
        EXPECT_TRUE(scans.calls.empty());
        EXPECT_EQ(fresh.rootPath, "");  // the next search runs every pass again
    }
}

TEST_F(SearchDriver, StopsInTheBrokenLinksPassKeepingWhatWasFound) {
    Add("C:\\site\\a.htm", kPage);
    Add("C:\\site\\b.htm", kPage);
    Add("C:\\site\\c.htm", kPage);
    scans.changes["C:\\site\\a.htm"] = 2;
    scans.changes["C:\\site\\b.htm"] = -1;
    EXPECT_EQ(Run(), kSearchStopped);
    EXPECT_EQ(host.status(), "Stopped");
    EXPECT_EQ(links.linkCount(), 2);
    EXPECT_EQ(scans.calls.size(), 2u);
    EXPECT_EQ(host.log().back(), "C:\\site\\b.htm (21 bytes) ... ");
    EXPECT_EQ(state.rootPath, "C:\\site\\");  // the preliminary passes had finished
}

TEST_F(SearchDriver, AcceptsExactly131072Rows) {
    for (std::int32_t i = 0; i < kMaxSearchFiles; ++i) files.Append("C:\\f\\" + std::to_string(i) + ".gif");
    EXPECT_EQ(Run(), kSearchNoChanges);
    EXPECT_EQ(host.log()[1], ">> Counting processable files ... 0 file(s) found");

    files.Append("C:\\f\\one-too-many.gif");
    host.Clear();
    state.Reset();
    links.Pending().linkUrl = "kept?";
    links.Commit();
    EXPECT_EQ(Run(), kSearchTooManyFiles);
    EXPECT_TRUE(host.log().empty());
    EXPECT_EQ(links.linkCount(), 0);
    EXPECT_EQ(host.status(), "Press ESC to stop");
    EXPECT_EQ(host.overallProgress(), (Progress{{0, 2}}));
    EXPECT_EQ(host.fileProgress(), (Progress{{0, 2}}));
    EXPECT_EQ(host.polls(), 0);
}

// A full link table stops the search with a log line and an error, not a "Done" over a half-checked site.
TEST_F(SearchDriver, StopsWhenTheLinkTableIsFull) {
    struct ErrorHost : RecordingHost {
        void ShowError(const std::string& message) override { errors.push_back(message); }
        Lines errors;
    };
    const struct Case {
        std::int32_t capacity;
        std::size_t scanned;  // all three files: the search finished
    } cases[] = {{5, 3}, {4, 2}, {1, 1}};
    for (const char* path : {"C:\\site\\a.htm", "C:\\site\\b.htm", "C:\\site\\c.htm"}) Add(path, kPage);
    scans.changes = {{"C:\\site\\a.htm", 2}, {"C:\\site\\b.htm", 3}};  // five in all
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        LinkTable small(c.capacity);
        ErrorHost host;
        EngineContext each{small, files, savedFrom, search, processing, host, std::string(), true, nullptr};
        SearchState fresh;
        scans.calls.clear();
        const bool full = c.scanned < 3;
        EXPECT_EQ(RunSearch(each, fs, fresh, kRecordingScanners), full ? kSearchStopped : kSearchChanges);
        EXPECT_EQ(small.linkCount(), c.capacity);
        EXPECT_EQ(scans.calls.size(), c.scanned);
        EXPECT_EQ(host.status(), full ? "Stopped" : SearchSummaryText(5, 3));
        EXPECT_EQ(host.errors, full ? Lines{kTooManyChangesMessage} : Lines{});
        EXPECT_EQ(host.log().back(), full ? ">> Stopped: more than " + std::to_string(c.capacity) + " changes found"
                                          : std::string(">> Done."));
    }
}

// Runs on files in a real folder, with a fresh set of engine parts.
class SearchDriverOnDisk : public ::testing::Test, protected EngineParts<RecordingHost> {};
class SearchDriverWithScanners : public SearchDriverOnDisk {};

TEST_F(SearchDriverOnDisk, SwapsBigEndianTextInMemoryOnly) {
    TempTree tree;
    tree.WriteFile("site\\be.htm", kBig);
    tree.WriteFile("site\\le.htm", kLittle);
    ScanRecorder scans;
    recorder = &scans;
    files.Append(tree.Path("site\\be.htm"));
    files.Append(tree.Path("site\\le.htm"));
    files.Append(tree.Path("site\\vanished.htm"));
    SearchState state;
    EXPECT_EQ(RunSearch(ctx, tree.fs(), state, kRecordingScanners), kSearchNoChanges);
    recorder = nullptr;
    EXPECT_EQ(host.log()[2], ">> Finding Unicode files ... 2 file(s) found");
    ASSERT_EQ(scans.calls.size(), 2u);
    EXPECT_EQ(scans.calls[0].bytes, kBigSwapped);
    EXPECT_EQ(scans.calls[1].bytes, kLittle);
    EXPECT_EQ(tree.ReadFile("site\\be.htm"), kBig);
    EXPECT_EQ(state.rootPath, tree.Path("site\\"));
    // The saved-from pass (on by default) runs the bar to its end, then the scan runs it again.
    EXPECT_EQ(host.overallProgress(), (Progress{{0, 2}, {0, 3}, {1, 3}, {2, 3}, {3, 3}, {0, 3}, {1, 3}, {2, 3}}));
}

// The road of one broken link, from the folder on disk to the queued replacement.
TEST_F(SearchDriverWithScanners, QueuesTheReplacementForABrokenImageLink) {
    TempTree tree;
    const std::string page = "<html><body><IMG src=\"img/logo.gif\"></body></html>";
    tree.WriteFile("site\\index.htm", page);
    tree.WriteFile("site\\images\\logo.gif", "GIF89a");
    search.checkInternetUrls = false;
    ASSERT_EQ(ScanFolder(files, tree.fs(), host, true, tree.Path("site")), 0);
    host.Clear();
    SearchState state;
    ASSERT_EQ(RunSearch(ctx, tree.fs(), state), kSearchChanges);
    ASSERT_EQ(links.linkCount(), 1);
    EXPECT_EQ(links[0].linkUrl, "img/logo.gif");
    EXPECT_EQ(links[0].linkReplacement, "images/logo.gif");
    EXPECT_EQ(links[0].linkFile, 0u);
    EXPECT_TRUE(files.referenced(1));
    const Lines& log = host.log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], ">> Searching for broken links ...");
    EXPECT_EQ(log[log.size() - 2],
              tree.Path("site\\index.htm") + " (" + std::to_string(page.size()) + " bytes) ... 1 change(s) to apply");
    EXPECT_EQ(log.back(), ">> Done.");
    EXPECT_EQ(host.status(), "Done: 1 change(s) to apply in 1 file(s)");
}

}  // namespace
}  // namespace corvane
