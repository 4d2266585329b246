// Pages 2-4 in-process: adding and removing files, the options' enabling rules and their settings.
#include "shell/single_instance.h"
#include "win32/wizard_test_fixture.h"

namespace corvane {
namespace {

class WizardPages : public WizardTest {
protected:
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        HWND list = GetDlgItem(Page(1), IDC_FILES_LIST);
        LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            char text[300] = {};
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            rows.push_back(text);
        }
        return rows;
    }
    std::string Counter() { return ControlText(GetDlgItem(Page(1), IDC_FILES_COUNTER)); }
    bool PageEnabled(int step, int id) { return IsWindowEnabled(GetDlgItem(Page(step), id)) != FALSE; }
    void Show(int step) {
        ShowWindow(Page(Wizard().currentStep), SW_HIDE);
        Wizard().currentStep = step;
        ShowWindow(Page(step), SW_SHOW);
        Pump();
    }
};

TEST_F(WizardPages, TheFileListAddsFoldersAndFilesAndRemovesThem) {
    Open();
    Show(1);
    EXPECT_EQ(Counter(), "Files added: 0");
    EXPECT_FALSE(Enabled(IDC_FRAME_NEXT));
    EXPECT_FALSE(PageEnabled(1, IDC_FILES_REMOVE));
    EXPECT_FALSE(PageEnabled(1, IDC_FILES_REMOVE_ALL));

    dialogs.browseResults.push_back({-1, "", 0});  // cancelled, but the box was unchecked
    ClickOn(Page(1), IDC_FILES_ADD_FOLDERS);
    EXPECT_EQ(Wizard().addSubfolders, 0);
    dialogs.browseResults.push_back({-2, "", -1});
    ClickOn(Page(1), IDC_FILES_ADD_FOLDERS);
    EXPECT_EQ(Messages().back(), "Cannot resolve the specified path!\nChoose another folder!");
    EXPECT_EQ(Rows().size(), 0u);

    dialogs.browseResults.push_back({0, site.root(), -1});  // without subfolders
    ClickOn(Page(1), IDC_FILES_ADD_FOLDERS);
    EXPECT_EQ(Rows(), (std::vector<std::string>{site.Path("b.htm"), site.Path("index.htm")}));
    AddSite();  // again, with subfolders: only the new file comes
    EXPECT_EQ(Rows(), (std::vector<std::string>{site.Path("b.htm"), site.Path("index.htm"), site.Path("img\\pic.gif")}));
    EXPECT_EQ(Counter(), "Files added: 3");
    EXPECT_TRUE(Enabled(IDC_FRAME_NEXT));
    EXPECT_EQ(Wizard().settings.lastRootFolder, site.root());
    EXPECT_EQ(dialogs.Of("flash").size(), 2u);

    // One file, then two more in one selection; a listed one is not added again.
    site.WriteFile("extra\\c.css", "a{}");
    site.WriteFile("extra\\d.js", "");
    dialogs.openResults.push_back({site.Path("extra\\c.css")});
    ClickOn(Page(1), IDC_FILES_ADD_FILES);
    EXPECT_EQ(Wizard().settings.lastRootFolder, site.Path("extra"));
    dialogs.openResults.push_back({site.Path("extra"), "c.css", "d.js"});
    ClickOn(Page(1), IDC_FILES_ADD_FILES);
    EXPECT_EQ(Rows().size(), 5u);
    EXPECT_EQ(Rows().back(), site.Path("extra\\d.js"));
    dialogs.openResults.push_back({});  // cancelled: still flashes
    ClickOn(Page(1), IDC_FILES_ADD_FILES);
    EXPECT_EQ(dialogs.Of("flash").size(), 5u);
    EXPECT_EQ(dialogs.Of("open").back().text, "Add File(s)");

    HWND list = GetDlgItem(Page(1), IDC_FILES_LIST);
    for (int row : {0, 2, 4}) SendMessageA(list, LB_SETSEL, TRUE, row);
    ClickOn(Page(1), IDC_FILES_REMOVE);
    EXPECT_EQ(Rows(), (std::vector<std::string>{site.Path("index.htm"), site.Path("extra\\c.css")}));
    EXPECT_EQ(Wizard().files.size(), 2);
    EXPECT_EQ(Wizard().files.path(1), site.Path("extra\\c.css"));

    dialogs.answers = {IDNO};
    ClickOn(Page(1), IDC_FILES_REMOVE_ALL);
    EXPECT_EQ(Rows().size(), 2u);
    EXPECT_EQ(dialogs.Of("message").back().caption, "Remove All");
    ClickOn(Page(1), IDC_FILES_REMOVE_ALL);
    EXPECT_EQ(Rows().size(), 0u);
    EXPECT_EQ(Counter(), "Files added: 0");
    EXPECT_FALSE(Enabled(IDC_FRAME_NEXT));
    EXPECT_EQ(Wizard().actionRunning, 0);
}

TEST_F(WizardPages, TheStartUpFolderAsksTwiceAndIsAddedOnce) {
    Open();
    Show(1);
    dialogs.openResults.push_back({site.Path("b.htm")});
    ClickOn(Page(1), IDC_FILES_ADD_FILES);
    Program().startupPath = site.root();
    dialogs.calls.clear();
    dialogs.answers = {IDNO, IDNO};  // clear the list; no subfolders
    Show(1);
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "The file list already contains some items. Append to current?\n"
                              "If you will choose \"No\" the list will be cleared.",
                              "Add subfolders too?"}));
    EXPECT_EQ(Rows(), (std::vector<std::string>{site.Path("b.htm"), site.Path("index.htm")}));
    EXPECT_TRUE(Program().startupPath.empty());
    EXPECT_EQ(Wizard().settings.lastRootFolder, site.root());
    EXPECT_EQ(Wizard().actionRunning, 0);
    dialogs.calls.clear();
    Show(1);  // shown again: nothing more is asked
    EXPECT_TRUE(Messages().empty());
}

TEST_F(WizardPages, EscapeWhileAddingKeepsWhatWasAdded) {
    Open();
    Show(1);
    for (int i = 0; i < 50; ++i) site.WriteFile("many\\f" + std::to_string(i) + ".htm", "");
    heldKey = VK_ESCAPE;
    heldPolls = 3;
    // Something must wait in the queue for the pump to look at the keys.
    PostMessageA(frame, WM_NULL, 0, 0);
    dialogs.browseResults.push_back({0, site.Path("many"), 1});
    ClickOn(Page(1), IDC_FILES_ADD_FOLDERS);
    heldKey = 0;
    EXPECT_LT(Rows().size(), 50u);
    EXPECT_EQ(Counter(), "Files added: " + std::to_string(Rows().size()));
    EXPECT_TRUE(PageEnabled(1, IDC_FILES_ADD_FILES));
}

// A Remove or Remove all handled while a long add pumps messages: the box shows the file list
// row for row afterwards, whichever rows the add had put in the box by then.
TEST_F(WizardPages, RemovingDuringAnAddKeepsTheBoxOneWithTheFileList) {
    struct Case {
        int command;
        std::vector<std::string> left;  // what stays of the rows of the site's top folder
    };
    const Case cases[] = {
        {IDC_FILES_REMOVE, {"index.htm"}},
        {IDC_FILES_REMOVE_ALL, {}},
    };
    Open();
    Show(1);
    for (int i = 0; i < 20; ++i) site.WriteFile("many\\f" + std::to_string(i) + ".htm", "");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        ClickOn(Page(1), IDC_FILES_REMOVE_ALL);
        dialogs.browseResults.push_back({0, site.root(), 0});  // its own files only
        ClickOn(Page(1), IDC_FILES_ADD_FOLDERS);
        SendMessageA(GetDlgItem(Page(1), IDC_FILES_LIST), LB_SETSEL, TRUE, 0);
        // Taken at the add's first look at the queue.
        PostMessageA(Page(1), WM_COMMAND, MAKEWPARAM(c.command, BN_CLICKED), 0);
        dialogs.browseResults.push_back({0, site.Path("many"), 1});
        ClickOn(Page(1), IDC_FILES_ADD_FOLDERS);
        std::vector<std::string> model;
        for (std::int32_t row = 0; row < Wizard().files.size(); ++row) model.push_back(Wizard().files.path(row));
        EXPECT_EQ(Rows(), model);
        ASSERT_EQ(model.size(), c.left.size() + 20);
        for (std::size_t i = 0; i < c.left.size(); ++i) EXPECT_EQ(model[i], site.Path(c.left[i]));
        EXPECT_EQ(Counter(), "Files added: " + std::to_string(model.size()));
        EXPECT_EQ(Wizard().actionRunning, 0);
    }
}

// A command handled while an add runs does not end the add's action: a path handed over
// meanwhile is refused.
TEST_F(WizardPages, ACommandDuringAnAddLeavesTheActionRunning) {
    Open();
    Show(1);
    AddSite();
    for (int i = 0; i < 20; ++i) site.WriteFile("many\\f" + std::to_string(i) + ".htm", "");
    SendMessageA(GetDlgItem(Page(1), IDC_FILES_LIST), LB_SETSEL, TRUE, 0);
    PostMessageA(Page(1), WM_COMMAND, MAKEWPARAM(IDC_FILES_REMOVE, BN_CLICKED), 0);
    PostMessageA(frame, WM_COMMAND, kHandoverCommand, 0);
    dialogs.calls.clear();
    dialogs.browseResults.push_back({0, site.Path("many"), 1});
    ClickOn(Page(1), IDC_FILES_ADD_FOLDERS);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Some action is going now. Please finish it first!"}));
    EXPECT_EQ(Wizard().actionRunning, 0);
}

TEST_F(WizardPages, TheOptionsPagesStartFromTheSettingsAndFollowTheirRules) {
    store.numbers["stStep3Chk12"] = 0;
    store.numbers["stStep3Chk14"] = 1;
    store.numbers["stStep4Rad1"] = 7;  // any non-zero value is "relative"
    store.numbers["stStep4Combo1"] = 2;
    store.texts["stStep4Combo2"] = "my frame";
    Open();
    Show(2);
    EXPECT_FALSE(PageEnabled(2, IDC_SEARCH_OPT_BASE_URL));
    for (int id : {IDC_SEARCH_OPT_FILE_NAMES, IDC_SEARCH_OPT_SAVED_FROM, IDC_SEARCH_OPT_SCRIPT_PROTOCOLS,
                   IDC_SEARCH_OPT_EVENTS, IDC_SEARCH_OPT_CHECK_INTERNET})
        EXPECT_TRUE(IsChecked(2, id)) << id;
    EXPECT_FALSE(IsChecked(2, IDC_SEARCH_OPT_SCRIPT_TAGS));
    EXPECT_TRUE(IsChecked(2, IDC_SEARCH_OPT_CHECK_FRAGMENTS));
    Check(2, IDC_SEARCH_OPT_USE_BASE_URL, true);
    ClickOn(Page(2), IDC_SEARCH_OPT_USE_BASE_URL);
    EXPECT_TRUE(PageEnabled(2, IDC_SEARCH_OPT_BASE_URL));

    const std::pair<const char*, const char*> urls[] = {
        {"http://www.site.example/my pages/", "http://www.site.example/my%20pages/"},
        {"http://a.example/%41", "http://a.example/%41"},
        {"http://a.example/100%", "http://a.example/100%25"},
    };
    HWND edit = GetDlgItem(Page(2), IDC_SEARCH_OPT_BASE_URL);
    for (const auto& u : urls) {
        SetWindowTextA(edit, u.first);
        SendMessageA(Page(2), WM_COMMAND, MAKEWPARAM(IDC_SEARCH_OPT_BASE_URL, EN_KILLFOCUS), reinterpret_cast<LPARAM>(edit));
        EXPECT_EQ(ControlText(edit), u.second);
    }

    Wizard().search.rootPath = "C:\\site\\";
    Wizard().savedFrom.Add("http://old.example/", 0);
    EnableWindow(GetDlgItem(Page(5), IDC_REVIEW_BACKUPS), FALSE);
    Check(2, IDC_SEARCH_OPT_CHECK_INTERNET, false);
    Show(3);
    EXPECT_TRUE(Wizard().search.rootPath.empty());
    EXPECT_EQ(Wizard().savedFrom.savedFromCount(), 0);
    EXPECT_TRUE(PageEnabled(5, IDC_REVIEW_BACKUPS));
    EXPECT_EQ(Wizard().skipInternetCheck, 1);
    EXPECT_TRUE(IsChecked(3, IDC_PROC_RELATIVE));
    EXPECT_FALSE(PageEnabled(3, IDC_PROC_USE_BASE_URL));
    Check(3, IDC_PROC_RELATIVE, false);
    Check(3, IDC_PROC_ABSOLUTE, true);
    ClickOn(Page(3), IDC_PROC_ABSOLUTE);
    EXPECT_TRUE(PageEnabled(3, IDC_PROC_USE_BASE_URL));

    // The adder starts off whatever was saved; its fields keep their saved values.
    EXPECT_FALSE(IsChecked(3, IDC_PROC_TARGET_ENABLE));
    for (int id : {IDC_PROC_TARGET_MODE, IDC_PROC_URL_MASK, IDC_PROC_TARGET, IDC_PROC_MODIFY_TARGETS})
        EXPECT_FALSE(PageEnabled(3, id)) << id;
    EXPECT_EQ(ControlText(GetDlgItem(Page(3), IDC_PROC_TARGET)), "my frame");
    EXPECT_EQ(SendDlgItemMessageA(Page(3), IDC_PROC_TARGET, CB_GETCURSEL, 0, 0), CB_ERR);
    Check(3, IDC_PROC_TARGET_ENABLE, true);
    ClickOn(Page(3), IDC_PROC_TARGET_ENABLE);
    EXPECT_TRUE(PageEnabled(3, IDC_PROC_URL_MASK));  // the saved mode is "Custom URL mask"
    SendDlgItemMessageA(Page(3), IDC_PROC_TARGET_MODE, CB_SETCURSEL, 0, 0);
    SendMessageA(Page(3), WM_COMMAND, MAKEWPARAM(IDC_PROC_TARGET_MODE, CBN_SELENDOK), 0);
    EXPECT_FALSE(PageEnabled(3, IDC_PROC_URL_MASK));

    // Closing writes back what the controls hold.
    Click(IDC_FRAME_EXIT);
    EXPECT_TRUE(quit);
    EXPECT_EQ(store.numbers["stStep3Chk12"], 1u);
    EXPECT_EQ(store.numbers["stStep3Chk9"], 0u);
    EXPECT_EQ(store.numbers["stStep4Rad1"], 0u);
    EXPECT_EQ(store.numbers["stStep4Combo1"], 0u);
    EXPECT_EQ(store.texts["stStep3Edit1"], "http://a.example/100%25");
    EXPECT_EQ(store.texts["stStep4Combo2"], "my frame");
    EXPECT_EQ(store.numbers["stStep6Combo1"], 0u);
    EXPECT_EQ(store.numbers["stStep7Chk1"], 1u);
}

TEST_F(WizardPages, AKnownTargetIsChosenOnlyWhenItMatchesExactly) {
    const std::pair<const char*, int> cases[] = {{"_top", 3}, {"_TOP", CB_ERR}, {"_blank", 0}};
    for (const auto& c : cases) {
        store.texts["stStep4Combo2"] = c.first;
        Open();
        EXPECT_EQ(SendDlgItemMessageA(Page(3), IDC_PROC_TARGET, CB_GETCURSEL, 0, 0), c.second) << c.first;
        EXPECT_EQ(ControlText(GetDlgItem(Page(3), IDC_PROC_TARGET)), c.first);
        DestroyWindow(frame);
    }
}

TEST_F(WizardPages, TheWelcomePageMovesToTheNextTipEachTimeItIsShown) {
    store.numbers["tod_curTip"] = 15;
    Open();
    EXPECT_EQ(store.numbers["tod_curTip"], 16u);
    Show(1);
    Show(0);
    EXPECT_EQ(store.numbers["tod_curTip"], 0u);
    EXPECT_FALSE(Enabled(IDC_FRAME_PREVIOUS));
    EXPECT_TRUE(Enabled(IDC_FRAME_NEXT));
}

}  // namespace
}  // namespace corvane
