// A wizard frame made in-process and modeless, driven with messages; the seam answers its questions.
#pragma once

#include <gtest/gtest.h>

#include "corvane_ids.h"
#include "shell/program_values.h"
#include "support/memory_settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/temp_tree.h"
#include "wizard/wizard.h"

namespace corvane {

class WizardTest : public ::testing::Test {
public:
    ScriptedDialogs dialogs;
    MemorySettingsStore store;
    TempTree site;
    HWND frame = nullptr;
    bool quit = false;

    void SetUp() override {
        Wizard() = WizardState();
        WizardState& w = Wizard();
        w.store = &store;
        w.fs = &site.fs();
        w.pumpIntervalMs = 0;  // every poll looks at the queue, so scripted keys are seen where expected
        // A held key reads as down for a few polls, then as released.
        w.keyIsDown = [this](int key) { return key == heldKey && heldPolls > 0 && heldPolls-- > 0; };
        ProgramValues& p = Program();
        p.instance = GetModuleHandleA(nullptr);
        p.programDir = "C:\\Program Files\\Corvane\\";
        p.startupPath.clear();
        site.WriteFile("index.htm", "<a href=\"b.htm\">b</a>");
        site.WriteFile("b.htm", "<img src=\"pic.gif\">");
        site.MakeFolder("img");
        site.WriteFile("img\\pic.gif", "GIF89a");
    }
    void TearDown() override {
        if (frame != nullptr && IsWindow(frame)) DestroyWindow(frame);
        Pump();
        Wizard().frame = nullptr;
    }

    void Open() {
        frame = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FRAME), nullptr, WizardFrameProc, 0);
        ASSERT_NE(frame, nullptr);
        ShowWindow(frame, SW_SHOW);
        SetForegroundWindow(frame);
        Pump();
    }
    void Pump() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {
                quit = true;
                continue;
            }
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    void Click(int id) { ClickOn(frame, id); }
    void ClickOn(HWND window, int id) {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        Pump();
    }
    HWND Page(int step) { return Wizard().pageWindow[step]; }
    int Step() const { return Wizard().currentStep; }
    std::string Title() { return ControlText(frame); }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(frame, id)) != FALSE; }
    bool Visible(int step) { return IsWindowVisible(Page(step)) != FALSE; }
    void Check(int step, int id, bool on) {
        SendMessageA(GetDlgItem(Page(step), id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    void SetText(int step, int id, const std::string& text) { SetDlgItemTextA(Page(step), id, text.c_str()); }
    // Adds the site's folder through the folder browser, with its subfolders.
    void AddSite() {
        dialogs.browseResults.push_back({0, site.root(), 1});
        ClickOn(Page(1), IDC_FILES_ADD_FOLDERS);
    }
    std::vector<std::string> Messages() {
        std::vector<std::string> texts;
        for (const DialogCall& c : dialogs.Of("message")) texts.push_back(c.text);
        return texts;
    }

    int heldKey = 0;
    int heldPolls = 0;
};

}  // namespace corvane
