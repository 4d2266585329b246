// Restavo's dialog driven in-process: every control path as one table, its opening state, and
// the user's registry key when the machine's cannot be written.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

// First, so that the file system's method names are seen without the kernel's macros.
#include "support/temp_tree.h"

#include "shell/about_box.h"
#include "shell/program_values.h"
#include "shell/single_instance.h"
#include "platform/win32/registry_settings_store.h"
#include "restavo_ids.h"
#include "restavo/restavo_dialog.h"
#include "restorer/restore_walk.h"
#include "support/scripted_dialogs.h"

namespace corvane {
namespace {

const std::string kTestKey = "Software\\Corvane Tests\\Restavo " + std::to_string(GetCurrentProcessId());

enum ActionKind { kSetText, kCommand, kClick, kClose, kHandover };
struct Action {
    ActionKind kind;
    int id;
    const char* text;  // "{root}" stands for the test folder
};
struct Call {
    const char* kind;
    const char* text;
    UINT type;
};
using Files = std::map<std::string, std::string>;

struct ControlPath {
    const char* name;
    const char* startupPath;
    const char* lastRootFolder;  // stored before; null: none
    std::vector<Action> actions;
    std::vector<int> answers;
    std::vector<ScriptedDialogs::BrowseResult> browse;
    std::vector<Call> calls;
    Files filesAfter;  // only the files that change
    const char* folderAfter;
    int recurseAfter;
    const char* lastRootFolderAfter;  // null: not written
};

// The tree every row starts from; "x" is a folder, so the move of x.err onto it fails.
const Files kFiles = {{"a.htm", "live a"},         {"a.htm.bak", "backup a"}, {"readme.bak", "backup readme"},
                      {"plain", "no extension"},   {"sub\\b.css", "live b"}, {"sub\\b.css.BAK", "backup b"},
                      {"x.err", "cannot go back"}, {"x\\keep", "keep"}};
const Files kTopOnly = {
    {"a.htm", "backup a"}, {"a.htm.bak", "<missing>"}, {"readme", "backup readme"}, {"readme.bak", "<missing>"}};
const Files kDeleted = {{"a.htm.bak", "<missing>"}, {"readme.bak", "<missing>"}, {"sub\\b.css.BAK", "<missing>"}};
Files kRestored = [] {
    Files files = kTopOnly;
    files.insert({{"sub\\b.css", "backup b"}, {"sub\\b.css.BAK", "<missing>"}});
    return files;
}();

const Call kQuestion = {"message", "Are You sure? Is everything correct?", MB_YESNO | MB_ICONQUESTION};
const Action kRoot = {kSetText, IDC_RESTAVO_FOLDER, "{root}"};
const Action kProcess = {kCommand, IDC_RESTAVO_PROCESS, nullptr};
const Action kBrowse = {kCommand, IDC_RESTAVO_BROWSE, nullptr};

const ControlPath kPaths[] = {
    {"ProcessRestoresTheWholeTree", "", nullptr, {kRoot, kProcess}, {}, {},
     {kQuestion, {"message", "3 backup file(s) restored", MB_ICONINFORMATION}}, kRestored, "{root}", 1, nullptr},
    {"DeleteModeKeepsTheLiveFiles", "", nullptr, {kRoot, {kClick, IDC_RESTAVO_DELETE, nullptr}, kProcess}, {}, {},
     {kQuestion, {"message", "3 backup file(s) deleted", MB_ICONINFORMATION}}, kDeleted, "{root}", 1, nullptr},
    {"NoLeavesEverything", "", nullptr, {kRoot, kProcess}, {IDNO}, {}, {kQuestion}, {}, "{root}", 1, nullptr},
    {"EmptyFolderIsRefused", "", nullptr, {kProcess}, {}, {},
     {{"message", "Please specify a folder(s) to process!", MB_ICONEXCLAMATION}}, {}, "", 1, nullptr},
    {"EmptyExtensionIsRefusedAndNothingTouched", "", nullptr,
     {kRoot, {kSetText, IDC_RESTAVO_EXTENSION, ""}, kProcess}, {}, {},
     {{"message", "Please specify the backup files extension!", MB_ICONEXCLAMATION}}, {}, "{root}", 1, nullptr},
    {"ExtensionWithItsDotMatchesNothing", "", nullptr,
     {kRoot, {kSetText, IDC_RESTAVO_EXTENSION, ".bak"}, kProcess}, {}, {},
     {kQuestion, {"message", "0 backup file(s) restored", MB_ICONINFORMATION}}, {}, "{root}", 1, nullptr},
    {"FailedRestoreIsReported", "", nullptr, {kRoot, {kSetText, IDC_RESTAVO_EXTENSION, "ERR"}, kProcess}, {}, {},
     {kQuestion, {"message", kRestoreWalkErrorText, MB_ICONHAND}}, {{"x.err", "cannot go back"}}, "{root}", 1,
     nullptr},
    {"CancelledBrowserStillClearsRecursion", "", nullptr, {kBrowse, kRoot, kProcess}, {}, {{-1, "", 0}},
     {{"browse", "", 1}, kQuestion, {"message", "2 backup file(s) restored", MB_ICONINFORMATION}}, kTopOnly,
     "{root}", 0, nullptr},
    {"BrowseChoosesAFolder", "", nullptr, {kBrowse}, {}, {{0, "C:\\chosen", -1}}, {{"browse", "", 1}}, {},
     "C:\\chosen", 1, nullptr},
    {"BrowseStartsAtTheLastRootFolder", "", "C:\\last", {kBrowse}, {}, {{-1, "", -1}}, {{"browse", "C:\\last", 1}},
     {}, "", 1, nullptr},
    {"BrowseStartsAtTheFolderShown", "", "C:\\last", {kRoot, kBrowse}, {}, {{-1, "", -1}},
     {{"browse", "{root}", 1}}, {}, "{root}", 1, nullptr},
    {"ChoiceWithoutPathIsReported", "", nullptr, {kBrowse}, {}, {{-2, "", -1}},
     {{"browse", "", 1},
      {"message", "Cannot resolve the specified path!\nChoose another folder!", MB_ICONHAND | MB_TASKMODAL}},
     {}, "", 1, nullptr},
    {"QuotedStartupFolderKeepsItsQuotes", "\"{root}\"", nullptr, {kProcess}, {}, {},
     {kQuestion, {"message", "0 backup file(s) restored", MB_ICONINFORMATION}}, {}, "\"{root}\"", 1, nullptr},
    {"HelpOpensItsTopic", "", nullptr, {{kCommand, IDC_RESTAVO_HELP, nullptr}}, {}, {},
     {{"help", "C:\\Programs\\Restavo\\Guide.chm::/restavo.htm", 0}}, {}, "", 1, nullptr},
    {"AboutShowsTheBox", "", nullptr, {{kCommand, IDC_RESTAVO_ABOUT, nullptr}}, {}, {},
     {{"about", "http://www.meridel.example/", 0}}, {}, "", 1, nullptr},
    {"ExitWritesTheLastRootFolder", "", nullptr, {kRoot, {kCommand, IDC_RESTAVO_EXIT, nullptr}}, {}, {}, {}, {},
     "{root}", 1, "{root}"},
    {"CloseBoxWritesAnEmptyFolderToo", "", "C:\\last", {{kClose, 0, nullptr}}, {}, {}, {}, {}, "", 1, ""},
    {"HandoverShowsTheFolder", "", nullptr, {{kHandover, 0, "C:\\handed over"}}, {}, {}, {}, {},
     "C:\\handed over", 1, nullptr},
    {"HandoverWithoutMessageChangesNothing", "{root}", nullptr, {{kHandover, 0, nullptr}}, {}, {}, {}, {},
     "{root}", 1, nullptr},
};

std::string Expand(const char* text, const std::string& root) {
    std::string out = text;
    const std::string token = "{root}";
    for (std::size_t at = out.find(token); at != std::string::npos; at = out.find(token))
        out.replace(at, token.size(), root);
    return out;
}

std::string Text(HWND dialog, int id) {
    char buffer[1024] = {};
    GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    return buffer;
}

// Drains the message queue; true when the dialog posted the quit message.
bool PumpUntilIdle() {
    bool quit = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) quit = true;
        DispatchMessageA(&message);
    }
    return quit;
}

class RestavoDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        Program().instance = GetModuleHandleA(nullptr);
        Program().programDir = "C:\\Programs\\Restavo\\";
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey.c_str());
        for (const auto& [name, content] : kFiles) tree_.WriteFile(name, content);
    }
    void TearDown() override {
        if (dialog_ != nullptr) DestroyWindow(dialog_);
        PumpUntilIdle();
        Program().startupPath.clear();
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey.c_str());
    }
    HWND Open(RestavoDialogContext* context) {
        dialog_ = CreateRestavoDialog(context);
        return dialog_;
    }
    std::string StoredLastRootFolder(const std::string& key = kTestKey) {
        char buffer[300] = {};
        DWORD size = sizeof buffer;
        LSTATUS got = RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "lastRootFolder", RRF_RT_REG_SZ, nullptr, buffer, &size);
        return got == ERROR_SUCCESS ? buffer : "<none>";
    }

    TempTree tree_;
    ScriptedDialogs dialogs_;
    RegistrySettingsStore settings_{kTestKey, HKEY_CURRENT_USER, nullptr};
    HWND dialog_ = nullptr;
};

class RestavoDialog : public RestavoDialogTest, public ::testing::WithParamInterface<ControlPath> {};

std::string Describe(const std::string& kind, const std::string& text, UINT type, const std::string& caption) {
    const bool captioned = kind == "message" || kind == "about";
    return kind + " [" + text + "] " + std::to_string(type) + (captioned ? " " + caption : "");
}

TEST_P(RestavoDialog, ControlPath) {
    const ControlPath& path = GetParam();
    const std::string root = tree_.root();
    if (path.lastRootFolder != nullptr) {
        ASSERT_TRUE(settings_.Open() && settings_.WriteText("lastRootFolder", path.lastRootFolder));
        settings_.Close();
    }
    const std::string identifier = "Restavo dialog test " + std::to_string(GetCurrentProcessId());
    SingleInstance instance(identifier);
    instance.FindOrAddAtom();
    instance.CreateSlot();
    dialogs_.answers.assign(path.answers.begin(), path.answers.end());
    dialogs_.browseResults.assign(path.browse.begin(), path.browse.end());
    Program().startupPath = Expand(path.startupPath, root);
    RestavoDialogContext context{&settings_, &tree_.fs(), &instance, 0, 0};
    HWND dialog = Open(&context);
    ASSERT_NE(dialog, nullptr);

    bool quit = false;
    for (const Action& action : path.actions) {
        HWND control = GetDlgItem(dialog, action.id);
        SingleInstance second(identifier);
        switch (action.kind) {
        case kSetText: SetDlgItemTextA(dialog, action.id, Expand(action.text, root).c_str()); break;
        case kCommand: SendMessageA(dialog, WM_COMMAND, action.id, reinterpret_cast<LPARAM>(control)); break;
        case kClick: SendMessageA(control, BM_CLICK, 0, 0); break;
        case kClose: SendMessageA(dialog, WM_CLOSE, 0, 0); break;
        case kHandover:  // a second start with this command line; without one, a bare notification
            if (action.text == nullptr) SendMessageA(dialog, WM_COMMAND, kHandoverCommand, 0);
            else EXPECT_TRUE(second.FindOrAddAtom() && second.HandOverToRunning(action.text));
            break;
        }
        quit = PumpUntilIdle() || quit;
    }
    instance.DeleteAtom();

    std::vector<std::string> calls, expectedCalls;
    for (const DialogCall& c : dialogs_.calls) {
        calls.push_back(Describe(c.kind, c.text, c.type, c.caption));
        EXPECT_TRUE(c.owner == dialog || c.kind == "help") << c.kind;
    }
    for (const Call& c : path.calls) {
        const std::string caption = std::string(c.kind) == "about" ? kSupportMailto : "Restavo";
        expectedCalls.push_back(Describe(c.kind, Expand(c.text, root), c.type, caption));
    }
    EXPECT_EQ(calls, expectedCalls);
    std::map<std::string, std::string> expected = kFiles;
    for (const auto& [name, content] : path.filesAfter) expected[name] = content;
    for (const auto& [name, content] : expected) EXPECT_EQ(tree_.ReadFile(name), content) << name;
    EXPECT_EQ(Text(dialog, IDC_RESTAVO_FOLDER), Expand(path.folderAfter, root));
    EXPECT_EQ(context.recurse, path.recurseAfter);
    EXPECT_EQ(quit, path.lastRootFolderAfter != nullptr);
    const char* stored = path.lastRootFolderAfter != nullptr ? path.lastRootFolderAfter : path.lastRootFolder;
    EXPECT_EQ(StoredLastRootFolder(), stored != nullptr ? Expand(stored, root) : "<none>");
}

INSTANTIATE_TEST_SUITE_P(EveryControl, RestavoDialog, ::testing::ValuesIn(kPaths),
                         [](const ::testing::TestParamInfo<ControlPath>& info) { return info.param.name; });

TEST_F(RestavoDialogTest, OpensWithItsDefaultsAndTooltips) {
    for (const char* startup : {"", "C:\\site"}) {
        SingleInstance instance("Restavo opening test " + std::to_string(GetCurrentProcessId()));
        instance.FindOrAddAtom();
        Program().startupPath = startup;
        RestavoDialogContext context{&settings_, &tree_.fs(), &instance, 0, 0};
        HWND dialog = Open(&context);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(Text(dialog, IDC_RESTAVO_FOLDER), startup);
        EXPECT_EQ(Text(dialog, IDC_RESTAVO_EXTENSION), "bak");
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_RESTAVO_RESTORE), BST_CHECKED);
        EXPECT_EQ(context.recurse, 1);
        EXPECT_EQ(GetWindowLongPtrA(dialog, GWLP_USERDATA), static_cast<LONG_PTR>(instance.atom()));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, *startup ? IDC_RESTAVO_PROCESS : IDC_RESTAVO_BROWSE));

        HWND tip = nullptr;
        do tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr);
        while (tip != nullptr && GetWindow(tip, GW_OWNER) != dialog);
        ASSERT_NE(tip, nullptr);
        const std::pair<int, const char*> tools[] = {
            {IDC_RESTAVO_FOLDER, "The root folder from which restoring or deleting will start"},
            {IDC_RESTAVO_BROWSE, "Choose a root folder from which restoring or deleting will start"},
            {IDC_RESTAVO_EXTENSION, "Backup files extension (\"bak\" for Corvane backups)"},
            {IDC_RESTAVO_RESTORE, "Backup files will be restored replacing current files"},
            {IDC_RESTAVO_DELETE, "Backup files will be deleted leaving current files as they are"},
            {IDC_RESTAVO_ABOUT, "Some information about Restavo"},
            {IDC_RESTAVO_PROCESS, "Start restoration or deletion"},
            {IDC_RESTAVO_EXIT, "Get outta here"}};
        ASSERT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 8);
        for (UINT i = 0; i < 8; ++i) {
            char text[256] = {};
            TTTOOLINFOA info = {};
            info.cbSize = TTTOOLINFOA_V2_SIZE;
            info.lpszText = text;
            ASSERT_TRUE(SendMessageA(tip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&info)));
            EXPECT_TRUE(info.hwnd == GetDlgItem(dialog, tools[i].first) && info.uId == i);
            EXPECT_TRUE(info.uFlags & TTF_SUBCLASS);
            EXPECT_STREQ(text, tools[i].second);
        }
        DestroyWindow(dialog);
        dialog_ = nullptr;
        instance.DeleteAtom();
    }
}

// A user without administrator rights: no key can be made under the machine's root. A volatile
// key stands for it, as it takes no lasting subkeys (a read-only handle would not do under Wine).
TEST_F(RestavoDialogTest, ClosingWritesUnderTheUsersKeyWhenTheMachineKeyCannotBeWritten) {
    const std::string machine = kTestKey + "\\machine";
    ASSERT_TRUE(settings_.Open());  // the parent stays lasting
    settings_.Close();
    HKEY volatileRoot = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, machine.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &volatileRoot, nullptr),
              ERROR_SUCCESS);
    const std::string subKey = kTestKey + "\\user";
    RegistrySettingsStore store(subKey, volatileRoot, HKEY_CURRENT_USER);

    RestavoDialogContext context{&store, &tree_.fs(), nullptr, 1, 0};
    HWND dialog = Open(&context);
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextA(dialog, IDC_RESTAVO_FOLDER, "C:\\kept for the user");
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    RegCloseKey(volatileRoot);
    EXPECT_EQ(store.openedRoot(), HKEY_CURRENT_USER);
    EXPECT_EQ(StoredLastRootFolder(subKey), "C:\\kept for the user");
}

}  // namespace
}  // namespace corvane
