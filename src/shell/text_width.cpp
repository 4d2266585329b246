// The width of a text in a dialog's font, on a memory context kept for the process.
#include "shell/text_width.h"

namespace corvane {

int TextWidth(HWND dialog, const std::string& text) {
    return TextWidth(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), text);
}

int TextWidth(HFONT font, const std::string& text) {
    static HDC measure = CreateCompatibleDC(nullptr);
    static HFONT selected = nullptr;
    if (font != selected) {
        SelectObject(measure, font != nullptr ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
        selected = font;
    }
    SIZE size = {0, 0};
    GetTextExtentPoint32A(measure, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace corvane

namespace corvane {

void ListWidth::Reset() {
    extent_ = 0;
    fontKnown_ = false;
    SendDlgItemMessageA(dialog_, listId_, LB_SETHORIZONTALEXTENT, 0, 0);
}

void ListWidth::Widen(const std::string& text) {
    // Asked once: rows come by the thousand, and under Wine each message costs more than the measuring.
    if (!fontKnown_) {
        font_ = reinterpret_cast<HFONT>(SendMessageA(dialog_, WM_GETFONT, 0, 0));
        fontKnown_ = true;
    }
    const int width = TextWidth(font_, text);
    if (width <= extent_) return;
    extent_ = width;
    SendDlgItemMessageA(dialog_, listId_, LB_SETHORIZONTALEXTENT,
                        static_cast<WPARAM>(extent_ + GetSystemMetrics(SM_CXVSCROLL)), 0);
}

}  // namespace corvane
