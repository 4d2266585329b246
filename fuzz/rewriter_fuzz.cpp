// Scans arbitrary bytes as a page, then rewrites them with the records found, in 8-bit and UTF-16 form.
//
// The first byte chooses the options:
//   bit  0    UTF-16 (little-endian) instead of 8-bit text
//   bit  1    "Allow link deletion"
//   bit  2    "&Convert to text" (else "&Make empty")
//   bit  3    image deletions replaced with a URL (else made empty)
//   bit  4    background deletions replaced with a URL (else made empty)
//   bit  5    "Make URL's absolute" with the base URL
//   bit  6    "Search inside scripts by tag names"
//   bit  7    link target adder on (custom mask)
// Every input must come out of a rewrite without records byte for byte, and no rewrite may read
// or write outside its buffers (the sanitizers watch that).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <string>
#include <vector>

#include "apply/markup_rewriter.h"
#include "engine/markup_scanner.h"

namespace {

using namespace corvane;

void Fail(const char* why) {
    std::fprintf(stderr, "rewriter_fuzz: %s\n", why);
    std::abort();
}

struct Site {
    LinkTable links;
    FileList files;
    SavedFromTable savedFrom;
    NullHost host;
    Site() {
        for (const char* p : {"C:\\site\\index.htm", "C:\\site\\untouched.htm", "C:\\site\\images\\a.gif",
                              "C:\\site\\b c.htm", "C:\\site\\sub\\d.jpg", "D:\\other\\e.htm"})
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
    const std::uint8_t encoding = (control & 0x01) ? kEncodingUtf16LE : kEncoding8Bit;

    SearchOptions search;
    search.checkInternetUrls = false;
    search.searchScriptsByTagNames = (control & 0x40) != 0;
    search.searchBaseUrl = true;
    search.baseUrl = "http://ex.com/site";
    ProcessingOptions processing;
    processing.makeRelative = (control & 0x20) == 0;
    processing.targetAdderEnabled = (control & 0x80) != 0;
    processing.targetMode = kTargetCustomMask;
    processing.urlMask = "*.jpg;*.htm";
    ReviewOptions review;
    review.allowLinkDeletion = (control & 0x02) != 0;
    DeletionOptions deletion;
    deletion.textConvertToText = (control & 0x04) != 0;
    deletion.imageReplace = (control & 0x08) != 0;
    deletion.imageUrl = "file:///C|/site/images/a.gif";
    deletion.backgroundReplace = (control & 0x10) != 0;
    deletion.backgroundUrl = "\"spacer.gif\"";

    site.links.setFileEncoding(0, encoding);
    site.links.setFileEncoding(1, encoding);
    EngineContext ctx{site.links, site.files, site.savedFrom, search, processing, site.host, "C:\\site\\", true, nullptr};
    if (ScanPage(ctx, text, textSize, site.files.path(0), 0) < 0) Fail("stopped without ESC");

    const RewriteContext rewrite{site.links, site.files, review, deletion, search, processing, "C:\\site\\",
                                 SystemCodePage()};
    std::vector<unsigned char> out;
    // Row 1 has no records: its text must come back as it went in.
    if (RewriteFile(rewrite, text, textSize, 1, out) != 0) Fail("records counted for a file without any");
    if (out.size() != static_cast<std::size_t>(textSize) || !std::equal(out.begin(), out.end(), text))
        Fail("a file without records was not written back byte for byte");

    const std::int32_t records = site.links.linkCount();
    if (RewriteFile(rewrite, text, textSize, 0, out) != records) Fail("the result does not count the file's records");
    for (std::int32_t entry : site.links.secondPassLinks())
        if (entry < 0 || entry >= records || site.links[entry].linkValuePos < 0)
            Fail("a removed record stayed on the second-pass list");
    // Emptied before the next input, so that each input frees what it allocated: an input that
    // seems to leak is run again under the leak checker, which costs more than the input.
    site.links.ClearLinkTable();
    std::vector<std::int32_t>().swap(site.links.secondPassLinks());
    return 0;
}
