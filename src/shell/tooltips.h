// Tooltips for a window's controls: one tooltip window per window, one tool per control.
#pragma once

#include <windows.h>

#include <cstddef>

namespace corvane {

struct TooltipTool {
    int controlId;
    UINT toolId;
    const char* text;
};

// Creates the tooltip window owned by `window` and registers every tool of the set.
HWND AddTooltips(HWND window, const TooltipTool* tools, std::size_t count);

template <std::size_t N>
HWND AddTooltips(HWND window, const TooltipTool (&tools)[N]) {
    return AddTooltips(window, tools, N);
}

}  // namespace corvane
