// The backup walk: restoring and deleting, matching the extension, walking order, refusals and failures.
#include "restorer/restore_walk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/memory_file_system.h"
#include "support/temp_tree.h"

namespace corvane {
namespace {

// The journal lines of one kind ("list ", "move ", "delete "), in order.
std::vector<std::string> Calls(const MemoryFileSystem& fs, const std::string& kind) {
    std::vector<std::string> found;
    for (const std::string& line : fs.journal())
        if (line.rfind(kind, 0) == 0) found.push_back(line);
    return found;
}

TEST(RestoreWalk, RestoreReplacesTheLiveFile) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\site\\index.html", "new");
    fs.AddFile("C:\\site\\index.html.bak", "old");
    fs.AddFile("C:\\site\\about.htm.bak", "old about");  // its live file is gone
    int processed = 0;
    EXPECT_EQ(RestoreWalk(fs, "C:\\site", "bak", true, kRestoreBackups, processed), kRestoreWalkDone);
    EXPECT_EQ(processed, 2);
    EXPECT_EQ(fs.Content("C:\\site\\index.html"), "old");
    EXPECT_EQ(fs.Content("C:\\site\\about.htm"), "old about");
    EXPECT_FALSE(fs.HasFile("C:\\site\\index.html.bak"));
    EXPECT_FALSE(fs.HasFile("C:\\site\\about.htm.bak"));
    // Replaced in one step, never deleted first.
    EXPECT_TRUE(Calls(fs, "delete ").empty());
}

TEST(RestoreWalk, DeleteLeavesTheLiveFile) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\site\\index.html", "new");
    fs.AddFile("C:\\site\\index.html.bak", "old");
    int processed = 3;
    EXPECT_EQ(RestoreWalk(fs, "C:\\site\\", "bak", true, kDeleteBackups, processed), kRestoreWalkDone);
    EXPECT_EQ(processed, 4);  // added to what was there
    EXPECT_EQ(fs.Content("C:\\site\\index.html"), "new");
    EXPECT_FALSE(fs.HasFile("C:\\site\\index.html.bak"));
}

TEST(RestoreWalk, ExtensionIsTheTextAfterTheLastDotIgnoringCase) {
    struct Case {
        const char* file;
        const char* extension;
        const char* restoredTo;  // nullptr: not a backup
    };
    const Case cases[] = {
        {"page.html.bak", "BAK", "page.html"},
        {"PAGE.HTML.BAK", "bak", "PAGE.HTML"},
        {"readme.bak", "bak", "readme"},
        {"page.html.bak", ".bak", nullptr},
        {"page.bak.html", "bak", nullptr},
        {"bak", "bak", nullptr},
        {".bak", "bak", nullptr},  // the backup of no file
        {"page.html.old", "old", "page.html"},
        {"page.html.bak2", "bak", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " / " + c.extension);
        MemoryFileSystem fs;
        const std::string path = std::string("C:\\site\\") + c.file;
        fs.AddFile(path, "content");
        int processed = 0;
        EXPECT_EQ(RestoreWalk(fs, "C:\\site", c.extension, false, kRestoreBackups, processed), kRestoreWalkDone);
        if (c.restoredTo) {
            EXPECT_EQ(processed, 1);
            EXPECT_EQ(fs.Content(std::string("C:\\site\\") + c.restoredTo), "content");
        } else {
            EXPECT_EQ(processed, 0);
            EXPECT_EQ(fs.Content(path), "content");
        }
    }
}

TEST(RestoreWalk, FilesBeforeSubfoldersDepthFirst) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\site\\b\\y.htm.bak", "1");
    fs.AddFile("C:\\site\\a\\deep\\z.htm.bak", "2");
    fs.AddFile("C:\\site\\x.htm.bak", "3");
    fs.AddFile("C:\\site\\a\\w.htm.bak", "4");
    fs.SetListingOrder("C:\\site", {"b", "a", "x.htm.bak"});
    fs.SetListingOrder("C:\\site\\a", {"deep", "w.htm.bak"});
    int processed = 0;
    EXPECT_EQ(RestoreWalk(fs, "C:\\site", "bak", true, kDeleteBackups, processed), kRestoreWalkDone);
    EXPECT_EQ(processed, 4);
    const std::vector<std::string> expected = {
        "list C:\\site",
        "delete C:\\site\\x.htm.bak",
        "list C:\\site\\b",
        "delete C:\\site\\b\\y.htm.bak",
        "list C:\\site\\a",
        "delete C:\\site\\a\\w.htm.bak",
        "list C:\\site\\a\\deep",
        "delete C:\\site\\a\\deep\\z.htm.bak",
    };
    EXPECT_EQ(fs.journal(), expected);
}

TEST(RestoreWalk, WithoutRecursionOnlyTheFolderItself) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\site\\x.htm.bak", "1");
    fs.AddFile("C:\\site\\sub\\y.htm.bak", "2");
    int processed = 0;
    EXPECT_EQ(RestoreWalk(fs, "C:\\site", "bak", false, kRestoreBackups, processed), kRestoreWalkDone);
    EXPECT_EQ(processed, 1);
    EXPECT_TRUE(fs.HasFile("C:\\site\\x.htm"));
    EXPECT_TRUE(fs.HasFile("C:\\site\\sub\\y.htm.bak"));
}

TEST(RestoreWalk, EmptyExtensionIsRefused) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\site\\README", "only copy");
    fs.AddFile("C:\\site\\LICENSE.", "only copy too");
    for (RestoreMode mode : {kRestoreBackups, kDeleteBackups}) {
        int processed = 0;
        EXPECT_EQ(RestoreWalk(fs, "C:\\site", "", true, mode, processed), kRestoreWalkRefused);
        EXPECT_EQ(processed, 0);
    }
    EXPECT_EQ(fs.Content("C:\\site\\README"), "only copy");
    EXPECT_EQ(fs.Content("C:\\site\\LICENSE."), "only copy too");
    EXPECT_EQ(fs.OperationCount(MemoryFileSystem::kAnyOperation), 0);
}

TEST(RestoreWalk, RestoredFileIsNotRestoredAgainInTheSameWalk) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\site\\a.bak.bak", "oldest");
    int processed = 0;
    EXPECT_EQ(RestoreWalk(fs, "C:\\site", "bak", true, kRestoreBackups, processed), kRestoreWalkDone);
    EXPECT_EQ(processed, 1);
    EXPECT_EQ(fs.Content("C:\\site\\a.bak"), "oldest");
    EXPECT_FALSE(fs.HasFile("C:\\site\\a"));
}

TEST(RestoreWalk, FailedMoveKeepsTheLiveFileAndIsReported) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\site\\a.htm", "live a");
    fs.AddFile("C:\\site\\a.htm.bak", "backup a");
    fs.AddFile("C:\\site\\b.htm", "live b");
    fs.AddFile("C:\\site\\b.htm.bak", "backup b");
    fs.FailOperation(MemoryFileSystem::kMove, 1);
    int processed = 0;
    EXPECT_EQ(RestoreWalk(fs, "C:\\site", "bak", true, kRestoreBackups, processed), kRestoreWalkFailed);
    EXPECT_EQ(processed, 2);
    EXPECT_EQ(fs.Content("C:\\site\\a.htm"), "live a");
    EXPECT_EQ(fs.Content("C:\\site\\a.htm.bak"), "backup a");
    EXPECT_EQ(fs.Content("C:\\site\\b.htm"), "backup b");  // the walk went on
    EXPECT_STREQ(kRestoreWalkErrorText,
                 "There was a serious error during processing! Please check your disk for errors!");
}

TEST(RestoreWalk, EveryFailingOperationKeepsEachFilesContent) {
    auto build = [](MemoryFileSystem& fs) {
        fs.AddFile("C:\\site\\a.htm", "live a");
        fs.AddFile("C:\\site\\a.htm.bak", "backup a");
        fs.AddFile("C:\\site\\sub\\b.htm", "live b");
        fs.AddFile("C:\\site\\sub\\b.htm.bak", "backup b");
        fs.AddFile("C:\\site\\sub\\c.css.bak", "backup c");
    };
    for (RestoreMode mode : {kRestoreBackups, kDeleteBackups}) {
        for (long n = 1; n <= 5; ++n) {
            SCOPED_TRACE("mode " + std::to_string(mode) + ", operation " + std::to_string(n) + " fails");
            MemoryFileSystem fs;
            build(fs);
            fs.FailOperation(MemoryFileSystem::kAnyOperation, n);
            int processed = 0;
            EXPECT_EQ(RestoreWalk(fs, "C:\\site", "bak", true, mode, processed),
                      n == 1 ? kRestoreWalkDone : kRestoreWalkFailed);  // the first is the root's listing
            for (const char* name : {"a.htm", "sub\\b.htm", "sub\\c.css"}) {
                const std::string live = std::string("C:\\site\\") + name;
                const std::string backup = live + ".bak";
                const std::string backupText = std::string("backup ") + (name[0] == 's' ? name[4] : name[0]);
                if (mode == kRestoreBackups) {
                    // The backup's text is in the backup or in the live file, and an existing
                    // live file has its own text or the backup's.
                    EXPECT_TRUE(fs.Content(backup) == backupText || fs.Content(live) == backupText) << name;
                } else if (fs.HasFile(live)) {
                    EXPECT_EQ(fs.Content(live).rfind("live ", 0), 0u) << name;
                }
            }
        }
    }
}

TEST(RestoreWalk, UnlistableSubfolderIsAnErrorButTheRestIsHandled) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\site\\a\\x.htm.bak", "1");
    fs.AddFile("C:\\site\\b\\y.htm.bak", "2");
    fs.FailOperation(MemoryFileSystem::kList, 2);  // C:\site\a
    int processed = 0;
    EXPECT_EQ(RestoreWalk(fs, "C:\\site", "bak", true, kDeleteBackups, processed), kRestoreWalkFailed);
    EXPECT_EQ(processed, 1);
    EXPECT_TRUE(fs.HasFile("C:\\site\\a\\x.htm.bak"));
    EXPECT_FALSE(fs.HasFile("C:\\site\\b\\y.htm.bak"));
}

TEST(RestoreWalk, MissingOrQuotedFolderHasNoBackups) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\site\\x.htm.bak", "1");
    for (const char* folder : {"C:\\nowhere", "\"C:\\site\"", ""}) {
        int processed = 0;
        EXPECT_EQ(RestoreWalk(fs, folder, "bak", true, kRestoreBackups, processed), kRestoreWalkDone) << folder;
        EXPECT_EQ(processed, 0);
    }
    EXPECT_TRUE(fs.HasFile("C:\\site\\x.htm.bak"));
}

TEST(RestoreWalk, DriveRootFolder) {
    MemoryFileSystem fs;
    fs.AddFile("D:\\x.htm.bak", "old");
    int processed = 0;
    EXPECT_EQ(RestoreWalk(fs, "D:\\", "bak", true, kRestoreBackups, processed), kRestoreWalkDone);
    EXPECT_EQ(fs.Content("D:\\x.htm"), "old");
}

TEST(RestoreWalk, RealFilesInATemporaryFolder) {
    TempTree tree;
    tree.WriteFile("site\\index.html", "new");
    tree.WriteFile("site\\index.html.bak", "old");
    tree.WriteFile("site\\sub\\page.htm.BAK", "old page");
    tree.WriteFile("site\\sub\\keep.htm", "keep");
    int processed = 0;
    EXPECT_EQ(RestoreWalk(tree.fs(), tree.Path("site"), "bak", true, kRestoreBackups, processed), kRestoreWalkDone);
    EXPECT_EQ(processed, 2);
    EXPECT_EQ(tree.ReadFile("site\\index.html"), "old");
    EXPECT_EQ(tree.ReadFile("site\\sub\\page.htm"), "old page");
    EXPECT_EQ(tree.ReadFile("site\\sub\\keep.htm"), "keep");
    EXPECT_FALSE(tree.Exists("site\\index.html.bak"));
    EXPECT_FALSE(tree.Exists("site\\sub\\page.htm.BAK"));
}

}  // namespace
}  // namespace corvane
