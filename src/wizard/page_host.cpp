// The pages' operation host: the log with its horizontal extent, the two bars, the status, the pump.
#include "wizard/page_host.h"

#include <commctrl.h>

#include <vector>

#include "shell/user_dialogs.h"
#include "shell/text_width.h"
#include "wizard/wizard.h"

namespace corvane {

void PageHost::AddLogLine(const std::string& text, bool append) {
    HWND list = GetDlgItem(page_, controls_.log);
    if (list == nullptr) return;
    // Every change of a visible list box redraws its scroll bar at once; while lines come in,
    // the list is drawn only when the messages are pumped (Flush).
    if (!batching_) {
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        batching_ = true;
    }
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
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));

    logWidth_.Widen(line);
}

void PageHost::Flush() {
    ShowBar(controls_.overall, overall_);
    ShowBar(controls_.fileProgress, file_);
    if (!batching_) return;
    batching_ = false;
    HWND list = GetDlgItem(page_, controls_.log);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (count > 0) SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(count - 1), 0);
    InvalidateRect(list, nullptr, TRUE);
}

void PageHost::SetOverallProgress(std::int32_t done, std::int32_t total) {
    overall_ = {total, done + 1, true};
}

void PageHost::SetFileProgress(std::int32_t position, std::int32_t range) {
    file_ = {range, position, true};
}

// A progress bar repaints at once on every change under Wine, and the scanners set it many
// times a file: the bars take their values when the log is flushed.
void PageHost::ShowBar(int id, Bar& bar) {
    if (!bar.pending) return;
    bar.pending = false;
    HWND control = GetDlgItem(page_, id);
    if (control == nullptr) return;
    SendMessageA(control, PBM_SETRANGE32, 0, bar.range);
    SendMessageA(control, PBM_SETPOS, static_cast<WPARAM>(bar.position), 0);
}

void PageHost::SetStatusText(const std::string& text) { SetDlgItemTextA(page_, controls_.status, text.c_str()); }

int PageHost::PumpMessages() {
    // The list is shown as it stands about ten times a second, when the pump will paint it.
    const ULONGLONG now = GetTickCount64();
    if (now - lastFlush_ >= 100) {
        lastFlush_ = now;
        Flush();
    }
    return ::corvane::PumpMessages();
}

bool PageHost::AskYesNo(const std::string& question) {
    if (Wizard().closePending) return true;
    return Dialogs().MessageBox(Wizard().frame, question, kProgramName,
                                MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void PageHost::ShowError(const std::string& message) {
    if (Wizard().closePending) return;
    Flush();
    Dialogs().MessageBox(Wizard().frame, message, kProgramName, MB_OK | MB_ICONERROR);
}

void PageHost::ClearLog() {
    Flush();
    HWND list = GetDlgItem(page_, controls_.log);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    logWidth_.Reset();
}

}  // namespace corvane
