// Corvane.exe driven from outside: each way it can start.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "corvane_ids.h"
#include "support/driven_programs.h"
#include "support/gui_driver.h"
#include "support/temp_tree.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCaption = "Corvane";
constexpr const char* kWelcome = "Corvane - Welcome to Corvane!";
constexpr const char* kFilesPage = "Corvane - Add Files for Processing";
constexpr const char* kSubfolders = "Add subfolders too?";
constexpr const char* kAppend =
    "The file list already contains some items. Append to current?\n"
    "If you will choose \"No\" the list will be cleared.";
constexpr const char* kSettingsKey = "Software\\Meridel Software\\Corvane";
constexpr DWORD kQuietMs = 1500;

void CopySampleSite(const std::string& to) { fs::copy(WindowsPath(SAMPLE_SITE), to, fs::copy_options::recursive); }

// The files below `root` as the file list names them, sorted.
std::vector<std::string> FilesBelow(const std::string& root, bool recurse) {
    std::vector<std::string> files;
    auto add = [&](const fs::directory_entry& entry) {
        if (entry.is_regular_file()) files.push_back(root + "\\" + fs::relative(entry.path(), root).string());
    };
    if (recurse)
        for (const auto& entry : fs::recursive_directory_iterator(root)) add(entry);
    else
        for (const auto& entry : fs::directory_iterator(root)) add(entry);
    for (std::string& f : files) std::replace(f.begin(), f.end(), '/', '\\');
    std::sort(files.begin(), files.end());
    return files;
}

// The default value of a key; "<missing>" when the key or the value is not there.
std::string DefaultValue(HKEY root, const std::string& key) {
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    if (RegGetValueA(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return "<missing>";
    return value;
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

// Polls a control until it shows `expected`; returns what it showed last.
std::string WaitForItemText(HWND dialog, int id, const std::string& expected) {
    std::string text;
    for (DWORD waited = 0; waited < gui::kDefaultTimeoutMs; waited += 50) {
        text = gui::ItemText(dialog, id);
        if (text == expected) break;
        Sleep(50);
    }
    return text;
}

class CorvaneRun : public DrivenProgramsTest {
protected:
    gui::DrivenProcess& StartCorvane(const std::string& arguments) {
        return Start(WindowsPath(CORVANE_EXE), arguments);
    }
    // Starts the wizard that the test drives and waits for its frame with this caption.
    HWND StartWizard(const std::string& arguments, const char* caption) {
        wizard_ = &StartCorvane(arguments);
        return gui::WaitForWindow(wizard_->id(), "#32770", caption);
    }

    void AnswerWizard(const std::string& text, int button) { Answer(wizard_->id(), kCaption, nullptr, text, button); }
    bool WizardAsksNothing() const {
        return gui::WaitForMessageBox(wizard_->id(), kCaption, nullptr, kQuietMs) == nullptr;
    }

    // Page 2 is the frame's child dialog that holds the file list.
    static HWND FilesPage(HWND frame) {
        for (HWND page = FindWindowExA(frame, nullptr, "#32770", nullptr); page != nullptr;
             page = FindWindowExA(frame, page, "#32770", nullptr))
            if (GetDlgItem(page, IDC_FILES_LIST) != nullptr) return page;
        return nullptr;
    }
    // Waits until adding has ended with `expected` in the list (in any order).
    static void ExpectFiles(HWND frame, std::vector<std::string> expected) {
        HWND page = FilesPage(frame);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(WaitForItemText(page, IDC_FILES_COUNTER, "Files added: " + std::to_string(expected.size())),
                  "Files added: " + std::to_string(expected.size()));
        std::vector<std::string> rows = gui::ListBoxRows(page, IDC_FILES_LIST);
        std::sort(rows.begin(), rows.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(rows, expected);
    }

    void ExitWizard(HWND frame) {
        ASSERT_TRUE(gui::ClickButton(frame, IDC_FRAME_EXIT));
        EXPECT_EQ(Ended(*wizard_), 0u);
    }

    TempTree tree_;
    gui::DrivenProcess* wizard_ = nullptr;
};

TEST_F(CorvaneRun, PlainStartOpensOnTheWelcomePageAndExitEndsIt) {
    HWND frame = StartWizard("", kWelcome);
    ASSERT_NE(frame, nullptr);
    ExitWizard(frame);
}

TEST_F(CorvaneRun, FolderOnTheCommandLineIsAddedOnPage2) {
    const std::string site = tree_.Path("site");
    CopySampleSite(site);
    for (const std::string& arguments : {site, Quoted(site)}) {
        SCOPED_TRACE(arguments);
        HWND frame = StartWizard(arguments, kFilesPage);
        ASSERT_NE(frame, nullptr);
        AnswerWizard(kSubfolders, IDYES);
        ExpectFiles(frame, FilesBelow(site, true));
        ExitWizard(frame);
    }
}

TEST_F(CorvaneRun, NamesOutsideAsciiAreListedAsTheyAre) {
    const std::string site = tree_.Path("caf\xC3\xA9 \xD0\xB6");  // café ж
    std::vector<std::string> files;
    for (const char* name : {"index.html", "\xC3\xB1\\\xE4\xBD\xA0.html", "\xF0\x9F\x98\x80.png"}) {
        files.push_back(site + "\\" + name);
        const fs::path path = fs::u8path(files.back());
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
    }
    HWND frame = StartWizard(Quoted(site), kFilesPage);
    ASSERT_NE(frame, nullptr);
    AnswerWizard(kSubfolders, IDYES);
    ExpectFiles(frame, files);
    ExitWizard(frame);
}

TEST_F(CorvaneRun, SecondStartHandsItsFolderToTheRunningWizard) {
    const std::string site = tree_.Path("site");
    const std::string more = tree_.Path("more");
    CopySampleSite(site);
    tree_.WriteFile("more\\a.htm", "a");
    tree_.WriteFile("more\\b.css", "b");
    tree_.WriteFile("more\\deeper\\c.js", "c");
    HWND frame = StartWizard("", kWelcome);
    ASSERT_NE(frame, nullptr);

    // Without arguments the running wizard is only brought to the front.
    EXPECT_EQ(Ended(StartCorvane("")), 0u);
    EXPECT_TRUE(WizardAsksNothing());
    EXPECT_EQ(gui::WindowText(frame), kWelcome);

    EXPECT_EQ(Ended(StartCorvane(site)), 0u);
    AnswerWizard(kSubfolders, IDYES);
    EXPECT_EQ(gui::WindowText(frame), kFilesPage);
    ExpectFiles(frame, FilesBelow(site, true));

    // A list that holds rows asks to append first; the quotes go as on a first start.
    EXPECT_EQ(Ended(StartCorvane(Quoted(more))), 0u);
    AnswerWizard(kAppend, IDYES);
    AnswerWizard(kSubfolders, IDNO);
    std::vector<std::string> expected = FilesBelow(site, true);
    for (const std::string& f : FilesBelow(more, false)) expected.push_back(f);
    ExpectFiles(frame, expected);
    ExitWizard(frame);
}

TEST_F(CorvaneRun, SwitchesRegisterAndRemoveTheVerbAndAreWholeWords) {
    const std::string command = Quoted(WindowsPath(CORVANE_EXE)) + " %1";
    EXPECT_EQ(Ended(StartCorvane("-Shell")), 0u);
    for (const std::string kind : {"Directory", "Drive"}) {
        const std::string key = kind + "\\shell\\Corvane.Open";
        EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, key), "Check with &Corvane") << kind;
        EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, key + "\\command"), command) << kind;
    }

    HKEY settings = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &settings, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(settings, "lastRootFolder", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\x"), 5);
    RegCloseKey(settings);
    EXPECT_EQ(Ended(StartCorvane("-UNINSTALL")), 0u);
    for (const char* key : {"Directory\\shell\\Corvane.Open", "Drive\\shell\\Corvane.Open"})
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));

    // A switch with more behind it is a path; this one names no folder, so nothing is added.
    HWND frame = StartWizard("-shell extra", kFilesPage);
    ASSERT_NE(frame, nullptr);
    AnswerWizard(kSubfolders, IDNO);
    ExpectFiles(frame, {});
    ExitWizard(frame);
}

TEST_F(CorvaneRun, CommandLineOver260CharactersIsRefused) {
    gui::DrivenProcess& corvane = StartCorvane("C:\\" + std::string(258, 'a'));
    Answer(corvane.id(), kCaption, nullptr,
           "The path given on the command line is too long.\nA folder or file path may have at most 260 characters.",
           IDOK);
    EXPECT_EQ(Ended(corvane), 0u);
}

}  // namespace
}  // namespace corvane
