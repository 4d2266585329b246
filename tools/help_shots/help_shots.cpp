// Takes the pictures of the help and the README: walks Corvane.exe through its eight steps on a copy of the
// sample site, then opens Restavo.exe, and saves each window as it stands on the screen as a BMP file.
//
// help_shots <Corvane.exe> <Restavo.exe> <site copy> <output folder>
// help_shots --viewer <Corvane.exe> <output folder>: presses Help on step 1 and F1 on step 2, and saves the screen
// with the help viewer as viewer-help.bmp and viewer-f1.bmp.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "corvane_ids.h"
#include "gui_driver.h"

namespace {

using namespace corvane;

constexpr const char* kCaption = "Corvane";
constexpr DWORD kSettleMs = 1500;  // the side picture slides and cross-fades for about a second

std::string g_output;

bool Fail(const std::string& what) {
    std::fprintf(stderr, "help_shots: %s\n", what.c_str());
    return false;
}

// The visible page inside the frame.
HWND VisiblePage(HWND frame) {
    for (HWND child = FindWindowExA(frame, nullptr, "#32770", nullptr); child != nullptr;
         child = FindWindowExA(frame, child, "#32770", nullptr))
        if (IsWindowVisible(child)) return child;
    return nullptr;
}

bool WaitForTitle(HWND frame, const std::string& title) {
    for (int i = 0; i < 400; ++i) {
        if (gui::WindowText(frame) == title) return true;
        Sleep(50);
    }
    return Fail("no page titled \"" + title + "\" (now \"" + gui::WindowText(frame) + "\")");
}

bool WaitForPrefix(HWND dialog, int id, const std::string& prefix, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (gui::ItemText(dialog, id).rfind(prefix, 0) == 0) return true;
        Sleep(50);
    }
    return Fail("control " + std::to_string(id) + " never read \"" + prefix + "...\"");
}

bool Answer(DWORD processId, const char* caption, int button) {
    HWND box = gui::WaitForMessageBox(processId, caption, nullptr);
    if (box == nullptr) return Fail(std::string("no message box titled ") + caption);
    gui::PressMessageBoxButton(box, button);
    gui::WaitForWindowGone(box);
    return true;
}

// Copies the window's rectangle (the whole screen for no window) into name.bmp, 24 bits, bottom-up.
bool Capture(HWND window, const std::string& name) {
    RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window != nullptr) {
        SetForegroundWindow(window);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        GetWindowRect(window, &r);
    }
    Sleep(kSettleMs);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<std::size_t>(stride) * height);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(g_output + "\\" + name + ".bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    std::printf("help_shots: %s (%dx%d)\n", name.c_str(), width, height);
    return static_cast<bool>(out);
}

bool Next(HWND frame) { return gui::ClickButton(frame, IDC_FRAME_NEXT); }

bool WalkWizard(const std::string& corvane, const std::string& site) {
    gui::DrivenProcess wizard;
    if (!wizard.Start(corvane, "")) return Fail("cannot start " + corvane);
    HWND frame = gui::WaitForWindow(wizard.id(), "#32770", "Corvane - Welcome to Corvane!");
    if (frame == nullptr) return Fail("no wizard");
    bool ok = Capture(frame, "step1");

    // Step 2: the folder comes in as a second start would hand it over, so the page shows a filled list.
    gui::DrivenProcess second;
    ok = ok && second.Start(corvane, site) && WaitForTitle(frame, "Corvane - Add Files for Processing") &&
         Answer(wizard.id(), kCaption, IDYES) &&
         WaitForPrefix(VisiblePage(frame), IDC_FILES_COUNTER, "Files added: 1", 20000) && Capture(frame, "step2");

    ok = ok && Next(frame) && WaitForTitle(frame, "Corvane - Search Properties") && Capture(frame, "step3");
    // No network here: the search must not wait for servers that cannot answer.
    if (ok) {
        HWND page = VisiblePage(frame);
        if (SendDlgItemMessageA(page, IDC_SEARCH_OPT_CHECK_INTERNET, BM_GETCHECK, 0, 0) == BST_CHECKED)
            gui::ClickButton(page, IDC_SEARCH_OPT_CHECK_INTERNET);
        Sleep(300);
    }
    ok = ok && Next(frame) && WaitForTitle(frame, "Corvane - Processing Options") && Capture(frame, "step4");
    ok = ok && Next(frame) && WaitForTitle(frame, "Corvane - Searching for Broken URL's") &&
         WaitForPrefix(VisiblePage(frame), IDC_SEARCH_STATUS, "Done: ", 60000) && Capture(frame, "step5");
    ok = ok && Next(frame) && WaitForTitle(frame, "Corvane - Search Results") &&
         WaitForPrefix(VisiblePage(frame), IDC_REVIEW_STATUS, "URL's in the list: ", 20000);
    if (ok) {
        // Deletion allowed, so that step 7 comes next; a replacement selected, so that its editor shows.
        HWND page = VisiblePage(frame);
        gui::ClickButton(page, IDC_REVIEW_ALLOW_DELETION);
        Sleep(500);
        ok = WaitForPrefix(page, IDC_REVIEW_STATUS, "URL's in the list: ", 20000);
        HWND list = GetDlgItem(page, IDC_REVIEW_LIST);
        SendMessageA(list, LB_SETCURSEL, 1, 0);
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_REVIEW_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        ok = ok && Capture(frame, "step6");
    }
    ok = ok && Next(frame) && WaitForTitle(frame, "Corvane - Link Deletion Properties") && Capture(frame, "step7");
    ok = ok && Next(frame) && Answer(wizard.id(), kCaption, IDYES) &&
         WaitForTitle(frame, "Corvane - Processing Broken URL's") &&
         WaitForPrefix(VisiblePage(frame), IDC_APPLY_STATUS, "Done: ", 60000) && Capture(frame, "step8");

    gui::ClickButton(frame, IDC_FRAME_EXIT);
    // The sample site needs a second pass, and the wizard asks before it lets that go.
    if (HWND box = gui::WaitForMessageBox(wizard.id(), kCaption, nullptr, 3000)) gui::PressMessageBoxButton(box, IDYES);
    DWORD code = 0;
    if (!wizard.WaitForExit(20000, &code)) {
        wizard.Terminate();
        return Fail("the wizard did not end");
    }
    return ok;
}

bool ShowRestavo(const std::string& restavo, const std::string& site) {
    gui::DrivenProcess process;
    if (!process.Start(restavo, site)) return Fail("cannot start " + restavo);
    HWND dialog = gui::WaitForWindow(process.id(), "#32770", "Restavo");
    bool ok = dialog != nullptr && Capture(dialog, "restavo");
    if (dialog != nullptr) gui::ClickButton(dialog, 1008);  // E&xit
    DWORD code = 0;
    if (!process.WaitForExit(20000, &code)) {
        process.Terminate();
        return Fail("Restavo did not end");
    }
    return ok;
}

// The help viewer's window, in any process; prints what it finds.
HWND WaitForViewer(const char* how) {
    HWND viewer = gui::WaitForWindow(0, "HH Parent", nullptr, 20000);
    if (viewer == nullptr) {
        Fail(std::string("no help viewer after ") + how);
        return nullptr;
    }
    std::printf("help_shots: %s opened the viewer \"%s\"\n", how, gui::WindowText(viewer).c_str());
    return viewer;
}

bool CheckViewer(const std::string& corvane) {
    gui::DrivenProcess wizard;
    if (!wizard.Start(corvane, "")) return Fail("cannot start " + corvane);
    HWND frame = gui::WaitForWindow(wizard.id(), "#32770", "Corvane - Welcome to Corvane!");
    if (frame == nullptr) return Fail("no wizard");
    gui::ClickButton(frame, IDC_FRAME_HELP);
    HWND viewer = WaitForViewer("Help on step 1");
    bool ok = viewer != nullptr && Capture(nullptr, "viewer-help");
    if (viewer != nullptr) {
        PostMessageA(viewer, WM_CLOSE, 0, 0);
        gui::WaitForWindowGone(viewer, 5000);
    }

    ok = ok && Next(frame) && WaitForTitle(frame, "Corvane - Add Files for Processing");
    if (ok) {
        SetForegroundWindow(frame);
        Sleep(500);
        INPUT keys[2] = {};
        keys[0].type = keys[1].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
        viewer = WaitForViewer("F1 on step 2");
        ok = viewer != nullptr && Capture(nullptr, "viewer-f1");
        if (viewer != nullptr) PostMessageA(viewer, WM_CLOSE, 0, 0);
    }
    wizard.Terminate();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--viewer") {
        g_output = argv[3];
        return CheckViewer(argv[2]) ? 0 : 1;
    }
    if (argc != 5) {
        std::fprintf(stderr, "usage: help_shots Corvane.exe Restavo.exe SITE-COPY OUTPUT-FOLDER\n");
        return 2;
    }
    g_output = argv[4];
    const bool ok = WalkWizard(argv[1], argv[3]) && ShowRestavo(argv[2], argv[3]);
    return ok ? 0 : 1;
}
