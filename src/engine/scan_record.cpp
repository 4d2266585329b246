// A file's scan noted for later.
#include "engine/scan_record.h"

#include <utility>

namespace corvane {

void ScanRecord::Clear() {
    events.clear();
    strings.clear();
    found.clear();
}

void ScanRecord::AddText(ScanEvent::Kind kind, const std::string& text, std::int32_t a) {
    events.push_back(ScanEvent{kind, a, 0, static_cast<std::int32_t>(strings.size())});
    strings.push_back(text);
}

void ScanRecord::AddUrl(FoundUrl url) {
    events.push_back(ScanEvent{ScanEvent::kUrl, 0, 0, static_cast<std::int32_t>(found.size())});
    found.push_back(std::move(url));
}

}  // namespace corvane
