// Windows-1252: the code page of the portable build and of repeatable tests.
#include "platform/ansi_code_page.h"

#include <array>

namespace corvane {
namespace {

// Bytes 0x80-0x9F; the five bytes the code page leaves undefined stand for the C1 controls, as on Windows.
constexpr std::array<std::uint16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::uint16_t ByteToUnit(unsigned char b) {
    return (b >= 0x80 && b <= 0x9F) ? kHigh[b - 0x80] : b;
}

class Windows1252 : public AnsiCodePage {
public:
    unsigned char FromUtf16(std::uint16_t unit) const override {
        if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<unsigned char>(unit);
        for (unsigned i = 0; i < kHigh.size(); ++i)
            if (kHigh[i] == unit) return static_cast<unsigned char>(0x80 + i);
        return '_';
    }
    std::u16string ToUtf16(const std::string& text) const override {
        std::u16string out;
        out.reserve(text.size());
        for (unsigned char c : text) out.push_back(static_cast<char16_t>(ByteToUnit(c)));
        return out;
    }
};

}  // namespace

const AnsiCodePage& Windows1252CodePage() {
    static const Windows1252 page;
    return page;
}

}  // namespace corvane
