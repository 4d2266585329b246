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
    // UTF-8: a character of UTF-16 text is read as its UTF-8 bytes, not as one 8-bit character.
    virtual bool IsUtf8() const { return false; }
};

// The code page of the platform the core runs on: the real ANSI code page on
// Windows (UTF-8 where the program's manifest is honoured), UTF-8 elsewhere.
const AnsiCodePage& SystemCodePage();

// UTF-8, available everywhere; no UTF-16 unit but ASCII has a single 8-bit form.
const AnsiCodePage& Utf8CodePage();

// Windows-1252, available everywhere (tests and the portable build use it).
const AnsiCodePage& Windows1252CodePage();

}  // namespace corvane
