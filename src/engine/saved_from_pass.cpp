// Collecting "saved from url" addresses: every page read whole, its comments searched from the start.
#include "engine/saved_from_pass.h"

#include <string>
#include <vector>

#include "engine/search_driver.h"
#include "engine/text_search.h"
#include "engine/url_text.h"

namespace corvane {
namespace {

// The first comment of the text that names a "saved from url" followed by '='; its value in
// *value. 1 found, 0 not found, -1 the user stopped.
int FindSavedFromValue(EngineContext& ctx, const Text& text, std::string* value) {
    std::int32_t p = 0;
    for (;;) {
        if (ctx.host.PumpMessages() == kPollStop) return -1;
        std::int32_t c = FindTag(text, "!--", p);
        if (c < 0) return 0;
        if (FindAttribute(text, "saved from url", c + 3 * text.width(), value, nullptr, false) != 0) return 1;
        p = SkipToTagEnd(text, c);
        if (p < 0) return 0;
    }
}

}  // namespace

int SavedFromUrlPass(EngineContext& ctx, FileSystem& fs, std::int32_t processableFileCount) {
    if (processableFileCount < 0) {
        processableFileCount = 0;
        for (std::int32_t i = 0; i < ctx.files.size(); ++i)
            if (IsProcessable(ctx.files.path(i))) ++processableFileCount;
    }
    ctx.host.AddLogLine(">> Searching for \"saved from url\" ... ", false);
    const std::int32_t rows = ctx.files.size();
    std::int32_t done = 0;
    std::vector<unsigned char> buffer;
    for (std::int32_t i = 0; i < rows; ++i) {
        const std::string& path = ctx.files.path(i);
        if (!IsPage(path)) continue;
        ctx.host.SetOverallProgress(done, processableFileCount);
        ++done;
        if (!fs.ReadWholeFile(path, buffer) || buffer.empty()) continue;
        ctx.host.AddLogLine(path + " (" + std::to_string(buffer.size()) + " bytes) ... ", false);
        const std::uint8_t encoding = ctx.links.fileEncoding(static_cast<std::uint32_t>(i));
        if (encoding == kEncodingUtf16BE) SwapByteOrder(buffer.data(), buffer.size());
        const Text text = MakeText(buffer.data(), static_cast<std::int32_t>(buffer.size()), encoding);

        std::string value;
        const int found = FindSavedFromValue(ctx, text, &value);
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
