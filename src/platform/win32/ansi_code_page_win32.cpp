// The real ANSI code page of the running system.
#include "platform/ansi_code_page.h"

#include <windows.h>

namespace corvane {
namespace {

class SystemAnsi : public AnsiCodePage {
public:
    unsigned char FromUtf16(std::uint16_t unit) const override {
        wchar_t wide = static_cast<wchar_t>(unit);
        char out[4] = {'_', 0, 0, 0};
        BOOL usedDefault = FALSE;
        int n = WideCharToMultiByte(CP_ACP, 0, &wide, 1, out, sizeof out, "_", &usedDefault);
        // A double-byte character has no single 8-bit form either.
        if (n != 1) return '_';
        return static_cast<unsigned char>(out[0]);
    }
    std::u16string ToUtf16(const std::string& text) const override {
        if (text.empty()) return {};
        int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::u16string out(static_cast<std::size_t>(n > 0 ? n : 0), u'\0');
        if (n > 0)
            MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                reinterpret_cast<wchar_t*>(&out[0]), n);
        return out;
    }
};

}  // namespace

const AnsiCodePage& SystemCodePage() {
    // Under the UTF-8 code page the built-in conversion keeps malformed bytes, where Windows' own would not.
    if (GetACP() == CP_UTF8) return Utf8CodePage();
    static const SystemAnsi page;
    return page;
}

}  // namespace corvane
