// The single-instance atom and the hand-over of a command line to the running instance.
#include <gtest/gtest.h>

#include <string>

#include "shell/single_instance.h"

namespace corvane {
namespace {

std::string Identifier(const char* what) {
    return std::string("Corvane single instance test ") + what + " " + std::to_string(GetCurrentProcessId());
}

// What the running instance's window read when notified, as the programs do.
SingleInstance* g_running = nullptr;
std::string g_received;
int g_notifications = 0;

LRESULT CALLBACK RunningProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && wParam == kHandoverCommand) {
        ++g_notifications;
        if (!g_running->ReadHandover(&g_received)) g_received = "<nothing>";
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(SingleInstance, HandsTheCommandLineToTheWindowCarryingTheAtom) {
    const struct {
        std::string commandLine, received;
        int notifications;
    } cases[] = {
        {"C:\\site", "C:\\site", 1},
        {"\"C:\\my site\"", "\"C:\\my site\"", 1},  // quotes kept
        {"", "", 0},                                // only brought to the front
        {std::string(260, 'a'), std::string(260, 'a'), 1},
        {std::string(261, 'b'), "<nothing>", 1},  // longer than the slot's messages: not sent
    };
    SingleInstance running(Identifier("handover"));
    EXPECT_FALSE(running.FindOrAddAtom());
    running.CreateSlot();
    g_running = &running;
    HWND window = CreateWindowExA(0, "#32770", "running", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RunningProc));
    SetWindowLongPtrA(window, GWLP_USERDATA, running.atom());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine);
        g_received.clear();
        g_notifications = 0;
        SingleInstance second(Identifier("handover"));
        EXPECT_TRUE(second.FindOrAddAtom());
        EXPECT_TRUE(second.HandOverToRunning(c.commandLine));
        EXPECT_EQ(g_received, c.received);
        EXPECT_EQ(g_notifications, c.notifications);
    }
    DestroyWindow(window);
    running.DeleteAtom();

    // An atom left behind without its window: the next start runs as the first instance.
    SingleInstance next(Identifier("handover"));
    EXPECT_FALSE(next.HandOverToRunning("C:\\site"));
}

TEST(SingleInstance, ReadingTakesOnlyWhatIsWaitingAndNeverCutsAMessage) {
    SingleInstance running(Identifier("reading"));
    running.FindOrAddAtom();
    running.CreateSlot();
    std::string message = "unchanged";
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(running.ReadHandover(&message));
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_EQ(message, "unchanged");

    HANDLE slot = CreateFileA(("\\\\.\\mailslot\\" + Identifier("reading")).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(slot, INVALID_HANDLE_VALUE);
    const std::string tooLong(400, 'x');
    DWORD written = 0;
    WriteFile(slot, tooLong.c_str(), static_cast<DWORD>(tooLong.size() + 1), &written, nullptr);
    WriteFile(slot, "C:\\next", 8, &written, nullptr);
    CloseHandle(slot);
    EXPECT_TRUE(running.ReadHandover(&message) || running.ReadHandover(&message));
    EXPECT_EQ(message, "C:\\next");
    running.DeleteAtom();
}

}  // namespace
}  // namespace corvane
