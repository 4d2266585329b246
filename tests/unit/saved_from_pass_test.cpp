// The "saved from url" pass: which pages are read, what is taken from their comments, what is logged.
#include "engine/saved_from_pass.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/engine_parts.h"
#include "support/memory_file_system.h"
#include "support/recording_host.h"

namespace corvane {
namespace {

using testing_support::RecordingHost;
using Progress = std::vector<std::pair<std::int32_t, std::int32_t>>;

struct SavedFromSite : testing_support::EngineParts<RecordingHost> {
    MemoryFileSystem fs;

    // A row and its file (no file when content is null).
    void Add(const std::string& path, const char* content, std::uint8_t encoding = kEncoding8Bit) {
        files.Append(path);
        if (content != nullptr) fs.AddFile(path, content);
        links.setFileEncoding(static_cast<std::uint32_t>(files.size() - 1), encoding);
    }
    void AddBytes(const std::string& path, const std::string& bytes, std::uint8_t encoding) {
        files.Append(path);
        fs.AddFile(path, bytes);
        links.setFileEncoding(static_cast<std::uint32_t>(files.size() - 1), encoding);
    }
    int Run(std::int32_t processable = -1) { return SavedFromUrlPass(ctx, fs, processable); }
};

std::string Utf16(const std::string& text, bool bigEndian) {
    std::string out = bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
    for (char c : text) {
        if (bigEndian) out += '\0';
        out += c;
        if (!bigEndian) out += '\0';
    }
    return out;
}

const char kSavedPage[] = "<!-- saved from url=(0022)http://www.example.com/ -->\r\n<html></html>";

TEST(SavedFromUrlPass, TakesTheAddressWithoutItsCountAndLogsIt) {
    SavedFromSite site;
    site.Add("C:\\site\\index.htm", kSavedPage);
    EXPECT_EQ(site.Run(), 0);
    ASSERT_EQ(site.savedFrom.savedFromCount(), 1);
    EXPECT_EQ(site.savedFrom.url(0), "http://www.example.com/");
    EXPECT_EQ(site.savedFrom.row(0), 0u);
    EXPECT_EQ(site.host.log(), (std::vector<std::string>{
                                   ">> Searching for \"saved from url\" ... ",
                                   "C:\\site\\index.htm (" + std::to_string(sizeof kSavedPage - 1) +
                                       " bytes) ... saved from \"http://www.example.com/\"",
                               }));
}

TEST(SavedFromUrlPass, FindsTheKeyInALaterCommentOnly) {
    SavedFromSite site;
    site.Add("C:\\site\\a.htm", "<!-- first --><p><!-- saved from url=(0019)http://example.org/ -->");
    const std::string noEquals = "<!-- saved from url (0019)http://example.org/ -->";
    const std::string notAComment = "<p saved from url=http://example.org/>";
    site.Add("C:\\site\\b.htm", noEquals.c_str());
    site.Add("C:\\site\\c.htm", notAComment.c_str());
    EXPECT_EQ(site.Run(), 0);
    ASSERT_EQ(site.savedFrom.savedFromCount(), 1);
    EXPECT_EQ(site.savedFrom.row(0), 0u);
    ASSERT_EQ(site.host.log().size(), 4u);
    EXPECT_EQ(site.host.log()[2], "C:\\site\\b.htm (" + std::to_string(noEquals.size()) +
                                      " bytes) ... no \"saved from url\" was found");
    EXPECT_EQ(site.host.log()[3], "C:\\site\\c.htm (" + std::to_string(notAComment.size()) +
                                      " bytes) ... no \"saved from url\" was found");
}

TEST(SavedFromUrlPass, DecodesTheAddressAndKeepsAnUnclosedCount) {
    SavedFromSite site;
    site.Add("C:\\site\\a.htm", "<!-- saved from url=(0030)http://example.com/a%20b&amp;c.htm -->");
    site.Add("C:\\site\\b.htm", "<!-- saved from url=(0030http://example.com/ -->");
    EXPECT_EQ(site.Run(), 0);
    ASSERT_EQ(site.savedFrom.savedFromCount(), 2);
    EXPECT_EQ(site.savedFrom.url(0), "http://example.com/a b&c.htm");
    EXPECT_EQ(site.savedFrom.url(1), "(0030http://example.com/");
}

TEST(SavedFromUrlPass, ReadsPagesOnlyAndMovesTheBarForEachPage) {
    SavedFromSite site;
    site.Add("C:\\site\\style.css", "/* <!-- saved from url=(0019)http://example.org/ --> */");
    site.Add("C:\\site\\a.HTML", kSavedPage);
    site.Add("C:\\site\\app.js", "<!-- saved from url=(0019)http://example.org/ -->");
    site.Add("C:\\site\\gone.htm", nullptr);
    site.Add("C:\\site\\empty.shtml", "");
    site.Add("C:\\site\\logo.gif", kSavedPage);
    EXPECT_EQ(site.Run(5), 0);
    EXPECT_EQ(site.host.overallProgress(), (Progress{{0, 5}, {1, 5}, {2, 5}, {3, 5}}));
    ASSERT_EQ(site.host.log().size(), 2u);  // the header and a.HTML: unreadable and empty pages log nothing
    EXPECT_EQ(site.savedFrom.savedFromCount(), 1);
    EXPECT_EQ(site.savedFrom.row(0), 1u);
}

TEST(SavedFromUrlPass, CountsProcessableRowsForTheBarWhenNotTold) {
    SavedFromSite site;
    site.Add("C:\\site\\style.css", "");
    site.Add("C:\\site\\a.htm", "<p>");
    site.Add("C:\\site\\x.gif", "");
    EXPECT_EQ(site.Run(), 0);
    EXPECT_EQ(site.host.overallProgress(), (Progress{{0, 2}, {1, 2}}));
}

TEST(SavedFromUrlPass, ReadsUtf16PagesOfBothByteOrders) {
    SavedFromSite site;
    const std::string text = "<!-- saved from url=(0019)http://example.org/ -->";
    site.AddBytes("C:\\site\\le.htm", Utf16(text, false), kEncodingUtf16LE);
    site.AddBytes("C:\\site\\be.htm", Utf16(text, true), kEncodingUtf16BE);
    EXPECT_EQ(site.Run(), 0);
    ASSERT_EQ(site.savedFrom.savedFromCount(), 2);
    EXPECT_EQ(site.savedFrom.url(0), "http://example.org/");
    EXPECT_EQ(site.savedFrom.url(1), "http://example.org/");
    EXPECT_EQ(site.fs.Content("C:\\site\\be.htm"), Utf16(text, true));
}

TEST(SavedFromUrlPass, SamePageAddressTwiceFindsTheFirstRow) {
    SavedFromSite site;
    site.Add("C:\\site\\x.gif", "");
    site.Add("C:\\site\\a.htm", kSavedPage);
    site.Add("C:\\site\\b.htm", kSavedPage);
    EXPECT_EQ(site.Run(), 0);
    EXPECT_EQ(site.savedFrom.FindSavedFromUrl("HTTP://WWW.EXAMPLE.COM/"), 1);
}

TEST(SavedFromUrlPass, EscStopsAtTheNextCommentKeepingEntriesFound) {
    SavedFromSite site;
    site.Add("C:\\site\\a.htm", kSavedPage);
    const std::string b = "<!-- one --><!-- two --><!-- saved from url=(0019)http://example.org/ -->";
    site.Add("C:\\site\\b.htm", b.c_str());
    site.host.StopAtPoll(3);  // a.htm's first comment, b.htm's first, then ESC before its second
    EXPECT_EQ(site.Run(), kSavedFromStopped);
    EXPECT_EQ(site.savedFrom.savedFromCount(), 1);
    ASSERT_EQ(site.host.log().size(), 3u);
    EXPECT_EQ(site.host.log()[2], "C:\\site\\b.htm (" + std::to_string(b.size()) + " bytes) ... ");
    EXPECT_EQ(site.host.overallProgress(), (Progress{{0, 2}, {1, 2}}));
}

}  // namespace
}  // namespace corvane
