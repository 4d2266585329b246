// A small engine set-up for tests: link table, file list, options and a page text in 8-bit or UTF-16 form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine_context.h"
#include "engine/text_search.h"
#include "support/engine_parts.h"

namespace corvane {
namespace testing_support {

// Answers every Internet check with a fixed result and remembers what was asked.
class FakeInternet : public InternetUrlChecker {
public:
    explicit FakeInternet(int answer) : answer_(answer) {}
    int CheckInternetUrl(const std::string& url) override {
        asked.push_back(url);
        return answer_;
    }
    std::string MovedAddress(const std::string&) const override { return moved; }
    std::vector<std::string> asked;
    std::string moved;

private:
    int answer_;
};

struct EngineFixture : EngineParts<NullHost> {
    std::vector<unsigned char> bytes;
    std::string page;  // the 8-bit form of the page, for finding positions
    bool utf16 = false;

    // Sets the page's text; with utf16 every character becomes a little-endian 16-bit unit.
    void SetPage(const std::string& text8, bool asUtf16 = false) {
        page = text8;
        utf16 = asUtf16;
        bytes.clear();
        for (unsigned char c : text8) {
            bytes.push_back(c);
            if (asUtf16) bytes.push_back(0);
        }
    }
    Text text() const {
        Text t;
        t.data = bytes.empty() ? nullptr : bytes.data();
        t.size = static_cast<std::int32_t>(bytes.size());
        t.encoding = utf16 ? kEncodingUtf16LE : kEncoding8Bit;
        return t;
    }
    // Byte position of the first character of `marker` in the page, or of the one after it.
    std::int32_t At(const std::string& marker) const { return Position(marker, 0); }
    std::int32_t After(const std::string& marker) const { return Position(marker, marker.size()); }

private:
    std::int32_t Position(const std::string& marker, std::size_t offset) const {
        const std::size_t p = page.find(marker);
        if (p == std::string::npos) return -1;
        return static_cast<std::int32_t>((p + offset) * (utf16 ? 2 : 1));
    }
};

}  // namespace testing_support
}  // namespace corvane
