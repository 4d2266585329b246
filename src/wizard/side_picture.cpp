// The side picture until the landscape and step labels exist: a calm panel naming the current step.
#include "wizard/side_picture.h"

#include <string>

namespace corvane {
namespace {

HWND g_control = nullptr;
int g_step = 0;

const char* const kStepNames[] = {"Welcome", "Files", "Search", "Processing",
                                  "Searching", "Results", "Deletion", "Processing"};

}  // namespace

void SetUpStepPicture(HINSTANCE, HWND frame, int controlId) { g_control = GetDlgItem(frame, controlId); }

void ShowStepPicture(int step, bool) {
    g_step = step;
    if (g_control != nullptr) InvalidateRect(g_control, nullptr, FALSE);
}

void PaintStepPicture(HDC dc) {
    if (g_control == nullptr) return;
    RECT r;
    GetClientRect(g_control, &r);
    HBRUSH panel = CreateSolidBrush(RGB(46, 84, 130));
    FillRect(dc, &r, panel);
    DeleteObject(panel);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    std::string text = "Step " + std::to_string(g_step + 1) + " of 8\n" + kStepNames[g_step];
    RECT t = {r.left + 8, r.bottom - 48, r.right - 8, r.bottom - 8};
    DrawTextA(dc, text.c_str(), -1, &t, DT_CENTER | DT_NOPREFIX);
    SelectObject(dc, old);
}

}  // namespace corvane
