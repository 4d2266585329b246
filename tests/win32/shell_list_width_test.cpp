// A list's horizontal extent follows its widest row in the dialog's font, whatever order the rows come in.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/text_width.h"

namespace corvane {
namespace {

TEST(ListWidth, ExtentIsTheWidestRowInTheDialogsFont) {
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_HSCROLL | WS_VSCROLL, 0, 0, 300, 200, parent,
                                reinterpret_cast<HMENU>(7), nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    SendMessageA(parent, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), FALSE);
    const std::vector<std::vector<std::string>> orders = {
        {"short", "C:\\site\\sec12\\top05\\p05000.htm (8248 bytes) ... 7 change(s) to apply", "WWWWWWWWWW"},
        {"iiiiiiiiiiiiiiiiiiiiiiiiiiiiii", "WWWWWWWWWW", "short"},
        {"ab", "caf\xE9 \xC6\xC6\xC6\xC6", "abc"},
    };
    ListWidth width(parent, 7);
    for (const auto& rows : orders) {
        width.Reset();
        int widest = 0;
        for (const std::string& row : rows) {
            width.Widen(row);
            widest = std::max(widest, TextWidth(parent, row));
        }
        EXPECT_EQ(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0), widest + GetSystemMetrics(SM_CXVSCROLL))
            << rows.front();
    }
    DestroyWindow(parent);
}

}  // namespace
}  // namespace corvane
