// The width of a text in a dialog's font, measured without touching the display.
#pragma once

#include <windows.h>

#include <string>

namespace corvane {

// Measured on one memory context kept for the process: a window's own context costs a round trip
// to the display under Wine, and the lists measure every row they add.
int TextWidth(HWND dialog, const std::string& text);

}  // namespace corvane
