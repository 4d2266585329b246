// Times the wizard's steps 5 and 6 in-process on a site: the search beside filling, sorting and refreshing the review list.
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "shell/program_values.h"
#include "corvane_ids.h"
#include "platform/win32/file_system_win32.h"
#include "support/memory_settings_store.h"
#include "support/scripted_dialogs.h"
#include "wizard/wizard.h"

using namespace corvane;

namespace {

void Pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

double Seconds(const std::chrono::steady_clock::time_point& from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

void Click(HWND window, int id) {
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wizard_review_bench SITE-FOLDER (in Windows form)\n");
        return 2;
    }
    ScriptedDialogs dialogs;
    MemorySettingsStore store;
    Win32FileSystem fs;
    WizardState& w = Wizard();
    w.store = &store;
    w.fs = &fs;
    w.keyIsDown = [](int) { return false; };
    Program().instance = GetModuleHandleA(nullptr);
    Program().programDir = "C:\\";
    Program().startupPath = argv[1];
    dialogs.answers = {IDYES};
    store.numbers["stStep3Chk9"] = 0;  // no Internet check
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    auto start = std::chrono::steady_clock::now();
    HWND frame = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FRAME), nullptr, WizardFrameProc, 0);
    ShowWindow(frame, SW_SHOW);
    Pump();
    double adding = Seconds(start);
    Click(frame, IDC_FRAME_NEXT);
    Click(frame, IDC_FRAME_NEXT);
    start = std::chrono::steady_clock::now();
    Click(frame, IDC_FRAME_NEXT);
    Pump();
    double search = Seconds(start);
    start = std::chrono::steady_clock::now();
    Click(frame, IDC_FRAME_NEXT);
    Pump();
    double fill = Seconds(start);
    HWND review = w.pageWindow[5];
    LRESULT rows = SendDlgItemMessageA(review, IDC_REVIEW_LIST, LB_GETCOUNT, 0, 0);
    start = std::chrono::steady_clock::now();
    SendDlgItemMessageA(review, IDC_REVIEW_SORT, CB_SETCURSEL, 1, 0);
    SendMessageA(review, WM_COMMAND, MAKEWPARAM(IDC_REVIEW_SORT, CBN_SELENDOK), 0);
    Pump();
    double sort = Seconds(start);
    start = std::chrono::steady_clock::now();
    CheckDlgButton(review, IDC_REVIEW_ALLOW_DELETION, BST_CHECKED);
    Click(review, IDC_REVIEW_ALLOW_DELETION);
    Pump();
    double refresh = Seconds(start);

    std::printf("files %d, records %d, review rows %ld\n", w.files.size(), w.links.linkCount(), static_cast<long>(rows));
    std::printf("adding the folder   %7.2f s\n", adding);
    std::printf("search (step 5)     %7.2f s\n", search);
    std::printf("review fill         %7.2f s\n", fill);
    std::printf("sort by URL + fill  %7.2f s\n", sort);
    std::printf("refresh (deletion)  %7.2f s\n", refresh);
    DestroyWindow(frame);
    return 0;
}
