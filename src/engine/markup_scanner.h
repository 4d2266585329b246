// Finding every URL of a page, a style sheet or a script and handing it to the URL processor.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_context.h"
#include "engine/modern_tags.h"
#include "engine/text_search.h"

namespace corvane {

// Positions of the <SCRIPT and </SCRIPT tags of one page, each list in text order.
struct ScriptRegions {
    static constexpr std::size_t kCapacity = 1024;
    std::vector<std::int32_t> scriptStarts;
    std::vector<std::int32_t> scriptEnds;
};

// The tags each of the fifteen tag passes visits, in order.
constexpr int kTagPassCount = 15;
struct PassVisits {
    std::vector<std::int32_t> tags[kTagPassCount];
    bool lastRunsToEnd[kTagPassCount] = {};  // the pass's last tag never ends: the pass stops there
};

// Finds them in one walk over the text's tags.
void CollectPassVisits(const Text& t, const ScriptRegions& regions, bool insideScripts, PassVisits& visits);
// The same, each pass searching the text on its own as the passes were first written: the reference
// the one walk is checked against.
void CollectPassVisitsByPasses(const Text& t, const ScriptRegions& regions, bool insideScripts, PassVisits& visits);

// Fills both lists from the whole text; each stops growing at kCapacity entries.
void CollectScriptRegions(const Text& t, ScriptRegions& regions);

// A scan's working lists, lent through EngineContext::scratch by whoever scans file after file, so that
// scanning a page allocates next to nothing (under some systems all threads' allocations wait on one lock).
struct ScanScratch {
    std::vector<std::int32_t> openings;
    ScriptRegions regions;
    PassVisits visits;
    std::vector<FoundUrl> modern;
    std::vector<AttributeName> names;
    std::vector<std::pair<std::size_t, std::size_t>> events;
    // Between two files: a list a large file made larger than an ordinary page needs is let go, so that
    // it is not held for the rest of the search.
    void LetGoOfLarge();
};

// Next tag `name` at or after `from` that does not stand inside a script region; -1 when none.
// A script region without its </SCRIPT runs to the end of the text.
std::int32_t FindTagOutsideScripts(const Text& t, const ScriptRegions& regions, std::int32_t from,
                                   const char* name);

// The next tag of any name at or after `from`: FindTagOutsideScripts(t, *regions, from, "") when regions
// is given, else FindTag(t, "", from). Walks over every tag of a page ask this once per tag.
std::int32_t NextTag(const Text& t, const ScriptRegions* regions, std::int32_t from);

// 1 when a URL found at p in script text stands in a comment and is to be ignored, else 0.
int IsInScriptComment(const Text& t, std::int32_t p);

// 1 when the link target adder takes a link: the replacement (unwrapped) is tested when one is
// given and not empty, else the URL. replacement may be null.
int TargetFilter(const EngineContext& ctx, const std::string& url, const std::string* replacement);

// 1 when text matches the mask: alternatives split by ';', '*' searches for the next literal,
// a run of '?' skips that many characters, other literals must stand at the cursor.
int MatchMask(const std::string& text, const std::string& mask);

// Queues a TARGET record for the tag at tagPos: an added attribute when targetPos < 0, else a
// change of the existing value at targetPos. 1 when a record was committed.
int AddTargetRecord(EngineContext& ctx, const Text& t, std::uint32_t file, std::int32_t tagPos,
                    std::int32_t targetPos, const std::string& url, const std::string& currentTarget);

// The tag passes over the text, progress position k advancing once per pass. Returns the
// number of changes queued, or a negative number when stopped (-1 - total on ESC,
// n - total when the URL processor reported the stop n).
int ScanTags(EngineContext& ctx, const Text& t, std::uint32_t file, const ScriptRegions& regions,
             std::int32_t& k, std::int32_t range, bool insideScripts);

// Entry points, one per kind of file. Each writes the file's log line, drives the file
// progress bar and returns the number of changes queued, or a negative number when stopped.
int ScanPage(EngineContext& ctx, const unsigned char* buffer, std::int32_t size, const std::string& path,
             std::uint32_t file);
int ScanScriptFile(EngineContext& ctx, const unsigned char* buffer, std::int32_t size,
                   const std::string& path, std::uint32_t file);
int ScanStyleSheet(EngineContext& ctx, const unsigned char* buffer, std::int32_t size,
                   const std::string& path, std::uint32_t file);

struct ScanRecord;

// Plays what a scan run ahead of its turn noted (with ctx.recording set, over the same bytes): the
// URL processor and the host get what the scan itself would have given them, in the same order.
// Returns what the scan would have returned: the changes queued, or negative when stopped.
int PlayScan(EngineContext& ctx, const unsigned char* buffer, std::int32_t size, std::uint32_t file,
             const ScanRecord& record);

}  // namespace corvane
