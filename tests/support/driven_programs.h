// A test that starts programs and drives them from outside: the processes it started are ended if
// the test stops half-way, message boxes are answered by their text, build paths shown as Wine shows them.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/gui_driver.h"

namespace corvane {

constexpr DWORD kNotEnded = 0xDEAD;

// The build gives host paths; Wine shows the host's root as Z:.
inline std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

inline std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

class DrivenProgramsTest : public ::testing::Test {
protected:
    void TearDown() override {
        // A run that failed half-way must not be left for the next start to hand over to.
        for (auto& process : started_) {
            DWORD code = 0;
            if (!process->WaitForExit(0, &code)) process->Terminate();
        }
    }

    gui::DrivenProcess& Start(const std::string& program, const std::string& arguments) {
        started_.push_back(std::make_unique<gui::DrivenProcess>());
        EXPECT_TRUE(started_.back()->Start(program, arguments)) << program;
        return *started_.back();
    }
    // Takes hold of the process of a window that another program started.
    gui::DrivenProcess& Attach(HWND window) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        started_.push_back(std::make_unique<gui::DrivenProcess>());
        EXPECT_TRUE(started_.back()->Attach(id));
        return *started_.back();
    }

    // The exit code, or kNotEnded when the process is still running after the driver's wait.
    static DWORD Ended(gui::DrivenProcess& process) {
        DWORD code = kNotEnded;
        process.WaitForExit(gui::kDefaultTimeoutMs, &code);
        return code;
    }

    // Waits for a message box of the process (other than `main`), checks its text and presses the button.
    static void Answer(DWORD processId, const char* caption, HWND main, const std::string& text, int button) {
        HWND box = gui::WaitForMessageBox(processId, caption, main);
        ASSERT_NE(box, nullptr) << "no message box for: " << text;
        EXPECT_EQ(gui::MessageBoxText(box), text);
        ASSERT_TRUE(gui::PressMessageBoxButton(box, button));
        ASSERT_TRUE(gui::WaitForWindowGone(box));
    }

private:
    std::vector<std::unique_ptr<gui::DrivenProcess>> started_;
};

}  // namespace corvane
