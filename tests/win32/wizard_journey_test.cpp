// The whole wizard in-process on the sample site: search, review, deletion, apply with backups, the
// second pass, and the files it writes checked against what corvane-cli fix writes.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "support/local_http_server.h"
#include "win32/wizard_test_fixture.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

std::string HostPath(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path[0] == '\\' ? "Z:" + path : path;
}

void CopySample(const std::string& to) {
    fs::copy(HostPath(CORVANE_SAMPLE_SITE), to, fs::copy_options::recursive);
}

std::map<std::string, std::string> Files(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[fs::relative(entry.path(), root).generic_string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

// corvane-cli fix on `folder`, as a second program under the same Wine.
DWORD RunCliFix(const std::string& folder, const std::string& options) {
    std::string command = "\"" + HostPath(CORVANE_CLI_EXE) + "\" fix " + options + " \"" + folder + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process))
        return 0xFFFF;
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = 0xFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

class WizardJourney : public WizardTest {
public:
    std::vector<std::string> Rows(int step, int id) {
        std::vector<std::string> rows;
        HWND list = GetDlgItem(Page(step), id);
        for (LRESULT i = 0, n = SendMessageA(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
            std::vector<char> text(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1);
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
            rows.push_back(text.data());
        }
        return rows;
    }
    // ESC reads as held at the next polls; something must wait in the queue for the pump to look.
    void HoldEscape() {
        heldKey = VK_ESCAPE;
        heldPolls = 2;
        PostMessageA(frame, WM_NULL, 0, 0);
    }
    std::string Status(int step, int id) { return ControlText(GetDlgItem(Page(step), id)); }
    // Opens the wizard on the site as a start-up folder, through steps 2-4, with the Internet check off.
    void OpenOnSite(const std::string& root, bool escapeInSearch = false) {
        Program().startupPath = root;
        dialogs.answers = {IDYES};  // subfolders too
        Open();
        ASSERT_EQ(Step(), 1);
        Check(2, IDC_SEARCH_OPT_CHECK_INTERNET, false);
        Click(IDC_FRAME_NEXT);
        Click(IDC_FRAME_NEXT);
        if (escapeInSearch) HoldEscape();
        Click(IDC_FRAME_NEXT);  // the search runs when page 5 is shown
        ASSERT_EQ(Step(), 4);
    }
};

TEST_F(WizardJourney, WritesWhatTheCommandLineToolWritesAndDoesTheSecondPass) {
    std::string wizardSite = site.Path("wizard"), cliSite = site.Path("cli");
    CopySample(wizardSite);
    CopySample(cliSite);
    OpenOnSite(wizardSite);
    std::vector<std::string> log = Rows(4, IDC_SEARCH_LOG);
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[0], ">> Finding the root path ... done");
    EXPECT_EQ(log[1], ">> Counting processable files ... 9 file(s) found");
    EXPECT_EQ(log.back(), ">> Done.");
    EXPECT_EQ(Status(4, IDC_SEARCH_STATUS).rfind("Done: ", 0), 0u);
    EXPECT_TRUE(Enabled(IDC_FRAME_NEXT));

    Click(IDC_FRAME_NEXT);
    std::vector<std::string> rows = Rows(5, IDC_REVIEW_LIST);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0], ">> Link deletion is prohibited. The \"DELETE\" items are hidden.");
    EXPECT_EQ(rows[1], "REPLACE (2): \"img/logo.gif\" --> \"images/logo.gif\"");
    EXPECT_EQ(rows.back().rfind("ORPHAN: \"", 0), 0u);
    EXPECT_EQ(Status(5, IDC_REVIEW_STATUS), "URL's in the list: 12");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(5), IDC_REVIEW_HIDE_DELETE)));

    Check(5, IDC_REVIEW_ALLOW_DELETION, true);
    ClickOn(Page(5), IDC_REVIEW_ALLOW_DELETION);
    EXPECT_EQ(Status(5, IDC_REVIEW_STATUS), "URL's in the list: 14");
    EXPECT_EQ(Rows(5, IDC_REVIEW_LIST)[0], "DELETE (1): \"pages/prices.htm\"");
    Click(IDC_FRAME_NEXT);
    ASSERT_EQ(Step(), 6);
    Check(6, IDC_DEL_TEXT_CONVERT, false);
    Check(6, IDC_DEL_TEXT_EMPTY, true);
    dialogs.answers = {IDYES};
    Click(IDC_FRAME_NEXT);  // the files are written when page 8 is shown
    ASSERT_EQ(Step(), 7);
    EXPECT_EQ(Status(7, IDC_APPLY_STATUS).rfind("Done: ", 0), 0u);
    EXPECT_EQ(Rows(7, IDC_APPLY_LOG)[0].rfind("Processing \"" + wizardSite, 0), 0u);
    EXPECT_FALSE(Enabled(IDC_FRAME_PREVIOUS));
    ASSERT_EQ(ControlText(GetDlgItem(frame, IDC_FRAME_NEXT)), "&Next pass");  // the www. link needs one

    std::map<std::string, std::string> firstPassBackups;
    for (const auto& f : Files(wizardSite))
        if (f.first.size() > 4 && f.first.compare(f.first.size() - 4, 4, ".bak") == 0) firstPassBackups.insert(f);
    EXPECT_EQ(firstPassBackups.size(), 9u);
    Click(IDC_FRAME_NEXT);
    ASSERT_EQ(Step(), 4);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(5), IDC_REVIEW_BACKUPS)));
    EXPECT_EQ(Rows(4, IDC_SEARCH_LOG)[0], ">> Searching for broken links ...");  // only this pass repeats
    Click(IDC_FRAME_NEXT);
    dialogs.answers = {IDYES};
    Click(IDC_FRAME_NEXT);
    Click(IDC_FRAME_NEXT);
    ASSERT_EQ(Step(), 7);
    EXPECT_EQ(ControlText(GetDlgItem(frame, IDC_FRAME_NEXT)), "&Start over");

    ASSERT_EQ(RunCliFix(cliSite, "--no-check-internet-urls --allow-link-deletion --text-links make-empty"), 0u);
    std::map<std::string, std::string> wizardFiles = Files(wizardSite), cliFiles = Files(cliSite);
    EXPECT_EQ(wizardFiles, cliFiles);
    for (const auto& b : firstPassBackups) EXPECT_EQ(wizardFiles[b.first], b.second) << b.first;  // kept as they were

    Click(IDC_FRAME_NEXT);
    EXPECT_EQ(Step(), 0);
    EXPECT_EQ(Wizard().files.size(), 0);
}

TEST_F(WizardJourney, ARowIsEditedAndShownWithItsNewLabel) {
    CopySample(site.Path("s"));
    OpenOnSite(site.Path("s"));
    Click(IDC_FRAME_NEXT);
    HWND list = GetDlgItem(Page(5), IDC_REVIEW_LIST);
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    SendMessageA(Page(5), WM_COMMAND, MAKEWPARAM(IDC_REVIEW_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    Pump();
    EXPECT_EQ(ControlText(GetDlgItem(Page(5), IDC_REVIEW_REPLACEMENT)), "images/logo.gif");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Page(5), IDC_REVIEW_APPLY)));
    struct Edit {
        const char* typed;
        bool relative;
        const char* row;
    };
    const Edit edits[] = {
        {"pics/logo one.gif", false, "REPLACE (2): \"img/logo.gif\" --> \"pics/logo%20one.gif\""},
        {"C:\\pics\\logo.gif", true, "REPLACE (relative, 2): \"img/logo.gif\" --> \"file:///C|/pics/logo.gif\""},
        {"", false, "DELETE (2): \"img/logo.gif\""},
    };
    for (const Edit& e : edits) {
        SetText(5, IDC_REVIEW_REPLACEMENT, e.typed);
        Check(5, IDC_REVIEW_MAKE_RELATIVE, e.relative);
        ClickOn(Page(5), IDC_REVIEW_APPLY);
        EXPECT_EQ(Rows(5, IDC_REVIEW_LIST)[1], e.row);
    }
    ClickOn(Page(5), IDC_REVIEW_COPY_OLD);
    EXPECT_EQ(ControlText(GetDlgItem(Page(5), IDC_REVIEW_REPLACEMENT)), "img/logo.gif");
    // Sorting regroups the list: the row now queued for deletion is hidden while deletion is not allowed.
    SendDlgItemMessageA(Page(5), IDC_REVIEW_SORT, CB_SETCURSEL, 1, 0);
    SendMessageA(Page(5), WM_COMMAND, MAKEWPARAM(IDC_REVIEW_SORT, CBN_SELENDOK), 0);
    Pump();
    EXPECT_EQ(Status(5, IDC_REVIEW_STATUS), "URL's in the list: 11");
    EXPECT_EQ(Wizard().actionRunning, 0);
}

TEST_F(WizardJourney, EscapeStopsTheSearchAndTheApplyAsksFirst) {
    CopySample(site.Path("s"));
    OpenOnSite(site.Path("s"), true);
    EXPECT_EQ(Status(4, IDC_SEARCH_STATUS), "Stopped");
    EXPECT_FALSE(Enabled(IDC_FRAME_NEXT));
    EXPECT_TRUE(Enabled(IDC_FRAME_PREVIOUS));
    // Again without ESC, then ESC while writing: No goes on, Yes stops.
    for (int answer : {IDNO, IDYES}) {
        Click(IDC_FRAME_PREVIOUS);
        Click(IDC_FRAME_NEXT);
        ASSERT_EQ(Status(4, IDC_SEARCH_STATUS).rfind("Done: ", 0), 0u);
        Click(IDC_FRAME_NEXT);
        dialogs.calls.clear();
        dialogs.answers = {IDYES, answer};  // apply for good, then the answer to the ESC question
        HoldEscape();
        Click(IDC_FRAME_NEXT);
        ASSERT_EQ(Step(), 7);
        ASSERT_EQ(Messages().size(), 2u);
        EXPECT_EQ(Messages()[1], "There are still some files to be processed, are you sure you want to cancel?");
        EXPECT_EQ(dialogs.Of("message")[1].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
        EXPECT_EQ(Status(7, IDC_APPLY_STATUS) == "Stopped", answer == IDYES);
        if (answer == IDNO) {
            dialogs.answers = {};
            Wizard().links.secondPassLinks().clear();
            Click(IDC_FRAME_NEXT);  // start over
            Program().startupPath = site.Path("s");
            dialogs.answers = {IDYES};
            for (int step = 1; step <= 4; ++step) Click(IDC_FRAME_NEXT);
            ASSERT_EQ(Step(), 4);
        }
    }
}

TEST_F(WizardJourney, TooManyFilesAreRefusedBeforeAnyPass) {
    Open();
    for (int i = 0; i <= 131072; ++i) Wizard().files.Append("C:\\s\\f" + std::to_string(i) + ".htm");
    ShowWindow(Page(0), SW_HIDE);
    Wizard().currentStep = 4;
    ShowWindow(Page(4), SW_SHOW);
    Pump();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0],
              "The number of files added for processing exceeds the maximum allowed!\n"
              "Please remove some files from the list and try again.");
    EXPECT_EQ(Rows(4, IDC_SEARCH_LOG).size(), 0u);
    EXPECT_TRUE(Enabled(IDC_FRAME_PREVIOUS));
    EXPECT_FALSE(Enabled(IDC_FRAME_NEXT));
    EXPECT_EQ(Wizard().actionRunning, 0);
}

TEST_F(WizardJourney, ClosingDuringTheSearchStopsItThenEnds) {
    CopySample(site.Path("s"));
    // The close arrives while the search pumps messages.
    Program().startupPath = site.Path("s");
    dialogs.answers = {IDYES};
    Open();
    Check(2, IDC_SEARCH_OPT_CHECK_INTERNET, false);
    Click(IDC_FRAME_NEXT);
    Click(IDC_FRAME_NEXT);
    PostMessageA(frame, WM_CLOSE, 0, 0);  // handled at the search's first pump
    Click(IDC_FRAME_NEXT);
    EXPECT_TRUE(quit);
    EXPECT_EQ(Status(4, IDC_SEARCH_STATUS), "Stopped");
    EXPECT_EQ(store.numbers.count("stStep3Chk9"), 1u);  // the settings were saved after the stop
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

TEST_F(WizardJourney, F10SkipsAnInternetLinkWhoseServerNeverAnswers) {
    testing_support::LocalHttpServer server;
    site.WriteFile("net\\page.htm", "<a href=\"" + server.Url("/hang") + "\">x</a>");
    int f10Polls = 0;
    HWND searchPage = nullptr;
    // F10 is held for a few polls once the page says that a check is under way.
    Wizard().keyIsDown = [&](int key) {
        if (key != VK_F10 || searchPage == nullptr || f10Polls <= 0) return false;
        if (ControlText(GetDlgItem(searchPage, IDC_SEARCH_STATUS)).find("F10") == std::string::npos) return false;
        --f10Polls;
        return true;
    };
    UINT_PTR ticks = SetTimer(nullptr, 0, 20, nullptr);  // the pump looks at keys only when something waits
    Program().startupPath = site.Path("net");
    dialogs.answers = {IDYES};
    Open();
    searchPage = Page(4);
    f10Polls = 3;
    for (int step = 1; step <= 3; ++step) Click(IDC_FRAME_NEXT);
    KillTimer(nullptr, ticks);
    std::vector<std::string> log = Rows(4, IDC_SEARCH_LOG);
    bool skipped = false;
    for (const std::string& line : log)
        if (line.rfind("Checking \"" + server.Url("/hang") + "\" in the Internet ... skipped. ", 0) == 0) skipped = true;
    EXPECT_TRUE(skipped) << ::testing::PrintToString(log);
    EXPECT_EQ(Status(4, IDC_SEARCH_STATUS), "Done: 0 change(s) to apply in 1 file(s)");
    server.ReleaseHeld();
}

}  // namespace
}  // namespace corvane
