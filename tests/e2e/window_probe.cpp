// Starts a program, waits for its top-level window with a given caption, closes it and waits for the program to end:
// proof from a shell script that an installed program opens its window and ends cleanly.
//
// window_probe <program> <caption>   exit 0: seen and ended with 0; 1: not seen, or did not end well
#include <windows.h>

#include <cstdio>
#include <string>

#include "gui_driver.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_probe PROGRAM CAPTION\n");
        return 2;
    }
    corvane::gui::DrivenProcess process;
    if (!process.Start(argv[1], "")) {
        std::fprintf(stderr, "window_probe: cannot start %s\n", argv[1]);
        return 1;
    }
    HWND window = corvane::gui::WaitForWindow(process.id(), nullptr, argv[2], 30000);
    DWORD code = 0;
    if (window == nullptr) {
        std::fprintf(stderr, "window_probe: no window \"%s\"\n", argv[2]);
        process.Terminate();
        return 1;
    }
    std::printf("window_probe: saw \"%s\"\n", corvane::gui::WindowText(window).c_str());
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (!process.WaitForExit(20000, &code)) {
        std::fprintf(stderr, "window_probe: the program did not end after WM_CLOSE\n");
        process.Terminate();
        return 1;
    }
    std::printf("window_probe: ended with %lu\n", static_cast<unsigned long>(code));
    return code == 0 ? 0 : 1;
}
