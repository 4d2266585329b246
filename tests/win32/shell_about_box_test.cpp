// The real about box, driven by a timer from inside its modal loop.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "about_ids.h"
#include "shell/about_box.h"
#include "support/scripted_dialogs.h"

namespace corvane {
namespace {

// One step per timer tick inside the modal loop of the thread's first visible window for which
// `find` holds; a box left open after the steps is cancelled, so a failure cannot hang.
struct ModalScript {
    std::function<bool(HWND)> find;
    std::vector<std::function<void(HWND)>> steps;
    std::size_t next = 0;
    HWND window = nullptr;
};
ModalScript* g_script = nullptr;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalScript& s = *g_script;
    if (s.window == nullptr)
        EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM) -> BOOL {
            if (IsWindowVisible(w) && g_script->find(w)) g_script->window = w;
            return g_script->window == nullptr;
        }, 0);
    if (s.window == nullptr) return;
    if (s.next < s.steps.size()) s.steps[s.next++](s.window);
    else PostMessageA(s.window, WM_COMMAND, IDCANCEL, 0);
}

void RunModal(ModalScript& script, const std::function<void()>& open) {
    g_script = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, 150, Tick);
    open();
    KillTimer(nullptr, timer);
    g_script = nullptr;
}

POINT CentreOf(HWND box, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(box, id), &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The cursor is put there, then the box gets the message.
void Mouse(HWND box, UINT message, POINT at) {
    SetCursorPos(at.x, at.y);
    ScreenToClient(box, &at);
    SendMessageA(box, message, 0, MAKELPARAM(at.x, at.y));
}

TEST(AboutBox, LinksFollowTheMouseAndOpenWhereTheButtonIsReleased) {
    ScriptedDialogs dialogs;
    AboutBoxRequest request;
    request.instance = GetModuleHandleA(nullptr);
    request.font = CreateFontA(15, 0, 0, 0, FW_NORMAL, 0, FALSE, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
    request.underlined = CreateFontA(15, 0, 0, 0, FW_NORMAL, 0, TRUE, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
    request.link1 = kMakerWebAddress;
    request.link2 = kSupportMailto;
    const HCURSOR hand = LoadCursorA(request.instance, MAKEINTRESOURCEA(IDC_HAND_CURSOR));
    auto fontOf = [](HWND box, int id) {
        return reinterpret_cast<HFONT>(SendDlgItemMessageA(box, id, WM_GETFONT, 0, 0));
    };
    // The background left of the about text, below the links.
    auto background = [](HWND box) {
        RECT r;
        GetWindowRect(GetDlgItem(box, IDC_ABOUT_TEXT), &r);
        return POINT{r.left - 3, (r.top + r.bottom) / 2};
    };
    std::vector<std::string> seen;
    RECT before = {}, after = {};
    ModalScript script;
    script.find = [](HWND w) { return GetDlgItem(w, IDC_ABOUT_LINK1) != nullptr; };
    script.steps = {
        [&](HWND box) {
            char text[4096];
            for (int id : {IDC_ABOUT_LINK1, IDC_ABOUT_LINK2, IDC_ABOUT_TEXT}) {
                GetDlgItemTextA(box, id, text, sizeof text);
                seen.push_back(text);
            }
            Mouse(box, WM_MOUSEMOVE, CentreOf(box, IDC_ABOUT_LINK1));
            EXPECT_EQ(GetCursor(), hand);
            EXPECT_EQ(fontOf(box, IDC_ABOUT_LINK1), request.underlined);
            EXPECT_EQ(fontOf(box, IDC_ABOUT_LINK2), request.font);
            Mouse(box, WM_MOUSEMOVE, background(box));
            EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
            EXPECT_EQ(fontOf(box, IDC_ABOUT_LINK1), request.font);
            SetCursor(nullptr);  // within the background the cursor is left alone
            Mouse(box, WM_MOUSEMOVE, POINT{background(box).x, background(box).y + 5});
            EXPECT_EQ(GetCursor(), nullptr);
        },
        [&](HWND box) {  // the right button on link 2 opens it; a drag of the background opens nothing
            Mouse(box, WM_RBUTTONDOWN, CentreOf(box, IDC_ABOUT_LINK2));
            Mouse(box, WM_RBUTTONUP, CentreOf(box, IDC_ABOUT_LINK2));
            GetWindowRect(box, &before);
            POINT from = background(box), to = {from.x + 30, from.y + 20};
            Mouse(box, WM_LBUTTONDOWN, from);
            Mouse(box, WM_MOUSEMOVE, to);
            Mouse(box, WM_LBUTTONUP, to);
            GetWindowRect(box, &after);
            // Leaving the box without a message to it: the timer repaints the link.
            Mouse(box, WM_MOUSEMOVE, CentreOf(box, IDC_ABOUT_LINK1));
            SetCursorPos(0, 0);
        },
        [](HWND) {}, [](HWND) {}, [](HWND) {}, [](HWND) {},
        [&](HWND box) { EXPECT_EQ(fontOf(box, IDC_ABOUT_LINK1), request.font); },
    };
    RunModal(script, [&] { ShowAboutBox(request); });

    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], "http://www.meridel.example/");
    EXPECT_EQ(seen[1], "help@meridel.example");
    EXPECT_NE(seen[2].find("Restavo puts the backups"), std::string::npos) << seen[2];
    EXPECT_TRUE(after.left - before.left == 30 && after.top - before.top == 20);
    ASSERT_EQ(dialogs.Of("shell").size(), 1u);
    EXPECT_EQ(dialogs.Of("shell")[0].text, kSupportMailto);
    DeleteObject(request.font);
    DeleteObject(request.underlined);
}

}  // namespace
}  // namespace corvane
