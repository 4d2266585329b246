// The pages' operation host: the log with its horizontal extent, the two bars, the status, the pump.
#include "wizard/page_host.h"

#include <commctrl.h>

#include <vector>

#include "common/user_dialogs.h"
#include "wizard/wizard.h"

namespace corvane {

void PageHost::AddLogLine(const std::string& text, bool append) {
    HWND list = GetDlgItem(page_, controls_.log);
    if (list == nullptr) return;
    std::string line = text;
    if (append) {
        LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
        if (count > 0) {
            LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(count - 1), 0);
            std::vector<char> last(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(last.data()));
            line = std::string(last.data()) + text;
            SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(count - 1), 0);
        }
    }
    LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    if (index >= 0) SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);

    HDC dc = GetDC(list);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(page_, WM_GETFONT, 0, 0));
    HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size);
    if (old != nullptr) SelectObject(dc, old);
    ReleaseDC(list, dc);
    if (size.cx > logExtent_) {
        logExtent_ = size.cx;
        SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(logExtent_ + GetSystemMetrics(SM_CXVSCROLL)), 0);
    }
}

void PageHost::SetOverallProgress(std::int32_t done, std::int32_t total) {
    HWND bar = GetDlgItem(page_, controls_.overall);
    SendMessageA(bar, PBM_SETRANGE32, 0, total);
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(done + 1), 0);
}

void PageHost::SetFileProgress(std::int32_t position, std::int32_t range) {
    HWND bar = GetDlgItem(page_, controls_.fileProgress);
    SendMessageA(bar, PBM_SETRANGE32, 0, range);
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void PageHost::SetStatusText(const std::string& text) { SetDlgItemTextA(page_, controls_.status, text.c_str()); }

int PageHost::PumpMessages() { return ::corvane::PumpMessages(); }

bool PageHost::AskYesNo(const std::string& question) {
    if (Wizard().closePending) return true;
    return Dialogs().MessageBox(Wizard().frame, question, kProgramName,
                                MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void PageHost::ClearLog() {
    HWND list = GetDlgItem(page_, controls_.log);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, 0, 0);
    logExtent_ = 0;
}

}  // namespace corvane
