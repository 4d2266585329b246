// The one walk of the tag passes against each pass's own search, on tag soup made from a fixed seed.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/markup_scanner.h"

namespace corvane {
namespace {

// Pieces that make passes overlap, stop early or skip: prefixes of each other, script regions
// opened and closed out of order, tags that never end, brackets followed by '='.
const char* const kPieces[] = {
    "<a href=x>", "<AREA href=y>", "<applet src=a>", "<abbr>", "<script src=s.js>", "</script>", "<SCRIPT>",
    "</SCRIPT x>", "<td background=b>", "<tr>", "<table>", "<Frame src=f>", "<frameset>", "<iframe src=i>",
    "<img src=m>", "<input src=n>", "<link href=l>", "<body>", "<embed src=e>", "<bgsound src=g>", ">", "<",
    "<a", "x>=y", "a<=b", "\"", "'", " ", "\n", "text", "<!-- <img src=c> -->", "<img src=\"a>b\">",
};

std::vector<unsigned char> Encode(const std::string& s, bool utf16) {
    std::vector<unsigned char> out;
    for (unsigned char c : s) {
        out.push_back(c);
        if (utf16) out.push_back(0);
    }
    return out;
}

TEST(PassVisits, OneWalkVisitsWhatEachPassFinds) {
    std::mt19937 random(19);
    std::uniform_int_distribution<std::size_t> piece(0, sizeof(kPieces) / sizeof(kPieces[0]) - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 400; ++round) {
        std::string page;
        for (int n = length(random); n > 0; --n) page += kPieces[piece(random)];
        for (bool utf16 : {false, true}) {
            const std::vector<unsigned char> bytes = Encode(page, utf16);
            const Text t = MakeText(bytes.data(), static_cast<std::int32_t>(bytes.size()),
                                    utf16 ? kEncodingUtf16LE : kEncoding8Bit);
            ScriptRegions regions;
            CollectScriptRegions(t, regions);
            for (bool insideScripts : {false, true}) {
                PassVisits walked, searched;
                CollectPassVisits(t, regions, insideScripts, walked);
                CollectPassVisitsByPasses(t, regions, insideScripts, searched);
                for (int i = 0; i < kTagPassCount; ++i) {
                    ASSERT_EQ(walked.tags[i], searched.tags[i]) << page << " pass " << i + 1;
                    ASSERT_EQ(walked.lastRunsToEnd[i], searched.lastRunsToEnd[i]) << page << " pass " << i + 1;
                }
            }
        }
    }
}

}  // namespace
}  // namespace corvane
