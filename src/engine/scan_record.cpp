// A file's scan noted for later.
#include "engine/scan_record.h"

#include <utility>

namespace corvane {

void ScanRecord::Clear() {
    events.clear();
    strings.clear();
    // A page of very many or very long URLs leaves no more than a few KiB behind it in each slot.
    constexpr std::size_t kKeptSlots = 1024;
    constexpr std::size_t kKeptChars = 1024;
    for (std::size_t i = 0; i < foundCount_ && i < kKeptSlots; ++i)
        if (found[i].raw.capacity() > kKeptChars) std::string().swap(found[i].raw);
    if (found.size() > kKeptSlots) found.resize(kKeptSlots);
    foundCount_ = 0;
}

void ScanRecord::AddText(ScanEvent::Kind kind, const std::string& text, std::int32_t a) {
    events.push_back(ScanEvent{kind, a, 0, static_cast<std::int32_t>(strings.size())});
    strings.push_back(text);
}

void ScanRecord::AddUrl(std::int32_t tagPos, std::int32_t valuePos, std::int32_t spanLen, std::int32_t quoteLen,
                        const std::string& raw, std::uint8_t kind, bool wholeValue) {
    events.push_back(ScanEvent{ScanEvent::kUrl, 0, 0, static_cast<std::int32_t>(foundCount_)});
    if (foundCount_ == found.size()) found.emplace_back();
    FoundUrl& f = found[foundCount_++];
    f.tagPos = tagPos;
    f.valuePos = valuePos;
    f.spanLen = spanLen;
    f.quoteLen = quoteLen;
    f.raw.assign(raw);
    f.kind = kind;
    f.wholeValue = wholeValue;
}

}  // namespace corvane
