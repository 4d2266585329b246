// Collecting "saved from url" addresses: every page read whole, its comments searched from the start.
#include "engine/saved_from_pass.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/early_reads.h"
#include "engine/find_byte.h"
#include "engine/scan_ahead.h"
#include "engine/search_driver.h"
#include "engine/text_search.h"
#include "engine/url_text.h"

namespace corvane {
namespace {

// The first "<!--" at or after p, as FindTag finds it. Every page is searched for its comments, and
// in 8-bit text a '!' is rarer than a '<'.
std::int32_t FindCommentOpening(const Text& text, std::int32_t p) {
    if (text.width() != 1 || text.data == nullptr || p < 0) return FindTag(text, "!--", p);
    const unsigned char* d = text.data;
    const std::int32_t size = text.size;
    for (std::int32_t q = p + 1; q < size; ++q) {
        const void* bang = FindByte(d + q, '!', static_cast<std::size_t>(size - q));
        if (bang == nullptr) return -1;
        q = static_cast<std::int32_t>(static_cast<const unsigned char*>(bang) - d);
        if (d[q - 1] == '<' && q + 2 < size && d[q + 1] == '-' && d[q + 2] == '-') return q - 1;
    }
    return -1;
}

// The first comment of the text that names a "saved from url" followed by '='; its value in
// *value. 1 found, 0 not found, -1 the user stopped.
int FindSavedFromValue(EngineContext& ctx, const Text& text, std::string* value) {
    std::int32_t p = 0;
    for (;;) {
        if (ctx.host.PumpMessages() == kPollStop) return -1;
        std::int32_t c = FindCommentOpening(text, p);
        if (c < 0) return 0;
        if (FindAttribute(text, "saved from url", c + 3 * text.width(), value, nullptr, false) != 0) return 1;
        p = SkipToTagEnd(text, c);
        if (p < 0) return 0;
    }
}

int PlaySavedFrom(EngineContext& ctx, const EarlyReads::SavedFrom& finding, std::string* value) {
    for (std::int32_t i = 0; i < finding.polls; ++i)
        if (ctx.host.PumpMessages() == kPollStop) return -1;
    *value = finding.value;
    return finding.found;
}

}  // namespace

void NoteSavedFromUrl(EngineContext& scanCtx, ScanAhead::File& file, std::uint32_t row) {
    const Text text =
        MakeText(file.bytes.data(), static_cast<std::int32_t>(file.bytes.size()), scanCtx.links.fileEncoding(row));
    std::string value;
    const int found = FindSavedFromValue(scanCtx, text, &value);
    file.record.AddText(ScanEvent::kResult, value, found);
    file.scanned = true;
}

EarlyReads::SavedFrom SavedFromFinding(const ScanAhead::File& file) {
    EarlyReads::SavedFrom finding;
    finding.read = file.read && !file.bytes.empty();
    finding.size = file.bytes.size();
    for (const ScanEvent& e : file.record.events) {
        if (e.kind == ScanEvent::kPoll) finding.polls += e.a;
        if (e.kind == ScanEvent::kResult) {
            finding.found = static_cast<std::int8_t>(e.a);
            finding.value = file.record.strings[static_cast<std::size_t>(e.index)];
        }
    }
    return finding;
}

int SavedFromUrlPass(EngineContext& ctx, FileSystem& fs, std::int32_t processableFileCount) {
    if (processableFileCount < 0) {
        processableFileCount = 0;
        for (std::int32_t i = 0; i < ctx.files.size(); ++i)
            if (IsProcessable(ctx.files.path(i))) ++processableFileCount;
    }
    ctx.host.AddLogLine(">> Searching for \"saved from url\" ... ", false);
    // Pages read and searched on worker threads, each played here in the list's order.
    // Or searched already by the Unicode pass on its way.
    const EarlyReads* early = ctx.earlyReads != nullptr && ctx.earlyReads->savedFromComplete ? ctx.earlyReads : nullptr;
    std::unique_ptr<ScanAhead> ahead;
    if (early == nullptr && ctx.search.jobs > 1)
        ahead = std::make_unique<ScanAhead>(
            ctx, fs, ctx.search.jobs, [](const std::string& path) { return IsPage(path); },
            [](EngineContext& scanCtx, ScanAhead::File& file, std::uint32_t row, const std::string&) {
                NoteSavedFromUrl(scanCtx, file, row);
            });
    const std::int32_t rows = ctx.files.size();
    std::int32_t done = 0;
    std::vector<unsigned char> buffer;
    for (std::int32_t i = 0; i < rows; ++i) {
        const std::string& path = ctx.files.path(i);
        if (!IsPage(path)) continue;
        ctx.host.SetOverallProgress(done, processableFileCount);
        ++done;
        EarlyReads::SavedFrom noted;
        const EarlyReads::SavedFrom* finding = nullptr;
        if (early != nullptr && early->SavedFromOf(i, &noted)) {
            finding = &noted;
        } else if (ahead) {
            noted = SavedFromFinding(ahead->TakeNext());
            finding = &noted;
        }
        std::size_t size = 0;
        if (finding != nullptr) {
            if (!finding->read) continue;
            size = finding->size;
        } else {
            if (!fs.ReadWholeFile(path, buffer) || buffer.empty()) continue;
            size = buffer.size();
        }
        ctx.host.AddLogLine(path + " (" + std::to_string(size) + " bytes) ... ", false);
        std::string value;
        int found = 0;
        if (finding != nullptr) {
            found = PlaySavedFrom(ctx, *finding, &value);
        } else {
            const std::uint8_t encoding = ctx.links.fileEncoding(static_cast<std::uint32_t>(i));
            if (encoding == kEncodingUtf16BE) SwapByteOrder(buffer.data(), buffer.size());
            const Text text = MakeText(buffer.data(), static_cast<std::int32_t>(buffer.size()), encoding);
            found = FindSavedFromValue(ctx, text, &value);
        }
        if (found < 0) return kSavedFromStopped;
        if (found == 0) {
            ctx.host.AddLogLine("no \"saved from url\" was found", true);
            continue;
        }
        // The value starts with the comment's character count, such as (0022); a '(' without
        // a ')' is taken as part of the address.
        if (!value.empty() && value[0] == '(') {
            std::size_t close = value.find(')');
            if (close != std::string::npos) value.erase(0, close + 1);
        }
        std::string address;
        DecodeUrl(value, &address);
        ctx.savedFrom.Add(address, static_cast<std::uint32_t>(i));
        ctx.host.AddLogLine("saved from \"" + address + "\"", true);
    }
    ctx.host.SetOverallProgress(done, processableFileCount);
    return 0;
}

}  // namespace corvane
