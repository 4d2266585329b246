// Restavo.exe driven from outside: a folder of backups restored byte for byte, and a second start
// handing its folder over to the running one.
#include <gtest/gtest.h>

#include <string>

#include "support/gui_driver.h"
#include "support/temp_tree.h"

namespace corvane {
namespace {

constexpr int kFolder = 1000;
constexpr int kProcess = 1003;
constexpr int kExit = 1008;

// The build gives the program's path in host form; Wine shows the host's root as Z:.
std::string RestavoExe() {
    std::string path = RESTAVO_EXE;
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
        for (char& c : path)
            if (c == '/') c = '\\';
    }
    return path;
}

std::string Bytes(int seed, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += static_cast<char>((i * 7 + seed) & 0xFF);
    return out;
}

class RestavoRun : public ::testing::Test {
protected:
    void TearDown() override {
        // A run that failed half-way must not be left for the next start to hand over to.
        DWORD code = 0;
        if (first_.handle() != nullptr && !first_.WaitForExit(0, &code)) first_.Terminate();
    }

    HWND StartFirst(const std::string& folder) {
        if (!first_.Start(RestavoExe(), folder)) return nullptr;
        return gui::WaitForWindow(first_.id(), "#32770", "Restavo");
    }

    // Waits for the message box, checks its text and presses the button.
    void Answer(HWND main, const std::string& text, int button) {
        HWND box = gui::WaitForMessageBox(first_.id(), "Restavo", main);
        ASSERT_NE(box, nullptr) << "no message box for: " << text;
        EXPECT_EQ(gui::MessageBoxText(box), text);
        ASSERT_TRUE(gui::PressMessageBoxButton(box, button));
        ASSERT_TRUE(gui::WaitForWindowGone(box));
    }

    void Exit(HWND main) {
        ASSERT_TRUE(gui::ClickButton(main, kExit));
        DWORD code = 1;
        ASSERT_TRUE(first_.WaitForExit(gui::kDefaultTimeoutMs, &code));
        EXPECT_EQ(code, 0u);
    }

    TempTree tree_;
    gui::DrivenProcess first_;
};

TEST_F(RestavoRun, ProcessRestoresEveryBackupByteForByte) {
    struct File {
        const char* name;
        std::string live, backup, after;  // after: what the live name holds at the end
    };
    const File files[] = {
        {"index.htm", "<p>rewritten</p>", "<p>original</p>", "<p>original</p>"},
        {"img\\logo.gif", Bytes(1, 700), Bytes(9, 512), Bytes(9, 512)},
        {"css\\deep\\site.css", "a{}", "b { color: red }\r\n", "b { color: red }\r\n"},
        {"readme", "", "only a backup", "only a backup"},
        {"notes.txt", "untouched", "", "untouched"},
    };
    for (const File& f : files) {
        if (!f.live.empty()) tree_.WriteFile(f.name, f.live);
        if (!f.backup.empty()) tree_.WriteFile(std::string(f.name) + ".bak", f.backup);
    }

    HWND main = StartFirst(tree_.root());
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(gui::ItemText(main, kFolder), tree_.root());
    ASSERT_TRUE(gui::ClickButton(main, kProcess));
    Answer(main, "Are You sure? Is everything correct?", IDYES);
    Answer(main, "4 backup file(s) restored", IDOK);
    Exit(main);

    for (const File& f : files) {
        EXPECT_EQ(tree_.ReadFile(f.name), f.after) << f.name;
        EXPECT_FALSE(tree_.Exists(std::string(f.name) + ".bak")) << f.name;
    }
}

TEST_F(RestavoRun, SecondStartHandsItsFolderOver) {
    tree_.MakeFolder("first");
    tree_.MakeFolder("second");
    HWND main = StartFirst(tree_.Path("first"));
    ASSERT_NE(main, nullptr);

    gui::DrivenProcess second;
    ASSERT_TRUE(second.Start(RestavoExe(), tree_.Path("second")));
    DWORD code = 1;
    ASSERT_TRUE(second.WaitForExit(gui::kDefaultTimeoutMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(gui::ItemText(main, kFolder), tree_.Path("second"));
    Exit(main);
}

TEST_F(RestavoRun, CommandLineOver260CharactersIsRefused) {
    ASSERT_TRUE(first_.Start(RestavoExe(), "C:\\" + std::string(258, 'a')));
    Answer(nullptr, "The folder given on the command line is too long!\nRestavo takes a folder of at most 260 characters.",
           IDOK);
    DWORD code = 1;
    EXPECT_TRUE(first_.WaitForExit(gui::kDefaultTimeoutMs, &code));
}

}  // namespace
}  // namespace corvane
