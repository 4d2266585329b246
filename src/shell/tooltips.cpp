// Tooltips for a window's controls: one tooltip window per window, one tool per control.
#include "shell/tooltips.h"

#include <commctrl.h>

namespace corvane {

HWND AddTooltips(HWND window, const TooltipTool* tools, std::size_t count) {
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)), nullptr);
    if (tip == nullptr) return nullptr;
    SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(32767, 0));
    SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, 200);
    for (std::size_t i = 0; i < count; ++i) {
        HWND control = GetDlgItem(window, tools[i].controlId);
        if (control == nullptr) continue;
        TTTOOLINFOA info = {};
        // The size every version of the common controls accepts, not only version 6.
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        info.uFlags = TTF_SUBCLASS;
        info.hwnd = control;
        info.uId = tools[i].toolId;
        GetClientRect(control, &info.rect);
        info.lpszText = const_cast<char*>(tools[i].text);
        SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
    return tip;
}

}  // namespace corvane
