// Feeds arbitrary bytes to the page, script and style-sheet scanners, in 8-bit and UTF-16 form.
//
// The first byte chooses how the rest is scanned:
//   bits 0-1  0 page, 1 script file, 2 style sheet, 3 page with ESC at the poll given by the second byte
//   bit  2    UTF-16 (little-endian) instead of 8-bit text
//   bit  3    "Search inside scripts by tag names"
//   bit  4    "Search inside scripts by protocol names"
//   bit  5    "Search inside event definitions by protocol names"
//   bits 6-7  link target adder: 0 off, 1 image links, 2 custom mask, 3 no mode and existing targets kept
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/markup_scanner.h"
#include "support/record_checks.h"

namespace {

using namespace corvane;

// Answers ESC at one chosen poll, nothing at the others.
class FuzzHost : public OperationHost {
public:
    std::int32_t stopAt = 0;  // 0: never
    std::int32_t polls = 0;
    void AddLogLine(const std::string&, bool) override {}
    void SetOverallProgress(std::int32_t, std::int32_t) override {}
    void SetFileProgress(std::int32_t position, std::int32_t range) override {
        if (position < 0 || position > range) Fail("file progress beyond its range");
    }
    void SetStatusText(const std::string&) override {}
    int PumpMessages() override { return ++polls == stopAt ? kPollStop : kPollNothing; }

    static void Fail(const std::string& why) {
        std::fprintf(stderr, "scanner_fuzz: %s\n", why.c_str());
        std::abort();
    }
};

struct Site {
    LinkTable links;
    FileList files;
    SavedFromTable savedFrom;
    Site() {
        for (const char* p : {"C:\\site\\index.htm", "C:\\site\\app.js", "C:\\site\\style.css", "C:\\site\\images\\a.gif",
                              "C:\\site\\b c.htm", "C:\\site\\sub\\d.jpg"})
            files.Append(p);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Site site;  // the tables are large: built once, emptied after every input
    if (size < 1) return 0;
    const std::uint8_t control = data[0];
    const std::uint8_t* text = data + 1;
    const std::int32_t textSize = static_cast<std::int32_t>(size - 1);

    SearchOptions search;
    search.checkInternetUrls = false;
    search.searchScriptsByTagNames = (control & 0x08) != 0;
    search.searchScriptsByProtocol = (control & 0x10) != 0;
    search.searchEventsByProtocol = (control & 0x20) != 0;
    search.searchBaseUrl = true;
    search.baseUrl = "http://ex.com/site";
    ProcessingOptions processing;
    const int adder = control >> 6;
    processing.targetAdderEnabled = adder != 0;
    processing.targetMode = adder == 1 ? kTargetImageLinks : adder == 2 ? kTargetCustomMask : 7;
    processing.urlMask = "*.jpg;a?c*x;;";
    processing.modifyExistingTargets = adder != 3;

    FuzzHost host;
    const int kind = control & 0x03;
    if (kind == 3 && size > 1) host.stopAt = data[1] + 1;

    EngineContext ctx{site.links, site.files, site.savedFrom, search, processing, host, "C:\\site\\", true, nullptr};
    const std::uint32_t file = kind == 1 ? 1 : kind == 2 ? 2 : 0;
    const std::uint8_t encoding = (control & 0x04) ? kEncodingUtf16LE : kEncoding8Bit;
    site.links.setFileEncoding(file, encoding);
    const std::string& path = site.files.path(static_cast<std::int32_t>(file));

    int result = 0;
    if (kind == 1)
        result = ScanScriptFile(ctx, text, textSize, path, file);
    else if (kind == 2)
        result = ScanStyleSheet(ctx, text, textSize, path, file);
    else
        result = ScanPage(ctx, text, textSize, path, file);

    const std::int32_t added = site.links.linkCount();
    if (result >= 0 ? result != added : -1 - result != added) FuzzHost::Fail("result does not count the records");
    if (result < 0 && host.stopAt == 0) FuzzHost::Fail("stopped without ESC");
    const std::string fault =
        testing_support::CheckScanRecords(site.links, 0, MakeText(text, textSize, encoding), file);
    if (!fault.empty()) FuzzHost::Fail(fault);

    // The one walk of the tag passes must visit exactly the tags their own searches visit.
    const Text whole = MakeText(text, textSize - textSize % (encoding == kEncoding8Bit ? 1 : 2), encoding);
    ScriptRegions regions;
    CollectScriptRegions(whole, regions);
    PassVisits walked, searched;
    const TagOpenings openings(whole);
    Text indexed = whole;
    indexed.openings = &openings;
    CollectPassVisits(indexed, regions, search.searchScriptsByTagNames, walked);
    CollectPassVisitsByPasses(whole, regions, search.searchScriptsByTagNames, searched);
    for (int i = 0; i < kTagPassCount; ++i)
        if (walked.tags[i] != searched.tags[i] || walked.lastRunsToEnd[i] != searched.lastRunsToEnd[i])
            FuzzHost::Fail("the one walk visits other tags than pass " + std::to_string(i + 1));
    // Emptied before the next input, so that each input frees what it allocated: an input that
    // seems to leak is run again under the leak checker, which costs more than the input.
    site.links.ClearLinkTable();
    std::vector<std::int32_t>().swap(site.links.secondPassLinks());
    return 0;
}
