// The width of a text in a dialog's font, measured without touching the display.
#pragma once

#include <windows.h>

#include <string>

namespace corvane {

// Measured on one memory context kept for the process: a window's own context costs a round trip
// to the display under Wine, and the lists measure every row they add.
int TextWidth(HWND dialog, const std::string& text);
int TextWidth(HFONT font, const std::string& text);

}  // namespace corvane

namespace corvane {

// A list box's horizontal extent: the widest row measured since the last reset, in the dialog's
// font, plus the width of a vertical scroll bar.
class ListWidth {
public:
    ListWidth(HWND dialog, int listId) : dialog_(dialog), listId_(listId) {}
    void Reset();
    void Widen(const std::string& text);

private:
    HWND dialog_;
    int listId_;
    int extent_ = 0;
    HFONT font_ = nullptr;  // the dialog's, asked for by the first row after a reset
    bool fontKnown_ = false;
};

}  // namespace corvane
