// The files-and-folders layer: one contract for the platform's own implementation and the in-memory double.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "support/memory_file_system.h"
#include "support/temp_tree.h"

namespace corvane {
namespace {

// A place to put files, seen through a FileSystem in Windows-form paths.
class Sandbox {
public:
    virtual ~Sandbox() = default;
    virtual FileSystem& fs() = 0;
    virtual std::string Path(const std::string& relative) = 0;
    virtual void WriteFile(const std::string& relative, const std::string& content) = 0;
    virtual void MakeFolder(const std::string& relative) = 0;
    virtual std::string ReadFile(const std::string& relative) = 0;
    virtual bool Exists(const std::string& relative) = 0;
};

class DiskSandbox : public Sandbox {
public:
    FileSystem& fs() override { return tree_.fs(); }
    std::string Path(const std::string& r) override { return tree_.Path(r); }
    void WriteFile(const std::string& r, const std::string& c) override { tree_.WriteFile(r, c); }
    void MakeFolder(const std::string& r) override { tree_.MakeFolder(r); }
    std::string ReadFile(const std::string& r) override { return tree_.ReadFile(r); }
    bool Exists(const std::string& r) override { return tree_.Exists(r); }

private:
    TempTree tree_;
};

class MemorySandbox : public Sandbox {
public:
    MemorySandbox() { fs_.AddFolder("C:\\site"); }
    FileSystem& fs() override { return fs_; }
    std::string Path(const std::string& r) override { return r.empty() ? "C:\\site" : "C:\\site\\" + r; }
    void WriteFile(const std::string& r, const std::string& c) override { fs_.AddFile(Path(r), c); }
    void MakeFolder(const std::string& r) override { fs_.AddFolder(Path(r)); }
    std::string ReadFile(const std::string& r) override {
        return fs_.HasFile(Path(r)) ? fs_.Content(Path(r)) : "<missing>";
    }
    bool Exists(const std::string& r) override { return fs_.HasFile(Path(r)) || fs_.HasFolder(Path(r)); }

private:
    MemoryFileSystem fs_;
};

class FileSystemContract : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (std::string(GetParam()) == "Disk") {
            box.reset(new DiskSandbox);
        } else {
            box.reset(new MemorySandbox);
        }
    }
    FileSystem& fs() { return box->fs(); }
    std::unique_ptr<Sandbox> box;
};

std::string AsText(const std::vector<unsigned char>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST_P(FileSystemContract, ReadsAWholeFileByteForByte) {
    const std::string content("\xFE\xFF\0<a href=x>\r\n\0", 16);
    box->WriteFile("page.htm", content);
    std::vector<unsigned char> out;
    ASSERT_TRUE(fs().ReadWholeFile(box->Path("page.htm"), out));
    EXPECT_EQ(AsText(out), content);
}

// A fix refuses a file whose size or last write differs from what the search read, so the stamp a read
// gives must be the one GetFileInfo gives later.
TEST_P(FileSystemContract, ReadingGivesTheStampGetFileInfoGives) {
    for (const std::string& content : {std::string(), std::string("<a href=x>"), std::string(70000, 'x')}) {
        box->WriteFile("page.htm", content);
        std::vector<unsigned char> out;
        FileInfo read, asked;
        ASSERT_TRUE(fs().ReadWholeFileAndInfo(box->Path("page.htm"), out, read));
        ASSERT_TRUE(fs().GetFileInfo(box->Path("page.htm"), asked));
        EXPECT_EQ(AsText(out), content);
        EXPECT_EQ(read.size, static_cast<std::int64_t>(content.size()));
        EXPECT_EQ(read.size, asked.size);
        EXPECT_EQ(read.lastWrite, asked.lastWrite);
        EXPECT_NE(read.lastWrite, -1);
    }
}

TEST_P(FileSystemContract, ReadsAnEmptyFileAsEmpty) {
    box->WriteFile("empty.htm", "");
    std::vector<unsigned char> out{1, 2, 3};
    ASSERT_TRUE(fs().ReadWholeFile(box->Path("empty.htm"), out));
    EXPECT_TRUE(out.empty());
}

TEST_P(FileSystemContract, CannotReadWhatIsMissingOrAFolder) {
    box->MakeFolder("sub");
    std::vector<unsigned char> out{7};
    EXPECT_FALSE(fs().ReadWholeFile(box->Path("missing.htm"), out));
    EXPECT_FALSE(fs().ReadWholeFile(box->Path("sub"), out));
    EXPECT_EQ(out, std::vector<unsigned char>{7});
    unsigned char two[2];
    EXPECT_EQ(fs().ReadFirstBytes(box->Path("missing.htm"), two, 2), -1);
    EXPECT_EQ(fs().ReadFirstBytes(box->Path("sub"), two, 2), -1);
}

TEST_P(FileSystemContract, ReadsTheFirstBytesUpToTheEnd) {
    box->WriteFile("long.htm", "\xFF\xFE" "abc");
    box->WriteFile("one.htm", "\xFE");
    unsigned char two[2] = {0, 0};
    EXPECT_EQ(fs().ReadFirstBytes(box->Path("long.htm"), two, 2), 2);
    EXPECT_EQ(two[0], 0xFF);
    EXPECT_EQ(two[1], 0xFE);
    EXPECT_EQ(fs().ReadFirstBytes(box->Path("one.htm"), two, 2), 1);
    EXPECT_EQ(two[0], 0xFE);
    EXPECT_EQ(fs().ReadFirstBytes(box->Path("one.htm"), two, 0), 0);
}

TEST_P(FileSystemContract, WritesANewFileOnlyWhereNoneExists) {
    const std::string data("new\0text", 8);
    ASSERT_TRUE(fs().WriteNewFile(box->Path("new.htm"), data.data(), data.size()));
    EXPECT_EQ(box->ReadFile("new.htm"), data);

    box->WriteFile("old.htm", "keep me");
    EXPECT_FALSE(fs().WriteNewFile(box->Path("old.htm"), "x", 1));
    EXPECT_EQ(box->ReadFile("old.htm"), "keep me");

    EXPECT_FALSE(fs().WriteNewFile(box->Path("nofolder\\a.htm"), "x", 1));
    EXPECT_FALSE(box->Exists("nofolder\\a.htm"));

    ASSERT_TRUE(fs().WriteNewFile(box->Path("zero.htm"), nullptr, 0));
    EXPECT_EQ(box->ReadFile("zero.htm"), "");
}

TEST_P(FileSystemContract, MovesWithoutReplacingUnlessAsked) {
    box->WriteFile("a.htm", "A");
    box->WriteFile("b.htm", "B");
    EXPECT_FALSE(fs().MoveFile(box->Path("a.htm"), box->Path("b.htm"), false));
    EXPECT_EQ(box->ReadFile("a.htm"), "A");
    EXPECT_EQ(box->ReadFile("b.htm"), "B");

    EXPECT_TRUE(fs().MoveFile(box->Path("a.htm"), box->Path("b.htm"), true));
    EXPECT_FALSE(box->Exists("a.htm"));
    EXPECT_EQ(box->ReadFile("b.htm"), "A");

    EXPECT_TRUE(fs().MoveFile(box->Path("b.htm"), box->Path("b.htm.bak"), false));
    EXPECT_FALSE(box->Exists("b.htm"));
    EXPECT_EQ(box->ReadFile("b.htm.bak"), "A");

    EXPECT_FALSE(fs().MoveFile(box->Path("gone.htm"), box->Path("c.htm"), true));
    EXPECT_FALSE(fs().MoveFile(box->Path("gone.htm"), box->Path("c.htm"), false));
    EXPECT_FALSE(box->Exists("c.htm"));
}

// The batch of the apply step: new texts written, flushed together, moved into place, their folders flushed.
TEST_P(FileSystemContract, WritesMovesAndFlushesABatch) {
    box->WriteFile("old.htm", "keep me");
    box->WriteFile("sub\\b.htm", "B");
    ASSERT_TRUE(fs().WriteNewFileUnflushed(box->Path("a.htm.~cv"), "A2", 2, nullptr));
    ASSERT_TRUE(fs().WriteNewFileUnflushed(box->Path("sub\\b.htm.~cv"), "B2", 2, nullptr));
    WriteFailure failure;
    EXPECT_FALSE(fs().WriteNewFileUnflushed(box->Path("old.htm"), "x", 1, &failure));
    EXPECT_TRUE(failure.notCreated);
    EXPECT_TRUE(fs().FlushFiles({box->Path("a.htm.~cv"), box->Path("sub\\b.htm.~cv")}));
    EXPECT_FALSE(fs().FlushFiles({box->Path("gone.htm")}));
    EXPECT_TRUE(fs().MoveFileUnflushed(box->Path("sub\\b.htm"), box->Path("sub\\b.htm.bak"), true));
    EXPECT_FALSE(fs().MoveFileUnflushed(box->Path("a.htm.~cv"), box->Path("old.htm"), false));
    EXPECT_TRUE(fs().MoveFileUnflushed(box->Path("sub\\b.htm.~cv"), box->Path("sub\\b.htm"), false));
    EXPECT_TRUE(fs().FlushFolders({box->Path("sub\\b.htm"), box->Path("sub\\b.htm.bak"), box->Path("old.htm")}));
    EXPECT_EQ(box->ReadFile("old.htm"), "keep me");
    EXPECT_EQ(box->ReadFile("a.htm.~cv"), "A2");
    EXPECT_EQ(box->ReadFile("sub\\b.htm"), "B2");
    EXPECT_EQ(box->ReadFile("sub\\b.htm.bak"), "B");
}

TEST_P(FileSystemContract, DeletesFilesButNotFolders) {
    box->WriteFile("a.htm", "A");
    box->MakeFolder("sub");
    EXPECT_TRUE(fs().DeleteFile(box->Path("a.htm")));
    EXPECT_FALSE(box->Exists("a.htm"));
    EXPECT_FALSE(fs().DeleteFile(box->Path("a.htm")));
    EXPECT_FALSE(fs().DeleteFile(box->Path("sub")));
    EXPECT_TRUE(box->Exists("sub"));
}

TEST_P(FileSystemContract, TellsWhetherFilesAndFoldersExist) {
    box->WriteFile("a.htm", "A");
    box->MakeFolder("sub");
    EXPECT_TRUE(fs().FileExists(box->Path("a.htm")));
    EXPECT_TRUE(fs().FileExists(box->Path("sub")));
    EXPECT_FALSE(fs().FileExists(box->Path("b.htm")));
    EXPECT_FALSE(fs().FileExists(box->Path("sub\\a.htm")));
}

TEST_P(FileSystemContract, ListsEveryEntryOnceWithoutDotEntries) {
    box->WriteFile("a.htm", "A");
    box->WriteFile(".hidden", "");
    box->WriteFile("noext", "");
    box->MakeFolder("sub");
    box->WriteFile("sub\\inner.htm", "");
    std::vector<std::string> seen;
    ASSERT_TRUE(fs().ListFolder(box->Path(""), [&](const FolderEntry& e) {
        seen.push_back(e.name + (e.isDirectory ? "/" : ""));
        return true;
    }));
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{".hidden", "a.htm", "noext", "sub/"}));
    // An identity the listing gives is the one GetFileInfo gives (it stands for it in the file list).
    ASSERT_TRUE(fs().ListFolder(box->Path(""), [&](const FolderEntry& e) {
        FileInfo info;
        if (e.identityKnown && fs().GetFileInfo(box->Path(e.name), info)) {
            EXPECT_EQ(e.identity, info.identity) << e.name;
        }
        EXPECT_FALSE(e.identityKnown && e.isDirectory) << e.name;
        return true;
    }));
}

TEST_P(FileSystemContract, ListingStopsWhenTheVisitorSaysSo) {
    for (const char* name : {"a", "b", "c"}) box->WriteFile(name, "");
    int visits = 0;
    EXPECT_TRUE(fs().ListFolder(box->Path(""), [&](const FolderEntry&) { return ++visits < 2; }));
    EXPECT_EQ(visits, 2);
}

TEST_P(FileSystemContract, ListsAnEmptyFolderAndRefusesAMissingOne) {
    box->MakeFolder("empty");
    int visits = 0;
    auto count = [&](const FolderEntry&) { return ++visits, true; };
    EXPECT_TRUE(fs().ListFolder(box->Path("empty"), count));
    EXPECT_TRUE(fs().ListFolder(box->Path("empty") + "\\", count));
    EXPECT_FALSE(fs().ListFolder(box->Path("missing"), count));
    box->WriteFile("file", "");
    EXPECT_FALSE(fs().ListFolder(box->Path("file"), count));
    EXPECT_EQ(visits, 0);
}

INSTANTIATE_TEST_SUITE_P(Both, FileSystemContract, ::testing::Values("Disk", "Memory"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

TEST(PlatformFileSystem, RefusesToReadAFileOf2GiB) {
    TempTree tree;
    tree.WriteFile("huge.htm", "");
    std::error_code ec;
    std::filesystem::resize_file(tree.HostPath("huge.htm"), 0x80000000ull, ec);
    if (ec) GTEST_SKIP() << "cannot make a sparse file here: " << ec.message();
    std::vector<unsigned char> out;
    EXPECT_FALSE(tree.fs().ReadWholeFile(tree.Path("huge.htm"), out));
    unsigned char two[2];
    EXPECT_EQ(tree.fs().ReadFirstBytes(tree.Path("huge.htm"), two, 2), 2);
    std::filesystem::resize_file(tree.HostPath("huge.htm"), 0, ec);
}

#ifndef _WIN32
TEST(PosixFileSystem, MapsWindowsPathsToHostPaths) {
    PosixFileSystem fs;
    fs.MapDrive('c', "/tmp/site/");
    struct Case {
        const char* windows;
        const char* host;  // nullptr: not mapped
    } cases[] = {
        {"C:\\site\\a.htm", "/tmp/site/site/a.htm"},
        {"c:\\a.htm", "/tmp/site/a.htm"},
        {"C:\\", "/tmp/site/"},
        {"C:", "/tmp/site"},
        {"C:x.htm", "/tmp/site/x.htm"},
        {"Z:\\etc\\hosts", "/etc/hosts"},
        {"Z:\\", "/"},
        {"z:", "/"},
        {"D:\\a.htm", nullptr},
        {"\\\\server\\share\\a.htm", nullptr},
        {"relative\\a.htm", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        std::string host;
        bool mapped = fs.WindowsToHostPath(c.windows, &host);
        EXPECT_EQ(mapped, c.host != nullptr) << c.windows;
        if (c.host != nullptr) {
            EXPECT_EQ(host, c.host) << c.windows;
        }
    }
    std::string host;
    EXPECT_FALSE(fs.WindowsToHostPath(std::string("C:\\a\0b", 6), &host));
}

TEST(PosixFileSystem, GivesHostPathsInWindowsFormThroughTheLongestMappedFolder) {
    PosixFileSystem fs;
    fs.MapDrive('C', "/srv/www");
    fs.MapDrive('D', "/srv/www/site");
    struct Case {
        const char* host;
        const char* windows;
    } cases[] = {
        {"/srv/www/a.htm", "C:\\a.htm"},
        {"/srv/www/site/a.htm", "D:\\a.htm"},
        {"/srv/www/site", "D:\\"},
        {"/srv/www/site/", "D:\\"},
        {"/srv/www/sitex/a.htm", "C:\\sitex\\a.htm"},
        {"/srv/wwwx/a.htm", "Z:\\srv\\wwwx\\a.htm"},
        {"//srv/./www//b/", "C:\\b"},
        {"/", "Z:\\"},
    };
    for (const Case& c : cases) EXPECT_EQ(fs.HostToWindowsPath(c.host), c.windows) << c.host;

    fs.MapDrive('Z', "");
    EXPECT_EQ(fs.HostToWindowsPath("/etc/hosts"), "");
    EXPECT_EQ(fs.HostToWindowsPath("/srv/www/x"), "C:\\x");
}

TEST(PosixFileSystem, TakesRelativeHostPathsFromTheWorkingFolder) {
    PosixFileSystem fs;
    std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(fs.HostToWindowsPath("sub/a.htm"), fs.HostToWindowsPath(cwd + "/sub/a.htm"));
}

TEST(PosixFileSystem, ReachesFilesThroughAMappedDrive) {
    TempTree tree;
    tree.WriteFile("site\\index.htm", "hello");
    PosixFileSystem fs;
    fs.MapDrive('C', tree.hostRoot());
    std::vector<unsigned char> out;
    ASSERT_TRUE(fs.ReadWholeFile("C:\\site\\index.htm", out));
    EXPECT_EQ(AsText(out), "hello");
    EXPECT_EQ(fs.HostToWindowsPath(tree.HostPath("site\\index.htm")), "C:\\site\\index.htm");
}

TEST(PosixFileSystem, PassesOverNamesThatHaveNoWindowsForm) {
    TempTree tree;
    tree.WriteFile("plain.htm", "");
    {
        std::ofstream odd(tree.hostRoot() + "/odd\\name.htm");
    }
    std::vector<std::string> seen;
    ASSERT_TRUE(tree.fs().ListFolder(tree.root(), [&](const FolderEntry& e) { return seen.push_back(e.name), true; }));
    EXPECT_EQ(seen, std::vector<std::string>{"plain.htm"});
}
#endif

TEST(MemoryFileSystem, ListsInInsertionOrderOrAsTold) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\s\\b.htm", "");
    fs.AddFolder("C:\\s\\sub");
    fs.AddFile("C:\\s\\a.htm", "");
    auto list = [&] {
        std::string names;
        fs.ListFolder("C:\\s", [&](const FolderEntry& e) { return names += e.name + (e.isDirectory ? "/ " : " "), true; });
        return names;
    };
    EXPECT_EQ(list(), "b.htm sub/ a.htm ");
    fs.SetListingOrder("C:\\s", {"a.htm", "B.HTM"});
    EXPECT_EQ(list(), "a.htm b.htm sub/ ");
}

TEST(MemoryFileSystem, ComparesNamesWithoutCaseAndResolvesDotSegments) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\Site\\Index.htm", "x");
    EXPECT_TRUE(fs.HasFile("c:\\site\\INDEX.HTM"));
    EXPECT_TRUE(fs.HasFile("C:\\site\\sub\\..\\.\\index.htm"));
    EXPECT_TRUE(fs.HasFile("C:/site/index.htm"));
    EXPECT_EQ(fs.Files(), std::vector<std::string>{"C:\\Site\\Index.htm"});
}

TEST(MemoryFileSystem, FailsTheNthCallOfAKind) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\a.htm", "A");
    fs.FailOperation(MemoryFileSystem::kRead, 2);
    std::vector<unsigned char> out;
    EXPECT_TRUE(fs.ReadWholeFile("C:\\a.htm", out));
    EXPECT_TRUE(fs.FileExists("C:\\a.htm"));
    EXPECT_FALSE(fs.ReadWholeFile("C:\\a.htm", out));
    EXPECT_TRUE(fs.ReadWholeFile("C:\\a.htm", out));
    EXPECT_EQ(fs.OperationCount(MemoryFileSystem::kRead), 3);
    EXPECT_EQ(fs.OperationCount(MemoryFileSystem::kAnyOperation), 4);
    EXPECT_EQ(fs.journal()[2], "read C:\\a.htm FAILED");
}

TEST(MemoryFileSystem, FailsTheNthCallOverallAndEveryCallFromThere) {
    MemoryFileSystem fs;
    fs.AddFile("C:\\a.htm", "A");
    fs.FailOperation(MemoryFileSystem::kAnyOperation, 2);
    EXPECT_TRUE(fs.FileExists("C:\\a.htm"));
    EXPECT_FALSE(fs.MoveFile("C:\\a.htm", "C:\\a.htm.bak", false));
    EXPECT_TRUE(fs.HasFile("C:\\a.htm"));
    EXPECT_FALSE(fs.HasFile("C:\\a.htm.bak"));

    fs.ClearFailures();
    fs.FailOperationsFrom(MemoryFileSystem::kWrite, 1);
    EXPECT_FALSE(fs.WriteNewFile("C:\\b.htm", "B", 1));
    EXPECT_FALSE(fs.WriteNewFile("C:\\c.htm", "C", 1));
    EXPECT_FALSE(fs.HasFile("C:\\b.htm"));
    EXPECT_TRUE(fs.DeleteFile("C:\\a.htm"));
    unsigned char two[2];
    EXPECT_EQ(fs.ReadFirstBytes("C:\\a.htm", two, 2), -1);
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// The change hash tells a file from itself with any one byte changed, whatever its length and the
// byte's place (in a whole group of eight or in the tail), and from the same bytes one longer.
TEST(ContentHash, ChangesWithAnyOneByteAndWithTheLength) {
    std::vector<unsigned char> text(100);
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<unsigned char>(i * 37 + 11);
    for (std::size_t size : {1u, 7u, 8u, 31u, 32u, 33u, 64u, 99u}) {
        const std::uint64_t whole = ContentHash(text.data(), size);
        EXPECT_NE(whole, ContentHash(text.data(), size + 1)) << size;
        for (std::size_t at = 0; at < size; ++at)
            for (unsigned char flip : {0x01, 0x80}) {
                std::vector<unsigned char> changed(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(size));
                changed[at] ^= flip;
                EXPECT_NE(whole, ContentHash(changed.data(), size)) << size << " at " << at;
            }
    }
}

}  // namespace
}  // namespace corvane
