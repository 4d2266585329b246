// The system's ANSI code page, as the core sees it: UTF-16 units to 8-bit characters and back.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

class AnsiCodePage {
public:
    virtual ~AnsiCodePage() = default;
    // One UTF-16 unit as one 8-bit character; '_' when the code page has none.
    virtual unsigned char FromUtf16(std::uint16_t unit) const = 0;
    // 8-bit text of this code page as UTF-16 units.
    virtual std::u16string ToUtf16(const std::string& text) const = 0;
};

// The code page of the platform the core runs on: the real ANSI code page on
// Windows, a built-in Windows-1252 table elsewhere.
const AnsiCodePage& SystemCodePage();

// Windows-1252, available everywhere (tests and the portable build use it).
const AnsiCodePage& Windows1252CodePage();

}  // namespace corvane
