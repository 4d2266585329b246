// The width of a text in a dialog's font, on a memory context kept for the process.
#include "shell/text_width.h"

namespace corvane {

int TextWidth(HWND dialog, const std::string& text) {
    static HDC measure = CreateCompatibleDC(nullptr);
    static HFONT selected = nullptr;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (font != selected) {
        SelectObject(measure, font != nullptr ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
        selected = font;
    }
    SIZE size = {0, 0};
    GetTextExtentPoint32A(measure, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace corvane
