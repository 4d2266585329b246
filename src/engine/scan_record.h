// A file's scan noted for later: what the scanners found and showed, in order, so that files can be
// scanned on several threads while their URLs are processed one file after another, as when each
// file were scanned in turn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/modern_tags.h"
#include "platform/operation_host.h"

namespace corvane {

struct ScanEvent {
    enum Kind : std::uint8_t {
        kLogLine,          // text: strings[index]
        kLogAppend,        // text: strings[index]
        kOverallProgress,  // a, b
        kFileProgress,     // a, b
        kStatus,           // text: strings[index]
        kPoll,             // a polls, one after another
        kUrl,          // found[index]
        kTargetAdder,  // the link before it: tag at a, href strings[index]
        kBase,         // the page's <base href>: strings[index]
        kResult,       // the file's closing log text, made from the changes counted
    };
    Kind kind;
    std::int32_t a = 0;
    std::int32_t b = 0;
    std::int32_t index = -1;
};

struct ScanRecord {
    std::vector<ScanEvent> events;
    std::vector<std::string> strings;
    // The URLs of kUrl events. A record is filled again file after file: the slots past the ones in
    // use keep their buffers, so that noting a URL allocates nothing once a few pages were scanned.
    std::vector<FoundUrl> found;

    void Clear();
    void Add(ScanEvent::Kind kind, std::int32_t a = 0, std::int32_t b = 0) { events.push_back(ScanEvent{kind, a, b, -1}); }
    void AddText(ScanEvent::Kind kind, const std::string& text, std::int32_t a = 0);
    void AddUrl(const FoundUrl& url) {
        AddUrl(url.tagPos, url.valuePos, url.spanLen, url.quoteLen, url.raw, url.kind, url.wholeValue);
    }
    void AddUrl(std::int32_t tagPos, std::int32_t valuePos, std::int32_t spanLen, std::int32_t quoteLen,
                const std::string& raw, std::uint8_t kind, bool wholeValue);

private:
    std::size_t foundCount_ = 0;
};

// The host of a scan run ahead: notes what would be shown, and never stops (the stop is asked for
// when the record is played).
class NotingHost : public OperationHost {
public:
    explicit NotingHost(ScanRecord& record) : record_(record) {}
    void AddLogLine(const std::string& text, bool append) override {
        record_.AddText(append ? ScanEvent::kLogAppend : ScanEvent::kLogLine, text);
    }
    void SetOverallProgress(std::int32_t done, std::int32_t total) override {
        record_.Add(ScanEvent::kOverallProgress, done, total);
    }
    void SetFileProgress(std::int32_t position, std::int32_t range) override {
        record_.Add(ScanEvent::kFileProgress, position, range);
    }
    void SetStatusText(const std::string& text) override { record_.AddText(ScanEvent::kStatus, text); }
    int PumpMessages() override {
        // A page polls hundreds of times, often with nothing noted in between: such polls share an event.
        if (!record_.events.empty() && record_.events.back().kind == ScanEvent::kPoll)
            ++record_.events.back().a;
        else
            record_.Add(ScanEvent::kPoll, 1);
        return kPollNothing;
    }

private:
    ScanRecord& record_;
};

}  // namespace corvane
