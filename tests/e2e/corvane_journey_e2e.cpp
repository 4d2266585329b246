// The whole wizard driven from a second process on the sample site: its eight steps and the second pass,
// the files checked against corvane-cli fix, Restavo restoring them from Corvane's button, and a hand-over.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "corvane_ids.h"
#include "restavo_ids.h"
#include "support/driven_programs.h"
#include "support/gui_driver.h"
#include "support/temp_tree.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCaption = "Corvane";
constexpr const char* kSettingsKey = "Software\\Meridel Software\\Corvane";
constexpr const char* kWelcome = "Corvane - Welcome to Corvane!";
constexpr const char* kFilesPage = "Corvane - Add Files for Processing";
constexpr const char* kSearchOptionsPage = "Corvane - Search Properties";
constexpr const char* kProcessingPage = "Corvane - Processing Options";
constexpr const char* kSearchPage = "Corvane - Searching for Broken URL's";
constexpr const char* kReviewPage = "Corvane - Search Results";
constexpr const char* kDeletionPage = "Corvane - Link Deletion Properties";
constexpr const char* kApplyPage = "Corvane - Processing Broken URL's";
constexpr const char* kSubfolders = "Add subfolders too?";
constexpr const char* kAppend =
    "The file list already contains some items. Append to current?\n"
    "If you will choose \"No\" the list will be cleared.";
constexpr const char* kApplyForGood =
    "Now the changes will be applied permanently\nAre you sure that everything is correct?";
constexpr const char* kCliOptions = "--no-check-internet-urls --allow-link-deletion --text-links make-empty";
// Searching and writing the sample take a second or two; Wine on a loaded machine may take much longer.
constexpr DWORD kWorkMs = 60000;

// Files by their relative paths, with their bytes.
using Files = std::map<std::string, std::string>;

// Every file below `root`.
Files Tree(const std::string& root) {
    Files files;
    for (const auto& entry : fs::recursive_directory_iterator(fs::u8path(root))) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[fs::relative(entry.path(), fs::u8path(root)).generic_u8string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

// The files below `root` as the file list names them, sorted.
std::vector<std::string> ListedFiles(const std::string& root) {
    std::vector<std::string> files;
    for (const auto& f : Tree(root)) {
        std::string path = root + "\\" + f.first;
        std::replace(path.begin(), path.end(), '/', '\\');
        files.push_back(path);
    }
    return files;
}

// Names the files that differ rather than printing whole binary trees.
void ExpectSameTree(const Files& actual, const Files& expected, const char* what) {
    std::vector<std::string> differing;
    for (const auto& f : expected) {
        auto found = actual.find(f.first);
        if (found == actual.end() || found->second != f.second) differing.push_back(f.first);
    }
    for (const auto& f : actual)
        if (expected.count(f.first) == 0) differing.push_back(f.first + " (not expected)");
    EXPECT_TRUE(differing.empty()) << what << ": " << ::testing::PrintToString(differing);
}

int Backups(const Files& tree) {
    return static_cast<int>(std::count_if(tree.begin(), tree.end(), [](const auto& f) {
        return f.first.size() > 4 && f.first.compare(f.first.size() - 4, 4, ".bak") == 0;
    }));
}

// Runs a console program with its output thrown away; its exit code, or kNotEnded.
DWORD RunQuietly(const std::string& program, const std::string& arguments) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION info = {};
    std::string commandLine = Quoted(program) + " " + arguments;
    DWORD code = kNotEnded;
    if (CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &info)) {
        if (WaitForSingleObject(info.hProcess, kWorkMs) == WAIT_OBJECT_0) GetExitCodeProcess(info.hProcess, &code);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(nul);
    return code;
}

bool WaitUntil(DWORD timeoutMs, const std::function<bool()>& test) {
    for (ULONGLONG end = GetTickCount64() + timeoutMs;; Sleep(50)) {
        if (test()) return true;
        if (GetTickCount64() >= end) return false;
    }
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

bool Checked(HWND dialog, int id) {
    DWORD_PTR state = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return state == BST_CHECKED;
}

// The wizard's pages are child dialogs of the frame; hidden ones keep their controls, so the page
// holding `id` is looked for among the visible ones unless any page will do.
HWND PageWith(HWND frame, int id, bool visibleOnly = true) {
    for (HWND page = FindWindowExA(frame, nullptr, "#32770", nullptr); page != nullptr;
         page = FindWindowExA(frame, page, "#32770", nullptr))
        if ((!visibleOnly || IsWindowVisible(page)) && GetDlgItem(page, id) != nullptr) return page;
    return nullptr;
}

class CorvaneJourney : public DrivenProgramsTest {
protected:
    void SetUp() override {
        // Options left by an earlier run would make the wizard differ from the command-line tool's defaults.
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    }
    void TearDown() override {
        if (HWND restavo = gui::WaitForWindow(0, "#32770", "Restavo", 0)) Attach(restavo);  // started by the wizard
        DrivenProgramsTest::TearDown();
    }
    gui::DrivenProcess& Start(const std::string& arguments) {
        return DrivenProgramsTest::Start(WindowsPath(CORVANE_EXE), arguments);
    }
    void AnswerWizard(const std::string& text, int button) { Answer(wizard_->id(), kCaption, nullptr, text, button); }

    // The frame's title is set after the new page was shown, and showing a page resets its status.
    void ExpectTitle(const char* title) {
        ASSERT_TRUE(WaitUntil(gui::kDefaultTimeoutMs, [&] { return gui::WindowText(frame_) == title; }))
            << "expected " << title << ", shown " << gui::WindowText(frame_);
    }
    void Next(const char* title) {
        ASSERT_TRUE(gui::ClickButton(frame_, IDC_FRAME_NEXT));
        ExpectTitle(title);
    }
    void NextAndApply() {
        ASSERT_TRUE(gui::ClickButton(frame_, IDC_FRAME_NEXT));
        AnswerWizard(kApplyForGood, IDYES);
        ExpectTitle(kApplyPage);
    }
    // Pages 5 and 8 end their work with a "Done: " status and Next enabled; both statuses have one id.
    void WorkDone(int logId, std::vector<std::string>* log) {
        HWND page = PageWith(frame_, logId);
        ASSERT_NE(page, nullptr);
        ASSERT_TRUE(WaitUntil(kWorkMs, [&] {
            return IsWindowEnabled(GetDlgItem(frame_, IDC_FRAME_NEXT)) &&
                   StartsWith(gui::ItemText(page, IDC_SEARCH_STATUS), "Done: ");
        })) << gui::WindowText(frame_) << ": " << gui::ItemText(page, IDC_SEARCH_STATUS);
        *log = gui::ListBoxRows(page, logId);
    }
    // Page 2 after adding: its counter says how many, the list holds exactly `expected`.
    void ExpectFileList(const std::vector<std::string>& expected) {
        HWND page = PageWith(frame_, IDC_FILES_LIST);
        ASSERT_NE(page, nullptr);
        const std::string counter = "Files added: " + std::to_string(expected.size());
        EXPECT_TRUE(
            WaitUntil(gui::kDefaultTimeoutMs, [&] { return gui::ItemText(page, IDC_FILES_COUNTER) == counter; }))
            << gui::ItemText(page, IDC_FILES_COUNTER);
        std::vector<std::string> rows = gui::ListBoxRows(page, IDC_FILES_LIST), want = expected;
        std::sort(rows.begin(), rows.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(rows, want);
    }

    TempTree tree_;
    gui::DrivenProcess* wizard_ = nullptr;
    HWND frame_ = nullptr;
};

TEST_F(CorvaneJourney, RepairsTheSampleAsTheCliDoesThenRestavoRestoresItAndASecondStartHandsOver) {
    const auto began = std::chrono::steady_clock::now();
    // The sample in a folder whose name is not ASCII, with pages of such names: one link works
    // (written %XX), one points at a page that moved.
    const std::string site = tree_.Path("my caf\xC3\xA9 site"), cliSite = tree_.Path("cli");
    const std::string sample = tree_.Path("sample"), other = tree_.Path("other");
    fs::copy(fs::u8path(WindowsPath(SAMPLE_SITE)), fs::u8path(sample), fs::copy_options::recursive);
    const auto write = [&](const std::string& relative, const char* text) {
        const fs::path path = fs::u8path(tree_.Path(relative));
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    };
    write("sample\\caf\xC3\xA9.htm", "<a href=\"\xC3\xA9t\xC3\xA9/R\xC3\xA9sum\xC3\xA9.htm\">r</a>");
    write("sample\\\xD0\xB6\\R\xC3\xA9sum\xC3\xA9.htm", "<a href=\"../caf%C3%A9.htm\">c</a>");
    fs::copy(fs::u8path(sample), fs::u8path(site), fs::copy_options::recursive);
    fs::copy(fs::u8path(sample), fs::u8path(cliSite), fs::copy_options::recursive);
    tree_.WriteFile("other\\a.htm", "<a href=\"b.htm\">b</a>");
    tree_.WriteFile("other\\deeper\\b.css", "b {}");

    // Step 2: the folder from the command line, with its subfolders.
    wizard_ = &Start(site);
    frame_ = gui::WaitForWindow(wizard_->id(), "#32770", kFilesPage);
    ASSERT_NE(frame_, nullptr);
    ASSERT_NO_FATAL_FAILURE(AnswerWizard(kSubfolders, IDYES));
    ExpectFileList(ListedFiles(site));

    // Step 3: the sample's Internet links lead nowhere from here.
    ASSERT_NO_FATAL_FAILURE(Next(kSearchOptionsPage));
    HWND searchOptions = PageWith(frame_, IDC_SEARCH_OPT_CHECK_INTERNET);
    ASSERT_NE(searchOptions, nullptr);
    if (Checked(searchOptions, IDC_SEARCH_OPT_CHECK_INTERNET)) {
        ASSERT_TRUE(gui::ClickButton(searchOptions, IDC_SEARCH_OPT_CHECK_INTERNET));
    }
    EXPECT_TRUE(
        WaitUntil(gui::kDefaultTimeoutMs, [&] { return !Checked(searchOptions, IDC_SEARCH_OPT_CHECK_INTERNET); }));
    ASSERT_NO_FATAL_FAILURE(Next(kProcessingPage));

    // Step 5: the search runs as the page is shown.
    ASSERT_NO_FATAL_FAILURE(Next(kSearchPage));
    std::vector<std::string> log;
    ASSERT_NO_FATAL_FAILURE(WorkDone(IDC_SEARCH_LOG, &log));
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.front(), ">> Finding the root path ... done");
    EXPECT_EQ(log.back(), ">> Done.");

    // Step 6: the review list, then with deletion allowed.
    ASSERT_NO_FATAL_FAILURE(Next(kReviewPage));
    HWND review = PageWith(frame_, IDC_REVIEW_LIST);
    ASSERT_NE(review, nullptr);
    EXPECT_TRUE(WaitUntil(gui::kDefaultTimeoutMs,
                          [&] { return StartsWith(gui::ItemText(review, IDC_REVIEW_STATUS), "URL's in the list: "); }));
    std::vector<std::string> rows = gui::ListBoxRows(review, IDC_REVIEW_LIST);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], ">> Link deletion is prohibited. The \"DELETE\" items are hidden.");
    EXPECT_NE(std::find(rows.begin(), rows.end(), "REPLACE (2): \"img/logo.gif\" --> \"images/logo.gif\""), rows.end())
        << ::testing::PrintToString(rows);
    EXPECT_NE(std::find(rows.begin(), rows.end(),
                        "REPLACE (1): \"\xC3\xA9t\xC3\xA9/R\xC3\xA9sum\xC3\xA9.htm\" --> \"\xD0\xB6/R\xC3\xA9sum\xC3\xA9.htm\""),
              rows.end())
        << ::testing::PrintToString(rows);
    EXPECT_TRUE(Checked(review, IDC_REVIEW_BACKUPS));
    ASSERT_TRUE(gui::ClickButton(review, IDC_REVIEW_ALLOW_DELETION));
    EXPECT_TRUE(WaitUntil(gui::kDefaultTimeoutMs, [&] {
        rows = gui::ListBoxRows(review, IDC_REVIEW_LIST);
        return std::find(rows.begin(), rows.end(), "DELETE (1): \"pages/prices.htm\"") != rows.end();
    })) << ::testing::PrintToString(rows);

    // Step 7 (no question on the way there), then step 8 writes once the user agrees.
    ASSERT_NO_FATAL_FAILURE(Next(kDeletionPage));
    HWND deletion = PageWith(frame_, IDC_DEL_TEXT_EMPTY);
    ASSERT_NE(deletion, nullptr);
    ASSERT_TRUE(gui::ClickButton(deletion, IDC_DEL_TEXT_EMPTY));
    EXPECT_TRUE(WaitUntil(gui::kDefaultTimeoutMs, [&] { return Checked(deletion, IDC_DEL_TEXT_EMPTY); }));
    EXPECT_FALSE(Checked(deletion, IDC_DEL_TEXT_CONVERT));
    ASSERT_NO_FATAL_FAILURE(NextAndApply());
    ASSERT_NO_FATAL_FAILURE(WorkDone(IDC_APPLY_LOG, &log));
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(StartsWith(log[0], "Processing \"" + site)) << log[0];
    EXPECT_EQ(gui::ItemText(frame_, IDC_FRAME_NEXT), "&Next pass");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(frame_, IDC_FRAME_PREVIOUS)));

    // The second pass: only the broken-links search repeats, and no backups are made.
    ASSERT_NO_FATAL_FAILURE(Next(kSearchPage));
    ASSERT_NO_FATAL_FAILURE(WorkDone(IDC_SEARCH_LOG, &log));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], ">> Searching for broken links ...");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(review, IDC_REVIEW_BACKUPS)));
    ASSERT_NO_FATAL_FAILURE(Next(kReviewPage));
    EXPECT_TRUE(WaitUntil(gui::kDefaultTimeoutMs,
                          [&] { return StartsWith(gui::ItemText(review, IDC_REVIEW_STATUS), "URL's in the list: "); }));
    ASSERT_NO_FATAL_FAILURE(Next(kDeletionPage));
    ASSERT_NO_FATAL_FAILURE(NextAndApply());
    ASSERT_NO_FATAL_FAILURE(WorkDone(IDC_APPLY_LOG, &log));
    EXPECT_EQ(gui::ItemText(frame_, IDC_FRAME_NEXT), "&Start over");

    // The same options through the command-line tool write the same files and backups.
    ASSERT_EQ(RunQuietly(WindowsPath(CORVANE_CLI_EXE), std::string("fix ") + kCliOptions + " " + Quoted(cliSite)), 0u);
    const Files repaired = Tree(site);
    ExpectSameTree(repaired, Tree(cliSite), "the wizard's files against corvane-cli's");
    const int backups = Backups(repaired);
    EXPECT_GT(backups, 0);

    // Start over empties the file list and shows the welcome page.
    ASSERT_NO_FATAL_FAILURE(Next(kWelcome));
    EXPECT_TRUE(gui::ListBoxRows(PageWith(frame_, IDC_FILES_LIST, false), IDC_FILES_LIST).empty());

    // Restavo from the wizard's button, on the last folder added, puts every backup back.
    ASSERT_TRUE(gui::ClickButton(frame_, IDC_FRAME_RESTAVO));
    HWND restavo = gui::WaitForWindow(0, "#32770", "Restavo");
    ASSERT_NE(restavo, nullptr);
    gui::DrivenProcess& restorer = Attach(restavo);
    EXPECT_EQ(gui::ItemText(restavo, IDC_RESTAVO_FOLDER), site);
    ASSERT_TRUE(gui::ClickButton(restavo, IDC_RESTAVO_PROCESS));
    ASSERT_NO_FATAL_FAILURE(Answer(restorer.id(), "Restavo", restavo, "Are You sure? Is everything correct?", IDYES));
    ASSERT_NO_FATAL_FAILURE(
        Answer(restorer.id(), "Restavo", restavo, std::to_string(backups) + " backup file(s) restored", IDOK));
    ExpectSameTree(Tree(site), Tree(sample), "the restored files against the sample");
    ASSERT_TRUE(gui::ClickButton(restavo, IDC_RESTAVO_EXIT));
    EXPECT_EQ(Ended(restorer), 0u);

    // A second start hands its folder to the running wizard and ends.
    EXPECT_EQ(Ended(Start(other)), 0u);
    HWND box = gui::WaitForMessageBox(wizard_->id(), kCaption, nullptr);
    ASSERT_NE(box, nullptr);
    if (gui::MessageBoxText(box) == kAppend) {
        ADD_FAILURE() << "Start over left rows in the file list";
        AnswerWizard(kAppend, IDNO);
    }
    ASSERT_NO_FATAL_FAILURE(AnswerWizard(kSubfolders, IDYES));
    ASSERT_NO_FATAL_FAILURE(ExpectTitle(kFilesPage));
    ExpectFileList(ListedFiles(other));

    ASSERT_TRUE(gui::ClickButton(frame_, IDC_FRAME_EXIT));
    EXPECT_EQ(Ended(*wizard_), 0u);
    std::printf("journey took %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
}

}  // namespace
}  // namespace corvane
