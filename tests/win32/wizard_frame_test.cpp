// The wizard's frame in-process: the step graph, the checks on leaving a page, closing, locking, hand-over.
#include <functional>

#include "shell/single_instance.h"
#include "win32/wizard_test_fixture.h"

namespace corvane {
namespace {

const char* const kApply = "Now the changes will be applied permanently\nAre you sure that everything is correct?";
const char* const kQueued = "Some changes are queued for application. Do you really want to exit?";

// One move along the graph and what the frame shows after it.
struct Move {
    const char* action;  // "next", "prev", "add", "allow-deletion", "second-pass"
    int answer;          // the answer to a question the move asks (0: none expected)
    int step;
    const char* title;
    int next, previous;  // enabled states (-1: the page's own affair, not checked here)
};

const char* const kSteps[] = {"Welcome to Corvane!",        "Add Files for Processing", "Search Properties",
                              "Processing Options",         "Searching for Broken URL's", "Search Results",
                              "Link Deletion Properties",   "Processing Broken URL's"};

class WizardFrame : public WizardTest {
public:
    void Run(const Move* moves, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const Move& m = moves[i];
            std::size_t before = dialogs.Of("message").size();
            if (m.answer != 0) dialogs.answers.push_back(m.answer);
            std::string action = m.action;
            if (action == "next") Click(IDC_FRAME_NEXT);
            if (action == "prev") Click(IDC_FRAME_PREVIOUS);
            if (action == "add") AddSite();
            if (action == "allow-deletion") Check(5, IDC_REVIEW_ALLOW_DELETION, true);
            if (action == "second-pass") Wizard().links.secondPassLinks().push_back(0);
            SCOPED_TRACE(std::to_string(i) + ": " + action);
            EXPECT_EQ(dialogs.Of("message").size(), before + (m.answer != 0 ? 1 : 0));
            EXPECT_TRUE(dialogs.answers.empty());
            EXPECT_EQ(Step(), m.step);
            EXPECT_EQ(Title(), std::string("Corvane - ") + m.title);
            for (int s = 0; s < kStepCount; ++s) EXPECT_EQ(Visible(s), s == m.step) << s;
            if (m.next >= 0) {
                EXPECT_EQ(Enabled(IDC_FRAME_NEXT), m.next == 1);
            }
            if (m.previous >= 0) {
                EXPECT_EQ(Enabled(IDC_FRAME_PREVIOUS), m.previous == 1);
            }
        }
    }
};

TEST_F(WizardFrame, WalksTheStepGraphWithItsQuestions) {
    Open();
    const Move journey[] = {
        {"next", 0, 1, kSteps[1], 0, 1},          {"add", 0, 1, kSteps[1], 1, 1},
        {"next", 0, 2, kSteps[2], 1, 1},          {"next", 0, 3, kSteps[3], 1, 1},
        {"next", 0, 4, kSteps[4], -1, -1},        {"next", 0, 5, kSteps[5], -1, -1},
        {"prev", 0, 3, kSteps[3], 1, 1},          {"next", 0, 4, kSteps[4], -1, -1},
        {"next", 0, 5, kSteps[5], -1, -1},        {"next", IDNO, 5, kSteps[5], -1, -1},
        {"allow-deletion", 0, 5, kSteps[5], -1, -1}, {"next", 0, 6, kSteps[6], -1, -1},
        {"prev", 0, 5, kSteps[5], -1, -1},        {"next", 0, 6, kSteps[6], -1, -1},
        {"next", IDNO, 6, kSteps[6], -1, -1},     {"next", IDYES, 7, kSteps[7], 1, 0},
        {"second-pass", 0, 7, kSteps[7], 1, 0},   {"next", 0, 4, kSteps[4], -1, -1},
        {"prev", IDNO, 4, kSteps[4], -1, -1},     {"next", 0, 5, kSteps[5], -1, -1},
        {"prev", IDYES, 3, kSteps[3], 1, 1},
    };
    Run(journey, sizeof journey / sizeof journey[0]);
    EXPECT_EQ(dialogs.Of("message")[0].text, kApply);
    EXPECT_EQ(dialogs.Of("message")[4].text,
              "This is the second pass. Moving to the previous step cancels it.\nDo you really want to cancel the second pass?");
    // Page 4 shown again ends the second pass.
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Page(5), IDC_REVIEW_BACKUPS)));
}

// Moves to `step` by showing its page, as the frame does, without the checks on the way.
void GoTo(WizardTest& t, int step) {
    ShowWindow(Wizard().pageWindow[Wizard().currentStep], SW_HIDE);
    Wizard().currentStep = step;
    ShowWindow(Wizard().pageWindow[step], SW_SHOW);
    t.Pump();
}

TEST_F(WizardFrame, StepEightStartsOverOrGoesBackForTheSecondPass) {
    Open();
    AddSite();
    GoTo(*this, 7);
    EXPECT_EQ(ControlText(GetDlgItem(frame, IDC_FRAME_NEXT)), "&Start over");
    Wizard().links.secondPassLinks().push_back(0);
    Click(IDC_FRAME_NEXT);
    EXPECT_EQ(Step(), 4);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(5), IDC_REVIEW_BACKUPS)));
    EXPECT_EQ(ControlText(GetDlgItem(frame, IDC_FRAME_NEXT)), "&Next >>");
    Wizard().links.secondPassLinks().clear();
    GoTo(*this, 7);
    Click(IDC_FRAME_NEXT);
    EXPECT_EQ(Step(), 0);
    EXPECT_EQ(Wizard().files.size(), 0);
    EXPECT_EQ(SendDlgItemMessageA(Page(1), IDC_FILES_LIST, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(ControlText(GetDlgItem(frame, IDC_FRAME_NEXT)), "&Next >>");
}

TEST_F(WizardFrame, LeavingAPageChecksWhatItHolds) {
    struct Case {
        int step;
        std::function<void(WizardTest&)> arrange;
        const char* refusal;
    };
    const Case cases[] = {
        {2, [](WizardTest& t) { t.Check(2, IDC_SEARCH_OPT_USE_BASE_URL, true); }, "You have not entered the base URL!"},
        {2, [](WizardTest& t) { t.Check(2, IDC_SEARCH_OPT_USE_BASE_URL, true); t.SetText(2, IDC_SEARCH_OPT_BASE_URL, "www.site.example"); },
         "The base URL does not contain a protocol name!"},
        {2, [](WizardTest& t) { t.SetText(2, IDC_SEARCH_OPT_BASE_URL, "not checked, not looked at"); }, nullptr},
        {3, [](WizardTest& t) { t.Check(3, IDC_PROC_TARGET_ENABLE, true); t.SetText(3, IDC_PROC_TARGET, ""); },
         "The \"Target\" field cannot be empty!"},
        {6, [](WizardTest& t) { t.Check(6, IDC_DEL_IMAGE_EMPTY, false); t.Check(6, IDC_DEL_IMAGE_REPLACE, true); },
         "The replacement URL cannot be empty!"},
        {6, [](WizardTest& t) { t.Check(6, IDC_DEL_BACKGROUND_EMPTY, false); t.Check(6, IDC_DEL_BACKGROUND_REPLACE, true); },
         "The replacement URL cannot be empty!"},
    };
    for (const Case& c : cases) {
        Open();
        GoTo(*this, c.step);
        c.arrange(*this);
        dialogs.calls.clear();
        Click(IDC_FRAME_NEXT);
        if (c.refusal != nullptr) {
            ASSERT_EQ(Messages().size(), 1u);
            EXPECT_EQ(Messages()[0], c.refusal);
            EXPECT_EQ(dialogs.Of("message")[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
            EXPECT_EQ(dialogs.Of("message")[0].owner, frame);
            EXPECT_EQ(dialogs.Of("message")[0].caption, "Corvane");
            EXPECT_EQ(Step(), c.step);
        } else {
            EXPECT_EQ(Step(), c.step + 1);
        }
        DestroyWindow(frame);
    }
}

TEST_F(WizardFrame, ClosingAsksByStepThenSavesTheSettings) {
    struct Case {
        int step;
        bool secondPass;
        const char* question;
    };
    const Case cases[] = {{0, false, nullptr}, {3, false, nullptr}, {5, false, kQueued}, {6, false, kQueued},
                          {7, false, nullptr}, {7, true, "The second pass is needed. Do you really want to exit?"}};
    for (const Case& c : cases) {
        for (int answer : {IDNO, IDYES}) {
            Open();
            GoTo(*this, c.step);
            Wizard().links.secondPassLinks().clear();
            if (c.secondPass) Wizard().links.secondPassLinks().push_back(0);
            Check(2, IDC_SEARCH_OPT_SCRIPT_TAGS, true);
            store.numbers.clear();
            quit = false;
            dialogs.calls.clear();
            if (c.question != nullptr) dialogs.answers.push_back(answer);
            Click(IDC_FRAME_EXIT);
            bool closes = c.question == nullptr || answer == IDYES;
            EXPECT_EQ(Messages().size(), c.question != nullptr ? 1u : 0u);
            if (c.question != nullptr) {
                EXPECT_EQ(Messages()[0], c.question);
            }
            EXPECT_EQ(quit, closes) << c.step;
            EXPECT_EQ(store.numbers.count("stStep3Chk1") == 1 && store.numbers["stStep3Chk1"] == 1, closes);
            DestroyWindow(frame);
            if (c.question == nullptr) break;
        }
    }
}

TEST_F(WizardFrame, EscapeNeverClosesTheFrame) {
    Open();
    SendMessageA(frame, WM_COMMAND, IDCANCEL, 0);
    Pump();
    EXPECT_FALSE(quit);
    EXPECT_TRUE(IsWindow(frame));
}

TEST_F(WizardFrame, HelpAboutAndRestavoGoThroughTheShell) {
    Open();
    GoTo(*this, 4);
    Click(IDC_FRAME_HELP);
    SendMessageA(frame, WM_HELP, 0, 0);
    Pump();
    GoTo(*this, 5);
    Click(IDC_FRAME_HELP);
    Wizard().settings.lastRootFolder = "C:\\My Site";
    Click(IDC_FRAME_RESTAVO);
    Click(IDC_FRAME_ABOUT);
    auto help = dialogs.Of("help");
    ASSERT_EQ(help.size(), 3u);
    EXPECT_EQ(help[0].text, "C:\\Program Files\\Corvane\\Guide.chm::/fix4.htm");
    EXPECT_EQ(help[1].text, help[0].text);
    EXPECT_EQ(help[2].text, "C:\\Program Files\\Corvane\\Guide.chm::/fix5.htm");
    auto shell = dialogs.Of("shell");
    ASSERT_EQ(shell.size(), 1u);
    EXPECT_EQ(shell[0].text, "C:\\Program Files\\Corvane\\Restavo.exe");
    EXPECT_EQ(shell[0].caption, "C:\\My Site");
    ASSERT_EQ(dialogs.Of("about").size(), 1u);
    EXPECT_EQ(dialogs.Of("about")[0].owner, frame);
    // No Restavo.exe beside the program: the button was disabled at opening.
    EXPECT_FALSE(Enabled(IDC_FRAME_RESTAVO));
}

TEST_F(WizardFrame, LockingSavesAndGivesBackEveryGovernedControl) {
    Open();
    GoTo(*this, 1);
    AddSite();
    EXPECT_TRUE(Enabled(IDC_FRAME_NEXT));
    EnableWindow(GetDlgItem(Page(5), IDC_REVIEW_REPLACEMENT), TRUE);
    LockFrame();
    for (int id : {IDC_FRAME_ABOUT, IDC_FRAME_HELP, IDC_FRAME_PREVIOUS, IDC_FRAME_NEXT, IDC_FRAME_EXIT}) EXPECT_FALSE(Enabled(id));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(1), IDC_FILES_ADD_FILES)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(5), IDC_REVIEW_REPLACEMENT)));
    UnlockFrame(EditGroup::Keep);  // the editor group stays as the page left it
    EXPECT_TRUE(Enabled(IDC_FRAME_NEXT));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Page(1), IDC_FILES_ADD_FILES)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(5), IDC_REVIEW_REPLACEMENT)));
    UnlockFrame();
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Page(5), IDC_REVIEW_REPLACEMENT)));
}

TEST_F(WizardFrame, AHandedOverPathOpensTheFileListUnlessSomethingRuns) {
    SingleInstance instance("corvane-test-handover-" + std::to_string(GetCurrentProcessId()));
    instance.FindOrAddAtom();
    instance.CreateSlot();
    Wizard().instance = &instance;
    Open();
    auto send = [&](const std::string& path) {
        std::string slot = "\\\\.\\mailslot\\corvane-test-handover-" + std::to_string(GetCurrentProcessId());
        HANDLE h = CreateFileA(slot.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD written = 0;
        WriteFile(h, path.c_str(), static_cast<DWORD>(path.size() + 1), &written, nullptr);
        CloseHandle(h);
        SendMessageA(frame, WM_COMMAND, kHandoverCommand, 0);
        Pump();
    };
    Wizard().actionRunning = 1;
    send("\"" + site.root() + "\"");
    EXPECT_EQ(Step(), 0);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Some action is going now. Please finish it first!");
    Wizard().actionRunning = 0;
    SendMessageA(frame, WM_COMMAND, kHandoverCommand, 0);  // the waiting path is taken now
    Pump();
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(Title(), "Corvane - Add Files for Processing");
    EXPECT_EQ(Wizard().files.size(), 3);
    EXPECT_EQ(Messages().back(), "Add subfolders too?");
    EXPECT_EQ(Wizard().settings.lastRootFolder, site.root());
    // Nothing waiting: nothing happens, and nothing blocks.
    SendMessageA(frame, WM_COMMAND, kHandoverCommand, 0);
    Pump();
    EXPECT_EQ(Wizard().files.size(), 3);
    EXPECT_EQ(Wizard().actionRunning, 0);
    DestroyWindow(frame);
    instance.DeleteAtom();
}

}  // namespace
}  // namespace corvane
