// The search with files read and scanned on several threads gives what one file after another gives:
// the same host calls in the same order (every poll included), records, referenced rows and stamps.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "engine/search_driver.h"
#include "filelist/folder_scan.h"
#include "support/engine_parts.h"
#include "support/recording_host.h"
#include "support/temp_tree.h"

namespace corvane {
namespace {

using testing_support::EngineParts;
using testing_support::HostCall;
using testing_support::RecordingHost;

// Pieces of pages with every kind of URL the scanners read; each % becomes a file name of the site.
const char* const kPieces[] = {
    "<a href=\"%\">x</a>\n", "<IMG src='%' srcset=\"% 1x, % 2x\">", "<base href=\"sub/\">",
    "<div style=\"background:url(%)\">", "<style>@import \"%\"; b{background:url('%')}</style>",
    "<script>var u='http://example.com/%'; document.write('<a href=\"%\">');</script>",
    "<p onclick=\"location='file:///%'\">", "<!-- saved from url=(0030)http://www.example.com/ -->",
    "<video src=% poster=\"%\"></video>", "<a href=\"%#part\">", "<span id=\"part\">",
    "<meta http-equiv=refresh content=\"0; url=%\">", "<a href=\"http://www.example.com/%\" target=_blank>",
    "<a href=\"javascript:go('%')\">", "<form action=\"%\">", "<A HREF=%>", "<a href=\"%"};
const char* const kNames[] = {"index.htm", "a.html", "b.htm", "c.css", "d.js", "e.gif", "f.png", "g.htm", "gone.htm"};

std::string Page(std::mt19937& random, int pieces) {
    std::string page = "<html><body>\n";
    for (int i = 0; i < pieces; ++i) {
        for (const char* c = kPieces[random() % (sizeof kPieces / sizeof *kPieces)]; *c != '\0'; ++c)
            page += *c == '%' ? std::string(kNames[random() % (sizeof kNames / sizeof *kNames)]) : std::string(1, *c);
    }
    return page + "</body></html>\n";
}

std::string Utf16(const std::string& text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : text) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

// A site where some files moved to another folder (their links broken, found again by name).
void WriteSite(TempTree& tree, unsigned seed) {
    std::mt19937 random(seed);
    for (int i = 0; i < 24; ++i) {
        const std::string name = kNames[i % 8];
        const std::string folder = i < 8 ? "site\\" : i < 16 ? "site\\sub\\" : "site\\moved" + std::to_string(i % 3) + "\\";
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".gif") == 0) {
            tree.WriteFile(folder + name, "GIF89a");
            continue;
        }
        const std::string page = Page(random, 2 + static_cast<int>(random() % 12));
        const unsigned form = random() % 5;
        tree.WriteFile(folder + name, form == 0 ? Utf16(page, false) : form == 1 ? Utf16(page, true) : page);
    }
    tree.WriteFile("site\\empty.htm", "");
#ifdef CORVANE_FUZZ_CORPUS
    std::error_code error;
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(CORVANE_FUZZ_CORPUS, error)) {
        std::ifstream in(entry.path(), std::ios::binary);
        tree.WriteFile("site\\corpus\\f" + std::to_string(n++) + ".htm",
                       std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
#endif
}

// Says every Internet URL with "gone" in it is broken, and notes what it was asked, in order.
struct NotingChecker : InternetUrlChecker {
    std::vector<std::string> asked;
    bool Prefetches() const override { return true; }
    void Prefetch(const std::string& url) override { asked.push_back("prefetch " + url); }
    int CheckInternetUrl(const std::string& url) override {
        asked.push_back("check " + url);
        return url.find("gone") != std::string::npos ? 1 : 0;
    }
};

struct Outcome {
    int result = 0;
    std::int32_t polls = 0;
    std::vector<std::string> asked;
    std::vector<std::string> calls;
    std::vector<std::string> records;
    std::vector<std::string> rows;
};

// jobs 0: the reference, every pass reading its own files one after another (none kept between passes).
Outcome Search(TempTree& tree, int jobs, int variant, std::int32_t stopAtPoll) {
    EngineParts<RecordingHost> e;
    e.search.checkInternetUrls = false;
    e.search.jobs = jobs > 0 ? jobs : 1;
    // Every file kept by the first pass, a few (the others read again), or none.
    e.search.keepBytes = jobs == 1 ? 1500 : jobs == 2 ? std::size_t{1} << 20 : 0;
    FileScanners scanners = MarkupScanners();
    scanners.scanAhead = jobs > 0;
    e.search.searchScriptsByTagNames = variant == 1;
    e.processing.targetAdderEnabled = variant == 1;
    e.search.checkFragments = variant == 2;
    e.search.searchBaseUrl = variant == 2;
    e.search.baseUrl = "http://www.example.com/";
    NotingChecker checker;
    if (variant == 3) {  // checked on line, with the checks started by a pass ahead
        e.search.checkInternetUrls = true;
        e.ctx.skipInternetCheck = false;
        e.ctx.internet = &checker;
    }
    EXPECT_EQ(ScanFolder(e.files, tree.fs(), e.host, true, tree.Path("site")), 0);
    e.host.Clear();
    if (stopAtPoll > 0) e.host.StopAtPoll(stopAtPoll);
    SearchState state;
    Outcome o;
    o.result = RunSearch(e.ctx, tree.fs(), state, scanners);
    o.asked = checker.asked;
    for (const HostCall& c : e.host.calls) {
        o.polls += c.kind == HostCall::kPoll ? 1 : 0;
        o.calls.push_back(std::to_string(c.kind) + (c.append ? "+" : " ") + c.text + " " + std::to_string(c.a) + "/" +
                          std::to_string(c.b));
    }
    for (std::int32_t i = 0; i < e.links.linkCount(); ++i) {
        const LinkRecord& r = e.links[i];
        o.records.push_back(r.linkUrl + " -> " + r.linkReplacement + " @" + std::to_string(r.linkFile) + ":" +
                            std::to_string(r.linkTagPos) + ":" + std::to_string(r.linkValuePos) + "+" +
                            std::to_string(r.linkValueLen) + "/" + std::to_string(r.linkQuoteLen) + " k" +
                            std::to_string(r.linkKind) + " f" + std::to_string(r.linkFragmentRepair));
    }
    for (std::int32_t i = 0; i < e.files.size(); ++i) {
        const FileStamp s = static_cast<std::size_t>(i) < state.stamps.size() ? state.stamps[i] : FileStamp();
        o.rows.push_back(std::to_string(e.files.referenced(i)) + std::to_string(e.links.fileEncoding(i)) +
                         std::to_string(s.taken) + " " + std::to_string(s.size) + " " + std::to_string(s.lastWrite) +
                         " " + std::to_string(s.hash));
    }
    return o;
}

TEST(ScanAhead, GivesWhatOneFileAfterAnotherGives) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        TempTree tree;
        WriteSite(tree, seed);
        for (int variant = 0; variant < 4; ++variant) {
            const Outcome one = Search(tree, 0, variant, 0);
            ASSERT_GT(one.records.size(), 10u);
            // Stopped at several points of the scan, and not at all.
            for (std::int32_t stop : {0, 40, one.polls / 3, one.polls - 1}) {
                SCOPED_TRACE("seed " + std::to_string(seed) + " variant " + std::to_string(variant) + " stop at poll " +
                             std::to_string(stop));
                const Outcome sequential = stop == 0 ? one : Search(tree, 0, variant, stop);
                for (int jobs : {1, 2, 5}) {
                    const Outcome ahead = Search(tree, jobs, variant, stop);
                    EXPECT_EQ(ahead.result, sequential.result);
                    EXPECT_EQ(ahead.calls, sequential.calls);
                    EXPECT_EQ(ahead.asked, sequential.asked);
                    EXPECT_EQ(ahead.records, sequential.records);
                    EXPECT_EQ(ahead.rows, sequential.rows);
                }
            }
        }
    }
}

}  // namespace
}  // namespace corvane
