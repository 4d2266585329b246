// The apply step: the walk, its log and status, backups, byte order, stopping, and every failure of a file operation.
#include "apply/apply_driver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/search_driver.h"
#include "filelist/folder_scan.h"
#include "support/engine_parts.h"
#include "support/memory_file_system.h"
#include "support/temp_tree.h"

namespace corvane {
namespace {

// Keeps every log line, progress step, status text and question; answers pumps from a script.
class RecordingHost : public OperationHost {
public:
    void AddLogLine(const std::string& text, bool append) override {
        if (append && !log.empty()) {
            log.back() += text;
        } else {
            log.push_back(text);
        }
    }
    void SetOverallProgress(std::int32_t done, std::int32_t total) override { progress.emplace_back(done, total); }
    void SetFileProgress(std::int32_t, std::int32_t) override {}
    void SetStatusText(const std::string& text) override { status = text; }
    int PumpMessages() override {
        int result = pumps < pumpResults.size() ? pumpResults[pumps] : kPollNothing;
        ++pumps;
        return result;
    }
    bool AskYesNo(const std::string& question) override {
        questions.push_back(question);
        return answerYes;
    }

    std::vector<std::string> log;
    std::vector<std::pair<std::int32_t, std::int32_t>> progress;
    std::string status;
    std::vector<int> pumpResults;  // what the n-th pump reports
    std::size_t pumps = 0;
    std::vector<std::string> questions;
    bool answerYes = true;
};

// Site texts are written here as 8-bit text; UTF-16 files get them widened behind their mark.
std::string Encode(const std::string& text, std::uint8_t encoding) {
    if (encoding == kEncoding8Bit) return text;
    const bool big = encoding == kEncodingUtf16BE;
    std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : text) {
        if (big) bytes += '\0';
        bytes += c;
        if (!big) bytes += '\0';
    }
    return bytes;
}

// A small site: its files, their queued changes and the texts they should end up with.
struct SiteFile {
    std::string path;
    std::string text;           // 8-bit form of the content
    std::uint8_t encoding;
    std::string newText;        // 8-bit form of the expected content after applying
    bool present = true;
};

const std::vector<SiteFile>& SiteFiles() {
    static const std::vector<SiteFile> files = {
        {"C:\\site\\index.htm", "<html><a href=\"old.htm\">Old</a> <a href=\"gone.htm\">Gone</a>\r\n</html>",
         kEncoding8Bit, "<html><a href=\"new.htm\">Old</a> Gone</html>"},
        {"C:\\site\\img\\logo.gif", "GIF89a\x01\x02", kEncoding8Bit, "GIF89a\x01\x02"},
        {"C:\\site\\sub\\page.html", "<a href=\"a.htm\">A</a>", kEncodingUtf16BE, "<a href=\"b.htm\">A</a>"},
        {"C:\\site\\style.css", "body { background: url(bg.gif) }", kEncoding8Bit,
         "body { background: url(bg.gif) }"},
        {"C:\\site\\le.HTM", "<a href=x.htm>X</a>", kEncodingUtf16LE, "<a target=_top href=x.htm>X</a>"},
        {"C:\\site\\empty.htm", "", kEncoding8Bit, ""},
        {"C:\\site\\missing.htm", "", kEncoding8Bit, "", false},
    };
    return files;
}

class Site {
public:
    explicit Site(bool backups = true) {
        review.makeBackups = backups;
        review.allowLinkDeletion = true;
        for (const SiteFile& f : SiteFiles()) {
            files.Append(f.path);
            if (f.present) fs.AddFile(f.path, Encode(f.text, f.encoding));
        }
        fs.AddFile("C:\\site\\index.htm.bak", "an older backup");
        Queue(0, "<a", "\"old.htm\"", "new.htm");
        Queue(0, "<a href=\"gone", "\"gone.htm\"", "");
        Queue(2, "<a", "\"a.htm\"", "b.htm");
        Queue(4, "<a", "", ":::_top", true);
        links.AddSecondPassLink(1);
        links.AddSecondPassLink(0);
    }

    // Queues a change of `span` (delimiters included) in the tag that begins with `tagText`.
    void Queue(std::uint32_t row, const std::string& tagText, const std::string& span, const std::string& stored,
               bool addTarget = false) {
        const SiteFile& f = SiteFiles()[row];
        const std::size_t tag = f.text.find(tagText);
        const std::size_t value = addTarget ? tag : f.text.find(span, tag);
        auto pos = [&](std::size_t narrow) {
            return static_cast<std::int32_t>(f.encoding == kEncoding8Bit ? narrow : 2 + 2 * narrow);
        };
        LinkRecord& r = links.Pending();
        r.linkUrl = span;
        r.linkReplacement = stored;
        r.linkFile = row;
        r.linkTagPos = pos(tag);
        r.linkValuePos = pos(value);
        r.linkValueLen = static_cast<std::uint32_t>(span.size());
        r.linkQuoteLen = span.empty() || span[0] != '"' ? 0 : 1;
        links.Commit();
        links.setFileEncoding(row, f.encoding);
    }

    std::int32_t Apply(FileSystem& fileSystem) {
        ApplyContext context{{links, files, review, deletion, search, processing, "C:\\site\\", Windows1252CodePage()},
                             fileSystem,
                             host};
        return ApplyAllChanges(context);
    }
    std::int32_t Apply() { return Apply(fs); }

    MemoryFileSystem fs;
    LinkTable links;
    FileList files;
    ReviewOptions review;
    DeletionOptions deletion;
    SearchOptions search;
    ProcessingOptions processing;
    RecordingHost host;
};

std::vector<std::string> TempFiles(const MemoryFileSystem& fs) {
    std::vector<std::string> found;
    for (const std::string& path : fs.Files())
        if (path.find("~cv") != std::string::npos) found.push_back(path);
    return found;
}

TEST(ApplyDriver, RewritesEveryPageKeepingBackups) {
    Site site;
    EXPECT_EQ(site.Apply(), 4);
    for (const SiteFile& f : SiteFiles()) {
        SCOPED_TRACE(f.path);
        EXPECT_EQ(site.fs.Content(f.path), Encode(f.newText, f.encoding));
    }
    EXPECT_EQ(site.fs.Content("C:\\site\\index.htm.bak"), SiteFiles()[0].text);  // the older backup is replaced
    EXPECT_EQ(site.fs.Content("C:\\site\\sub\\page.html.bak"), Encode(SiteFiles()[2].text, kEncodingUtf16BE));
    EXPECT_EQ(site.fs.Content("C:\\site\\style.css.bak"), SiteFiles()[3].text);
    EXPECT_FALSE(site.fs.HasFile("C:\\site\\img\\logo.gif.bak"));
    EXPECT_FALSE(site.fs.HasFile("C:\\site\\empty.htm.bak"));
    EXPECT_TRUE(TempFiles(site.fs).empty());
    // The removed link's record leaves the second-pass list.
    EXPECT_EQ(site.links.secondPassLinks(), std::vector<std::int32_t>{0});
}

TEST(ApplyDriver, LogsEachFileItWrites) {
    Site site;
    site.Apply();
    const std::vector<std::string> expected = {
        "Processing \"C:\\site\\index.htm\" (68 bytes) ... done",
        "Processing \"C:\\site\\sub\\page.html\" (44 bytes) ... done",
        "Processing \"C:\\site\\style.css\" (32 bytes) ... done",
        "Processing \"C:\\site\\le.HTM\" (40 bytes) ... done",
    };
    EXPECT_EQ(site.host.log, expected);
    std::vector<std::pair<std::int32_t, std::int32_t>> progress;
    for (std::int32_t i = 0; i < 7; ++i) progress.emplace_back(i, 7);
    EXPECT_EQ(site.host.progress, progress);
    EXPECT_EQ(site.host.pumps, 7u);
    EXPECT_TRUE(site.host.questions.empty());
}

TEST(ApplyDriver, WithoutBackupsNoBackupIsMadeAndOldOnesStay) {
    Site site(false);
    EXPECT_EQ(site.Apply(), 4);
    for (const SiteFile& f : SiteFiles()) EXPECT_EQ(site.fs.Content(f.path), Encode(f.newText, f.encoding));
    EXPECT_EQ(site.fs.Content("C:\\site\\index.htm.bak"), "an older backup");
    EXPECT_FALSE(site.fs.HasFile("C:\\site\\style.css.bak"));
    EXPECT_TRUE(TempFiles(site.fs).empty());
}

// A page whose new text is its old one is written again only to get its backup; the log is the same either way.
TEST(ApplyDriver, UnchangedPageIsWrittenOnlyForItsBackup) {
    const struct {
        bool backups;
        std::vector<std::string> written;
    } cases[] = {
        {true, {"index.htm", "sub\\page.html", "style.css", "le.HTM"}},
        {false, {"index.htm", "sub\\page.html", "le.HTM"}},
    };
    const std::string prefix = "write C:\\site\\";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.backups ? "with backups" : "without backups");
        Site site(c.backups);
        EXPECT_EQ(site.Apply(), 4);
        std::vector<std::string> written;
        for (const std::string& line : site.fs.journal())
            if (line.rfind(prefix, 0) == 0)
                written.push_back(line.substr(prefix.size(), line.find(".~cv") - prefix.size()));
        EXPECT_EQ(written, c.written);
        ASSERT_EQ(site.host.log.size(), 4u);
        EXPECT_EQ(site.host.log[2], "Processing \"C:\\site\\style.css\" (32 bytes) ... done");
        EXPECT_EQ(site.fs.Content("C:\\site\\style.css"), SiteFiles()[3].text);
    }
}

TEST(ApplyDriver, BigEndianPageKeepsItsMarkAndByteOrder) {
    Site site;
    site.Apply();
    const std::string written = site.fs.Content("C:\\site\\sub\\page.html");
    ASSERT_GE(written.size(), 4u);
    EXPECT_EQ(written.substr(0, 4), std::string("\xFE\xFF\0<", 4));
    EXPECT_EQ(written, Encode("<a href=\"b.htm\">A</a>", kEncodingUtf16BE));
    // One write per file: the big-endian bytes are made before anything is written.
    int writes = 0;
    for (const std::string& line : site.fs.journal())
        if (line.rfind("write C:\\site\\sub\\page.html", 0) == 0) ++writes;
    EXPECT_EQ(writes, 1);
}

TEST(ApplyDriver, EscAnsweredNoGoesOn) {
    Site site;
    site.host.pumpResults = {kPollNothing, kPollStop, kPollSkip};
    site.host.answerYes = false;
    EXPECT_EQ(site.Apply(), 4);
    EXPECT_EQ(site.host.questions, std::vector<std::string>{
                                       "There are still some files to be processed, are you sure you want to cancel?"});
    EXPECT_EQ(site.fs.Content("C:\\site\\style.css.bak"), SiteFiles()[3].text);
}

TEST(ApplyDriver, EscAnsweredYesStopsAfterTheCurrentFile) {
    Site site;
    site.host.pumpResults = {kPollStop};
    EXPECT_EQ(site.Apply(), kApplyStopped);
    EXPECT_EQ(site.host.questions.size(), 1u);
    EXPECT_EQ(site.host.log.size(), 1u);
    EXPECT_EQ(site.fs.Content("C:\\site\\index.htm"), SiteFiles()[0].newText);
    EXPECT_EQ(site.fs.Content("C:\\site\\index.htm.bak"), SiteFiles()[0].text);
    EXPECT_EQ(site.fs.Content("C:\\site\\style.css"), SiteFiles()[3].text);
    EXPECT_FALSE(site.fs.HasFile("C:\\site\\style.css.bak"));
}

TEST(ApplyDriver, EscOnTheLastFileStillAsks) {
    Site site;
    site.host.pumpResults = std::vector<int>(6, kPollNothing);
    site.host.pumpResults.push_back(kPollStop);
    EXPECT_EQ(site.Apply(), kApplyStopped);
    EXPECT_EQ(site.fs.Content("C:\\site\\le.HTM"), Encode(SiteFiles()[4].newText, kEncodingUtf16LE));
}

TEST(ApplyDriver, HostThatCannotAskStops) {
    struct SilentHost : NullHost {
        int PumpMessages() override { return kPollStop; }
    } host;
    Site site;
    ApplyContext context{{site.links, site.files, site.review, site.deletion, site.search, site.processing,
                          "C:\\site\\", Windows1252CodePage()},
                         site.fs,
                         host};
    EXPECT_EQ(ApplyAllChanges(context), kApplyStopped);
}

TEST(ApplyDriver, ListOfImagesWritesNothing) {
    MemoryFileSystem fs;
    LinkTable links;
    FileList files;
    for (const char* path : {"C:\\site\\a.gif", "C:\\site\\b.JPG", "C:\\site\\htm"}) {
        files.Append(path);
        fs.AddFile(path, "picture");
    }
    ReviewOptions review;
    DeletionOptions deletion;
    SearchOptions search;
    ProcessingOptions processing;
    RecordingHost host;
    ApplyContext context{{links, files, review, deletion, search, processing, "C:\\site\\", Windows1252CodePage()},
                         fs,
                         host};
    const std::int32_t n = ApplyAllChanges(context);
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(fs.OperationCount(MemoryFileSystem::kWrite), 0);
    EXPECT_EQ(fs.OperationCount(MemoryFileSystem::kMove), 0);
    ShowApplyStatus(host, kApplyStatusDone, n, 0);
    EXPECT_EQ(host.status, "Done: 0 change(s) in 0 file(s) applied successfully");
}

TEST(ApplyDriver, StatusTexts) {
    EXPECT_EQ(ApplyStatusText(kApplyStatusRunning, 0, 0), "Press ESC to stop");
    EXPECT_EQ(ApplyStatusText(kApplyStatusDone, 12, 5), "Done: 12 change(s) in 5 file(s) applied successfully");
    EXPECT_EQ(ApplyStatusText(kApplyStatusStopped, 3, 5), "Stopped");
    EXPECT_STREQ(kDiskWritingErrorText, "Step8: Disk writing error!");
}

TEST(ApplyDriver, FailedWriteIsADiskErrorAndTouchesNothing) {
    Site site;
    site.fs.FailOperation(MemoryFileSystem::kWrite, 1);
    EXPECT_EQ(site.Apply(), kApplyDiskWriteError);
    for (const SiteFile& f : SiteFiles()) {
        if (f.present) {
            EXPECT_EQ(site.fs.Content(f.path), Encode(f.text, f.encoding));
        }
    }
    EXPECT_EQ(site.fs.Content("C:\\site\\index.htm.bak"), "an older backup");
    EXPECT_TRUE(TempFiles(site.fs).empty());
    EXPECT_EQ(site.host.log, std::vector<std::string>{"Processing \"C:\\site\\index.htm\" (68 bytes) ... "});
}

TEST(ApplyDriver, FileThatCannotBeMovedAsideStaysAsItWas) {
    Site site;
    site.fs.FailOperation(MemoryFileSystem::kMove, 1);  // index.htm -> index.htm.bak
    EXPECT_EQ(site.Apply(), 2);                       // the records of the other files written
    EXPECT_EQ(site.fs.Content("C:\\site\\index.htm"), SiteFiles()[0].text);
    EXPECT_EQ(site.fs.Content("C:\\site\\index.htm.bak"), "an older backup");
    EXPECT_EQ(site.host.log[0], "Processing \"C:\\site\\index.htm\" (68 bytes) ... "
                                "not written: it cannot be moved to its backup (is it in use?)");
    EXPECT_TRUE(TempFiles(site.fs).empty());
}

TEST(ApplyDriver, LeftoverTemporaryFileIsNeitherUsedNorRemoved) {
    Site site;
    site.fs.AddFile("C:\\site\\index.htm.~cv", "someone's file");
    EXPECT_EQ(site.Apply(), 4);
    EXPECT_EQ(site.fs.Content("C:\\site\\index.htm"), SiteFiles()[0].newText);
    EXPECT_EQ(site.fs.Content("C:\\site\\index.htm.~cv"), "someone's file");
    EXPECT_EQ(TempFiles(site.fs).size(), 1u);
}

TEST(ApplyDriver, FileListedTwiceIsWrittenOnce) {
    Site site;
    site.files.Append("C:\\SITE\\INDEX.HTM");
    site.Queue(0, "<a", "\"old.htm\"", "other.htm");
    site.links[site.links.linkCount() - 1].linkFile = 7;
    EXPECT_EQ(site.Apply(), 4);
    EXPECT_EQ(site.fs.Content("C:\\site\\index.htm"), SiteFiles()[0].newText);
    EXPECT_EQ(site.fs.Content("C:\\site\\index.htm.bak"), SiteFiles()[0].text);
    EXPECT_EQ(site.host.log.size(), 4u);
}

TEST(ApplyDriver, PathAtTheLengthLimitIsWrittenThroughAShortTemporaryName) {
    Site site(false);
    const std::string page = "C:\\site\\" + std::string(247, 'p') + ".htm";
    ASSERT_EQ(page.size(), 259u);
    site.files.Append(page);
    site.fs.AddFile(page, "<a href=\"x.htm\">");
    LinkRecord& r = site.links.Pending();
    r.linkReplacement = "y.htm";
    r.linkFile = 7;
    r.linkValuePos = 8;
    r.linkValueLen = 7;
    r.linkQuoteLen = 1;
    site.links.Commit();
    EXPECT_EQ(site.Apply(), 5);
    EXPECT_EQ(site.fs.Content(page), "<a href=\"y.htm\">");
    for (const std::string& line : site.fs.journal()) {
        if (line.rfind("write ", 0) == 0) {
            EXPECT_LE(line.size(), 6u + 259u) << line;
        }
    }
    EXPECT_TRUE(TempFiles(site.fs).empty());
}

TEST(ApplyDriver, FileWhoseNewTextCannotBeCreatedIsPassedOverAndTheWalkGoesOn) {
    Site site;
    site.fs.SetReadOnlyFolder("C:\\site\\sub");
    std::int32_t passedOver = -1;
    ApplyContext context{{site.links, site.files, site.review, site.deletion, site.search, site.processing,
                          "C:\\site\\", Windows1252CodePage()},
                         site.fs, site.host, nullptr, &passedOver};
    EXPECT_EQ(ApplyAllChanges(context), 3);
    EXPECT_EQ(passedOver, 1);
    EXPECT_EQ(site.fs.Content("C:\\site\\sub\\page.html"), Encode(SiteFiles()[2].text, kEncodingUtf16BE));
    EXPECT_FALSE(site.fs.HasFile("C:\\site\\sub\\page.html.bak"));
    EXPECT_EQ(site.fs.Content("C:\\site\\le.HTM"), Encode(SiteFiles()[4].newText, kEncodingUtf16LE));
    EXPECT_EQ(site.host.log[1], "Processing \"C:\\site\\sub\\page.html\" (44 bytes) ... not written: "
                                "its new text cannot be created beside it (access denied)");
    EXPECT_EQ(ApplyStatusText(kApplyStatusDone, 3, 4, passedOver),
              "Done: 3 change(s) in 4 file(s) applied, 1 file(s) not written");
}

// What the disk may hold besides plain folders: each shape is scanned, searched and applied as
// the wizard does; every page must come out rewritten once, with its original in its backup.
TEST(ApplyDriverOnDisk, EveryDiskShapeWritesEachPageOnceKeepingItsOriginal) {
    namespace fs = std::filesystem;
    struct Page {
        std::string path, text, fixed;
    };
    const std::vector<Page> pages = {
        {"site\\index.html", "<img src=\"imgs/logo.gif\"> <a href=\"v2/news.html\">n</a>",
         "<img src=\"images/logo.gif\"> <a href=\"v2/news.html\">n</a>"},
        {"site\\sub\\page.html", "<img src=\"../imgs/logo.gif\"> <a href=\"../index.html\">i</a>",
         "<img src=\"../images/logo.gif\"> <a href=\"../index.html\">i</a>"},
        {"site\\v2\\news.html", "<img src=\"../image/logo.gif\">", "<img src=\"../images/logo.gif\">"}};
    struct Shape {
        const char* name;
        bool (*make)(TempTree&);  // before the search; false: this system cannot make it
        bool editNewsAfterSearch;
        const char* alsoListed;  // a second name of a file, listed by hand as an older list may hold it
    };
    const Shape shapes[] = {
        {"plain", [](TempTree&) { return true; }, false, nullptr},
        {"loop", [](TempTree& t) { return t.MakeFolderLink("site\\sub\\up", ".."); }, false, nullptr},
        {"folder link", [](TempTree& t) { return t.MakeFolderLink("site\\current", "v2"); }, false,
         "site\\current\\news.html"},
        {"hard link",
         [](TempTree& t) {
             std::error_code e;
             fs::create_hard_link(t.HostPath("site\\sub\\page.html"), t.HostPath("site\\sub\\twin.html"), e);
             return !e;
         },
         false, "site\\sub\\twin.html"},
        {"edited after the search", [](TempTree&) { return true; }, true, nullptr},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        TempTree tree;
        tree.WriteFile("site\\images\\logo.gif", "GIF89a");
        for (const Page& page : pages) tree.WriteFile(page.path, page.text);
        if (!shape.make(tree)) {
            std::printf("[  SKIPPED ] %s: this system cannot make it\n", shape.name);
            continue;
        }
        testing_support::EngineParts<RecordingHost> engine;
        engine.search.checkInternetUrls = false;
        ASSERT_EQ(ScanFolder(engine.files, tree.fs(), engine.host, true, tree.Path("site")), 0);
        EXPECT_EQ(engine.files.size(), 4);
        // (Where the system cannot open a file through the link, there is no second name to list.)
        FileInfo info;
        const bool secondName = shape.alsoListed != nullptr &&
                                engine.files.FindFileRow(tree.Path(shape.alsoListed), 4) == -1 &&
                                tree.fs().GetFileInfo(tree.Path(shape.alsoListed), info);
        if (secondName) engine.files.Append(tree.Path(shape.alsoListed));
        SearchState state;
        ASSERT_EQ(RunSearch(engine.ctx, tree.fs(), state), kSearchChanges);
        if (shape.editNewsAfterSearch) tree.WriteFile(pages[2].path, "edited <img src=\"../image/logo.gif\">");
        ReviewOptions review;
        DeletionOptions deletion;
        std::int32_t passedOver = -1;
        ApplyContext context{{engine.links, engine.files, review, deletion, engine.search, engine.processing,
                              state.rootPath, Windows1252CodePage()},
                             tree.fs(), engine.host, &state.stamps, &passedOver};
        EXPECT_EQ(ApplyAllChanges(context), shape.editNewsAfterSearch ? 2 : 3);
        EXPECT_EQ(passedOver, (shape.editNewsAfterSearch ? 1 : 0) + (secondName ? 1 : 0));
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const Page& page = pages[i];
            if (shape.editNewsAfterSearch && i == 2) {
                EXPECT_EQ(tree.ReadFile(page.path), "edited <img src=\"../image/logo.gif\">");
                EXPECT_FALSE(tree.Exists(page.path + ".bak"));
                EXPECT_EQ(engine.host.log.back(), "Processing \"" + tree.Path(page.path) + "\" (36 bytes) ... "
                                                  "changed since the search: not written");
                continue;
            }
            EXPECT_EQ(tree.ReadFile(page.path), page.fixed) << page.path;
            EXPECT_EQ(tree.ReadFile(page.path + ".bak"), page.text) << page.path;
        }
    }
}

// After any failure: every site file holds its old bytes or its new ones; when it holds the
// new ones its backup (if backups are made) holds the old ones; when it is missing its backup
// holds the old bytes. Returns a description of the first violation, or "".
std::string CheckNothingLost(const Site& site, bool backups) {
    for (const SiteFile& f : SiteFiles()) {
        if (!f.present) continue;
        const std::string old = Encode(f.text, f.encoding);
        const std::string now = site.fs.Content(f.path);
        const std::string backup = site.fs.Content(f.path + ".bak");
        // What a crash would keep: only texts flushed to the disk count.
        if (site.fs.HasFile(f.path) && !site.fs.Durable(f.path)) return f.path + " holds a text not on the disk";
        if (site.fs.HasFile(f.path + ".bak") && !site.fs.Durable(f.path + ".bak"))
            return f.path + ".bak holds a text not on the disk";
        if (!site.fs.HasFile(f.path)) {
            if (backup != old) return f.path + " is missing and its backup lost the old text";
        } else if (now == Encode(f.newText, f.encoding) && now != old) {
            if (backups && backup != old) return f.path + " was rewritten without a backup of the old text";
        } else if (now != old) {
            return f.path + " holds neither its old nor its new text";
        }
    }
    return std::string();
}

class ApplyFaults : public ::testing::TestWithParam<bool> {};

TEST_P(ApplyFaults, EveryFailingOperationLosesNothing) {
    const bool backups = GetParam();
    long total = 0;
    {
        Site site(backups);
        site.Apply();
        total = site.fs.OperationCount(MemoryFileSystem::kAnyOperation);
    }
    ASSERT_GT(total, 15);
    for (long n = 1; n <= total; ++n) {
        SCOPED_TRACE("operation " + std::to_string(n) + " fails");
        Site site(backups);
        site.fs.FailOperation(MemoryFileSystem::kAnyOperation, n);
        const std::int32_t result = site.Apply();
        EXPECT_EQ(CheckNothingLost(site, backups), "");
        EXPECT_TRUE(TempFiles(site.fs).empty());
        // One failure never leaves a page missing under its own name.
        for (const SiteFile& f : SiteFiles()) EXPECT_EQ(site.fs.HasFile(f.path), f.present) << f.path;
        EXPECT_TRUE(result == kApplyDiskWriteError || (result >= 0 && result <= 4)) << result;
        if (result == kApplyDiskWriteError) {
            // Only a failed write or flush of new texts stops the walk.
            const std::string& failed = site.fs.journal()[static_cast<std::size_t>(n - 1)];
            EXPECT_TRUE(failed.rfind("write ", 0) == 0 || failed.rfind("flush files ", 0) == 0) << failed;
        }
        // The files that the failed operation did not concern are written all the same.
        if (result >= 0) {
            const std::string& failed = site.fs.journal()[static_cast<std::size_t>(n - 1)];
            for (const SiteFile& f : SiteFiles()) {
                if (!f.present || failed.find(f.path) != std::string::npos) continue;
                EXPECT_EQ(site.fs.Content(f.path), Encode(f.newText, f.encoding)) << f.path;
            }
        }
    }
}

TEST_P(ApplyFaults, DiskThatStopsWorkingLosesNothing) {
    const bool backups = GetParam();
    long total = 0;
    {
        Site site(backups);
        site.Apply();
        total = site.fs.OperationCount(MemoryFileSystem::kAnyOperation);
    }
    for (long n = 1; n <= total; ++n) {
        SCOPED_TRACE("operations fail from " + std::to_string(n) + " on");
        Site site(backups);
        site.fs.FailOperationsFrom(MemoryFileSystem::kAnyOperation, n);
        site.Apply();
        EXPECT_EQ(CheckNothingLost(site, backups), "");
    }
}

INSTANTIATE_TEST_SUITE_P(BackupsOnAndOff, ApplyFaults, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("WithBackups") : std::string("WithoutBackups");
                         });

// A stop mid-batch leaves what a walk that never reached the later rows leaves: their files, the
// log, the records' positions and the second-pass list.
TEST(ApplyDriver, StopAtAnyRowLeavesWhatTheRowsBeforeItLeave) {
    auto prepare = [](Site& site) {
        site.Queue(2, "<a", "\"a.htm\"", "");  // deletes the tag: both records of row 2 go
        site.links.AddSecondPassLink(2);
    };
    for (std::size_t stopAt = 0; stopAt < SiteFiles().size(); ++stopAt) {
        SCOPED_TRACE("stop at row " + std::to_string(stopAt));
        Site stopped, reference;
        prepare(stopped);
        prepare(reference);
        stopped.host.pumpResults.assign(stopAt, kPollNothing);
        stopped.host.pumpResults.push_back(kPollStop);
        for (std::size_t row = stopAt + 1; row < SiteFiles().size(); ++row) reference.fs.Remove(SiteFiles()[row].path);
        EXPECT_EQ(stopped.Apply(), kApplyStopped);
        reference.Apply();
        EXPECT_EQ(stopped.host.log, reference.host.log);
        EXPECT_EQ(stopped.links.secondPassLinks(), reference.links.secondPassLinks());
        for (std::int32_t r = 0; r < stopped.links.linkCount(); ++r)
            EXPECT_EQ(stopped.links[r].linkValuePos, reference.links[r].linkValuePos) << "record " << r;
        for (std::size_t row = 0; row <= stopAt; ++row)
            EXPECT_EQ(stopped.fs.Content(SiteFiles()[row].path), reference.fs.Content(SiteFiles()[row].path));
        EXPECT_TRUE(TempFiles(stopped.fs).empty());
    }
}

// Hundreds of pages: written in list order in a few flushes, each new text flushed before it
// takes its page's name, and a disk that stops at any point loses nothing.
TEST(ApplyDriver, ManyPagesAreFlushedInBatchesLosingNothing) {
    const int kPages = 300;
    auto build = [&](Site& site) {
        for (int p = 0; p < kPages; ++p) {
            const std::string path = "C:\\site\\many\\p" + std::to_string(p) + ".htm";
            site.files.Append(path);
            site.fs.AddFile(path, "<a href=\"old.htm\">" + std::to_string(p) + "</a>");
            LinkRecord& r = site.links.Pending();
            r.linkReplacement = "new.htm";
            r.linkFile = static_cast<std::uint32_t>(site.files.size() - 1);
            r.linkValuePos = 8;
            r.linkValueLen = 9;
            r.linkQuoteLen = 1;
            site.links.Commit();
        }
    };
    auto pagesHold = [&](const Site& site, bool allNew) {
        for (int p = 0; p < kPages; ++p) {
            const std::string path = "C:\\site\\many\\p" + std::to_string(p) + ".htm";
            const std::string old = "<a href=\"old.htm\">" + std::to_string(p) + "</a>";
            const std::string now = site.fs.Content(path), backup = site.fs.Content(path + ".bak");
            const bool backupHoldsOld = backup == old && site.fs.Durable(path + ".bak");
            if (!site.fs.HasFile(path) && !allNew && backupHoldsOld) continue;  // between its two moves
            if (!site.fs.Durable(path)) return path + " is not on the disk";
            if (now == old && !allNew) continue;
            if (now != "<a href=\"new.htm\">" + std::to_string(p) + "</a>") return path + " holds " + now;
            if (!backupHoldsOld) return path + ".bak lost the old text";
        }
        return std::string();
    };
    Site site;
    build(site);
    EXPECT_EQ(site.Apply(), 4 + kPages);
    EXPECT_EQ(pagesHold(site, true), "");
    ASSERT_EQ(site.host.log.size(), 4u + kPages);
    EXPECT_EQ(site.host.log.back(), "Processing \"C:\\site\\many\\p299.htm\" (25 bytes) ... done");
    EXPECT_LE(site.fs.OperationCount(MemoryFileSystem::kFlush), 4);
    const long total = site.fs.OperationCount(MemoryFileSystem::kAnyOperation);
    for (long n = 1; n <= total; n += 37) {
        SCOPED_TRACE("operations fail from " + std::to_string(n) + " on");
        Site failing;
        build(failing);
        failing.fs.FailOperationsFrom(MemoryFileSystem::kAnyOperation, n);
        failing.Apply();
        EXPECT_EQ(pagesHold(failing, false), "");
        EXPECT_EQ(CheckNothingLost(failing, true), "");
    }
}

TEST(ApplyDriver, RealFilesInATemporaryFolder) {
    TempTree tree;
    const std::string page = "<a href=\"old.htm\">Old</a>";
    tree.WriteFile("site\\index.htm", page);
    tree.WriteFile("site\\index.htm.bak", "older");
    tree.WriteFile("site\\sub\\page.htm", Encode(page, kEncodingUtf16BE));
    LinkTable links;
    FileList files;
    files.Append(tree.Path("site\\index.htm"));
    files.Append(tree.Path("site\\sub\\page.htm"));
    for (std::uint32_t row = 0; row < 2; ++row) {
        const std::int32_t unit = row == 0 ? 1 : 2, skip = row == 0 ? 0 : 2;
        LinkRecord& r = links.Pending();
        r.linkUrl = "old.htm";
        r.linkReplacement = "new.htm";
        r.linkFile = row;
        r.linkTagPos = skip;
        r.linkValuePos = skip + 8 * unit;
        r.linkValueLen = 9;
        r.linkQuoteLen = 1;
        links.Commit();
    }
    links.setFileEncoding(1, kEncodingUtf16BE);
    ReviewOptions review;
    DeletionOptions deletion;
    SearchOptions search;
    ProcessingOptions processing;
    RecordingHost host;
    ApplyContext context{
        {links, files, review, deletion, search, processing, tree.Path("site") + "\\", Windows1252CodePage()},
        tree.fs(),
        host};
    EXPECT_EQ(ApplyAllChanges(context), 2);
    const std::string updated = "<a href=\"new.htm\">Old</a>";
    EXPECT_EQ(tree.ReadFile("site\\index.htm"), updated);
    EXPECT_EQ(tree.ReadFile("site\\index.htm.bak"), page);
    EXPECT_EQ(tree.ReadFile("site\\sub\\page.htm"), Encode(updated, kEncodingUtf16BE));
    EXPECT_EQ(tree.ReadFile("site\\sub\\page.htm.bak"), Encode(page, kEncodingUtf16BE));
    EXPECT_FALSE(tree.Exists("site\\index.htm.~cv"));
    EXPECT_FALSE(tree.Exists("site\\sub\\page.htm.~cv"));
}

}  // namespace
}  // namespace corvane
