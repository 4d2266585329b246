// The wizard's frame: creates the eight pages, moves between them with its checks and questions,
// takes a path over from a second start, and saves the settings when it closes.
#include <windows.h>

#include <commctrl.h>

#include "shell/about_box.h"
#include "shell/program_values.h"
#include "shell/single_instance.h"
#include "shell/user_dialogs.h"
#include "corvane_ids.h"
#include "shell/tooltips.h"
#include "wizard/pages/page.h"
#include "wizard/picture_loader.h"
#include "wizard/side_picture.h"
#include "wizard/options_from_pages.h"
#include "wizard/wizard.h"

namespace corvane {
namespace {

struct PageInfo {
    int dialog;
    const char* title;
    const char* helpTopic;
    std::unique_ptr<WizardPage> (*make)();
};

const PageInfo kPages[kStepCount] = {
    {IDD_WELCOME, "Welcome to Corvane!", "fix1.htm", MakeWelcomePage},
    {IDD_FILE_LIST, "Add Files for Processing", "fix2.htm", MakeFileListPage},
    {IDD_SEARCH_OPTIONS, "Search Properties", "fix3.htm", MakeSearchOptionsPage},
    {IDD_PROCESSING_OPTIONS, "Processing Options", "fix4.htm", MakeProcessingOptionsPage},
    {IDD_SEARCH, "Searching for Broken URL's", "fix4.htm", MakeSearchPage},
    {IDD_REVIEW, "Search Results", "fix5.htm", MakeReviewPage},
    {IDD_DELETION, "Link Deletion Properties", "fix6.htm", MakeDeletionPage},
    {IDD_APPLY, "Processing Broken URL's", "fix7.htm", MakeApplyPage},
};

const TooltipTool kFrameTools[] = {
    {IDC_FRAME_ABOUT, 0, "Some information about Corvane"}, {IDC_FRAME_HELP, 1, "Show reference"},
    {IDC_FRAME_RESTAVO, 2, "Run the Restavo utility"},      {IDC_FRAME_PREVIOUS, 3, "Move one step backward"},
    {IDC_FRAME_NEXT, 4, "Move one step forward"},           {IDC_FRAME_EXIT, 5, "Get outta here"},
};

// The controls the lock governs, in order: on the frame itself, or on a page, and the id.
struct Governed {
    bool onFrame;
    Step step;
    int id;
};
constexpr Governed Frame(int id) { return {true, Step::Welcome, id}; }
constexpr Governed On(Step step, int id) { return {false, step, id}; }
const Governed kGoverned[] = {
    Frame(IDC_FRAME_ABOUT),    Frame(IDC_FRAME_HELP),
    Frame(IDC_FRAME_PREVIOUS), Frame(IDC_FRAME_NEXT),
    Frame(IDC_FRAME_EXIT),     On(Step::FileList, IDC_FILES_ADD_FILES),
    On(Step::FileList, IDC_FILES_ADD_FOLDERS), On(Step::Review, IDC_REVIEW_HIDE_DELETE),
    On(Step::Review, IDC_REVIEW_HIDE_REPLACE), On(Step::Review, IDC_REVIEW_HIDE_ORPHAN),
    On(Step::Review, IDC_REVIEW_HIDE_TARGET),  On(Step::Review, IDC_REVIEW_ALLOW_DELETION),
    On(Step::Review, IDC_REVIEW_SORT),         On(Step::Review, IDC_REVIEW_REPLACEMENT),
    On(Step::Review, IDC_REVIEW_APPLY),        On(Step::Review, IDC_REVIEW_BROWSE),
    On(Step::Review, IDC_REVIEW_COPY_OLD),     On(Step::Review, IDC_REVIEW_DELETE),
    On(Step::Review, IDC_REVIEW_MAKE_RELATIVE), Frame(IDC_FRAME_RESTAVO),
};
constexpr std::size_t kGovernedCount = sizeof kGoverned / sizeof kGoverned[0];
constexpr std::size_t kNextSlot = 3, kPreviousSlot = 2;

struct LockState {
    bool saved = false;
    bool enabled[kGovernedCount] = {};
    HWND focus = nullptr;
};
LockState g_lock;

const char* const kQueuedQuestion = "Some changes are queued for application. Do you really want to exit?";

HWND GovernedWindow(const Governed& g) {
    HWND owner = g.onFrame ? Wizard().frame : PageWindow(g.step);
    return owner != nullptr ? GetDlgItem(owner, g.id) : nullptr;
}

bool IsEditGroup(const Governed& g) {
    if (g.onFrame || g.step != Step::Review) return false;
    for (int id : {IDC_REVIEW_REPLACEMENT, IDC_REVIEW_APPLY, IDC_REVIEW_BROWSE, IDC_REVIEW_COPY_OLD,
                   IDC_REVIEW_DELETE, IDC_REVIEW_MAKE_RELATIVE})
        if (g.id == id) return true;
    return false;
}

void SaveLockStates() {
    for (std::size_t i = 0; i < kGovernedCount; ++i) {
        HWND w = GovernedWindow(kGoverned[i]);
        g_lock.enabled[i] = w != nullptr && IsWindowEnabled(w);
    }
    g_lock.saved = true;
}

int Ask(const char* question) {
    return Dialogs().MessageBox(Wizard().frame, question, kProgramName, MB_YESNO | MB_ICONQUESTION);
}

void SetTitle() {
    std::string title = std::string(kProgramName) + " - " + kPages[Wizard().currentStep].title;
    SetWindowTextA(Wizard().frame, title.c_str());
}

Step CurrentStep() { return static_cast<Step>(Wizard().currentStep); }

void ShowStep(Step step, bool animated) {
    Wizard().currentStep = StepIndex(step);
    ShowStepPicture(step, animated);
    ShowWindow(PageWindow(step), SW_SHOW);
    SetTitle();
}

// The page being left decides whether it may be left.
bool MayLeave(Step step) {
    WizardPage* page = WizardPage::From(PageWindow(step));
    return page == nullptr || page->MayLeave();
}

void OnNext() {
    WizardState& w = Wizard();
    Step step = CurrentStep();
    if (!MayLeave(step)) return;
    ShowWindow(PageWindow(step), SW_HIDE);
    Step next = static_cast<Step>(StepIndex(step) + 1);
    if (step == Step::Apply) {
        SetWindowTextA(FrameButton(IDC_FRAME_NEXT), "&Next >>");
        if (w.links.secondPassCount() != 0) {
            next = Step::Search;
            w.secondPass = true;
            // Shown disabled: the second pass makes no backups.
            EnableWindow(PageControl(Step::Review, IDC_REVIEW_BACKUPS), FALSE);
        } else {
            ClearFileList();
            next = Step::Welcome;
        }
    } else if (step == Step::Review && !ReadReviewOptions().allowLinkDeletion) {
        next = Step::Apply;
    }
    ShowStep(next, true);
}

void OnPrevious() {
    WizardState& w = Wizard();
    Step step = CurrentStep();
    if ((step == Step::Search || step == Step::Review) && w.secondPass &&
        Ask("This is the second pass. Moving to the previous step cancels it.\nDo you really want to cancel the second pass?") ==
            IDNO)
        return;
    ShowWindow(PageWindow(step), SW_HIDE);
    ShowStep(step == Step::Review ? Step::ProcessingOptions : static_cast<Step>(StepIndex(step) - 1), true);
}

void OnClose() {
    WizardState& w = Wizard();
    if (w.closePending && w.actionRunning != 0) return;  // asked again before the operation stopped
    if (!w.closePending) {
        const char* question = nullptr;
        switch (CurrentStep()) {
            case Step::Apply:
                if (w.links.secondPassCount() != 0) question = "The second pass is needed. Do you really want to exit?";
                break;
            case Step::Search:
                if (IsWindowEnabled(FrameButton(IDC_FRAME_NEXT))) question = kQueuedQuestion;
                break;
            case Step::Review:
            case Step::Deletion:
                question = kQueuedQuestion;
                break;
            default:
                break;
        }
        if (question != nullptr && Ask(question) == IDNO) return;
        if (w.actionRunning != 0) {
            // The running operation sees the stop at its next poll; EndAction closes again.
            w.closePending = true;
            return;
        }
    }
    ReadPagesIntoSettings(&w.settings);
    int saved = SaveSettings(*w.store, w.settings);
    if (saved != kSettingsDone) EmergencyQuit(SettingsFailureText(saved));
    if (w.instance != nullptr) w.instance->DeleteAtom();
    PostQuitMessage(0);
}

void OnHandover() {
    WizardState& w = Wizard();
    if (w.actionRunning != 0) {
        Dialogs().MessageBox(w.frame, "Some action is going now. Please finish it first!", kProgramName,
                             MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    std::string message;
    if (w.instance == nullptr || !w.instance->ReadHandover(&message)) return;
    // A quoted path loses its quotes here as it does on a first start: with them no folder is found.
    if (!message.empty() && message.front() == '"') {
        message.erase(0, 1);
        if (!message.empty()) message.pop_back();
    }
    Program().startupPath = message;
    ShowWindow(PageWindow(CurrentStep()), SW_HIDE);
    ShowStep(Step::FileList, false);
}

void OnAbout() {
    ProgramValues& p = Program();
    AboutBoxRequest request;
    request.instance = p.instance;
    request.font = p.uiFont;
    request.underlined = p.uiFontUnderlined;
    request.bold = p.uiFontBold;
    request.owner = Wizard().frame;
    request.timerId = 0;
    request.link1 = kMakerWebAddress;
    request.link2 = kSupportMailto;
    request.pictureResource = IDP_ABOUT;
    request.loadPicture = LoadPictureBitmap;
    Dialogs().ShowAboutBox(request);
}

void OnInitDialog(HWND frame) {
    WizardState& w = Wizard();
    ProgramValues& p = Program();
    SetWindowLongPtrA(frame, GWLP_USERDATA, w.instance != nullptr ? w.instance->atom() : 0);
    SetClassLongPtrA(frame, GCLP_HICON, reinterpret_cast<LONG_PTR>(LoadIconA(p.instance, MAKEINTRESOURCEA(IDI_CORVANE))));
    w.frame = frame;
    w.currentStep = StepIndex(Step::Welcome);
    w.actionRunning = 0;
    w.actionDepth = 0;
    w.secondPass = false;
    w.closePending = false;
    g_lock = LockState();

    w.restavoPath = p.programDir + "Restavo.exe";
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(w.restavoPath.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        EnableWindow(GetDlgItem(frame, IDC_FRAME_RESTAVO), FALSE);
    else
        FindClose(find);

    int loaded = LoadSettings(*w.store, &w.settings);
    if (loaded != kSettingsDone) EmergencyQuit(SettingsFailureText(loaded));

    SetUpStepPicture(p.instance, frame, IDC_FRAME_PICTURE);
    ShowStepPicture(Step::Welcome, false);
    SetClassLongPtrA(GetDlgItem(frame, IDC_FRAME_PICTURE), GCLP_HBRBACKGROUND, 0);

    for (int i = 0; i < kStepCount; ++i) {
        HWND page = WizardPage::Create(kPages[i].make(), p.instance, kPages[i].dialog, frame);
        if (page == nullptr) EmergencyQuit("Cannot create the step window!");
        w.pageWindow[i] = page;
        RECT at = {105, 5, 0, 0};
        MapDialogRect(frame, &at);
        SetWindowPos(page, nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
    }
    AddTooltips(frame, kFrameTools);
    if (!p.startupPath.empty()) {
        w.currentStep = StepIndex(Step::FileList);
        // The side picture names the step the wizard opens on.
        ShowStepPicture(Step::FileList, false);
    }
    ShowWindow(PageWindow(CurrentStep()), SW_SHOW);
    SetTitle();
    // A wizard opens with the way forward focused; the first page may have taken it already.
    if (GetFocus() == nullptr || GetParent(GetFocus()) == frame) SetFocus(FrameButton(IDC_FRAME_NEXT));
}

}  // namespace

WizardState& Wizard() {
    static WizardState state;
    return state;
}

HWND FrameButton(int id) { return GetDlgItem(Wizard().frame, id); }

void EnableFrameButton(int id, bool enabled) { EnableWindow(FrameButton(id), enabled ? TRUE : FALSE); }

HWND PageWindow(Step step) { return Wizard().pageWindow[StepIndex(step)]; }

HWND PageControl(Step step, int control) { return GetDlgItem(PageWindow(step), control); }

bool IsChecked(Step step, int control) {
    return SendMessageA(PageControl(step, control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND PageControl(int step, int control) { return PageControl(static_cast<Step>(step), control); }

bool IsChecked(int step, int control) { return IsChecked(static_cast<Step>(step), control); }

std::string ControlText(HWND control) {
    int length = GetWindowTextLengthA(control);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int got = GetWindowTextA(control, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

void LockFrame() {
    g_lock.focus = GetFocus();
    bool nextEnabled = !g_lock.saved || g_lock.enabled[kNextSlot];
    bool previousEnabled = !g_lock.saved || g_lock.enabled[kPreviousSlot];
    int focusId = nextEnabled ? IDC_FRAME_NEXT : previousEnabled ? IDC_FRAME_PREVIOUS : IDC_FRAME_HELP;
    SetFocus(FrameButton(focusId));
    SaveLockStates();
    for (const Governed& g : kGoverned) EnableWindow(GovernedWindow(g), FALSE);
}

void UnlockFrame(EditGroup editGroup) {
    if (!g_lock.saved) SaveLockStates();
    for (std::size_t i = 0; i < kGovernedCount; ++i) {
        if (editGroup == EditGroup::Keep && IsEditGroup(kGoverned[i])) continue;
        EnableWindow(GovernedWindow(kGoverned[i]), g_lock.enabled[i] ? TRUE : FALSE);
    }
    if (g_lock.focus != nullptr && IsWindow(g_lock.focus)) SetFocus(g_lock.focus);
}

void BeginAction() {
    WizardState& w = Wizard();
    ++w.actionDepth;
    w.actionRunning = 1;
}

void EndAction() {
    WizardState& w = Wizard();
    if (w.actionDepth > 0) --w.actionDepth;
    if (w.actionDepth > 0) return;  // a command nested in an operation that still runs
    w.actionRunning = 0;
    if (w.closePending && w.frame != nullptr) PostMessageA(w.frame, WM_CLOSE, 0, 0);
}

int PumpMessages() {
    WizardState& w = Wizard();
    auto down = [&w](int key) {
        return w.keyIsDown ? w.keyIsDown(key) : (GetAsyncKeyState(key) & 0x8000) != 0;
    };
    // The scanners poll after every tag; under Wine each probe of the queue is a round trip to the
    // server, so the queue is looked at only once the interval has passed.
    if (w.closePending) return kPollStop;
    const ULONGLONG now = GetTickCount64();
    if (w.pumpIntervalMs != 0 && now - w.lastPump < w.pumpIntervalMs) return kPollNothing;
    w.lastPump = now;
    HWND foreground = GetForegroundWindow();
    int result = kPollNothing;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the frame's own loop, which ends the program.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (foreground == w.frame && result == kPollNothing) {
            int key = down(VK_ESCAPE) ? VK_ESCAPE : down(VK_F10) ? VK_F10 : 0;
            if (key != 0) {
                // Drain what the held key keeps sending, so it does not act again once released.
                while (down(key)) {
                    MSG held;
                    if (PeekMessageA(&held, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE))
                        TranslateMessage(&held);
                    else
                        Sleep(5);
                }
                result = key == VK_ESCAPE ? kPollStop : kPollSkip;
            }
        }
    }
    if (w.closePending) result = kPollStop;
    return result;
}

INT_PTR CALLBACK WizardFrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(frame);
            return FALSE;  // the focus is set
        case WM_COMMAND:
            if (HIWORD(wParam) == HIWORD(kHandoverCommand)) {
                OnHandover();
                return TRUE;
            }
            switch (LOWORD(wParam)) {
                case IDC_FRAME_NEXT: OnNext(); return TRUE;
                case IDC_FRAME_PREVIOUS: OnPrevious(); return TRUE;
                case IDC_FRAME_EXIT: PostMessageA(frame, WM_CLOSE, 0, 0); return TRUE;
                case IDC_FRAME_ABOUT: OnAbout(); return TRUE;
                case IDC_FRAME_HELP:
                    Dialogs().ShowHelpTopic(Program().programDir + "Guide.chm::/" + kPages[Wizard().currentStep].helpTopic);
                    return TRUE;
                case IDC_FRAME_RESTAVO:
                    Dialogs().ShellOpen(frame, Wizard().restavoPath, Wizard().settings.lastRootFolder);
                    return TRUE;
            }
            return FALSE;  // ESC (IDCANCEL) never closes the frame
        case WM_HELP:
            PostMessageA(frame, WM_COMMAND, IDC_FRAME_HELP, 0);
            return TRUE;
        case WM_DRAWITEM:
            if (wParam == IDC_FRAME_PICTURE) {
                PaintStepPicture(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hDC);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            OnClose();
            return TRUE;
    }
    return FALSE;
}

INT_PTR RunWizardFrame(HINSTANCE instance) {
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_FRAME), nullptr, WizardFrameProc, 0);
}

}  // namespace corvane
