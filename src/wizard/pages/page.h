// A page of the wizard: an object that its dialog finds through a window property, with short
// handlers for its messages. The object lives as long as its dialog.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>

#include "shell/tooltips.h"
#include "wizard/page_host.h"
#include "wizard/wizard.h"

namespace corvane {

class WizardPage {
public:
    virtual ~WizardPage() = default;
    WizardPage(const WizardPage&) = delete;
    WizardPage& operator=(const WizardPage&) = delete;

    // Makes the page's dialog inside the frame; the dialog then owns the page. Null on failure.
    static HWND Create(std::unique_ptr<WizardPage> page, HINSTANCE instance, int dialogId, HWND frame);
    // The page of a dialog made by Create, else null.
    static WizardPage* From(HWND dialog);

    HWND window() const { return window_; }

    // Checked when Next leaves the page; false refuses the move.
    virtual bool MayLeave() { return true; }

protected:
    WizardPage() = default;

    virtual void OnInit() {}
    virtual void OnShown() {}
    virtual void OnHidden() {}
    // True when the command was handled.
    virtual bool OnCommand(WORD id, WORD code) {
        (void)id;
        (void)code;
        return false;
    }
    // Any other message; FALSE when not handled.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        (void)message;
        (void)wParam;
        (void)lParam;
        return FALSE;
    }
    // The page's tooltips, registered once its dialog is made.
    virtual void AddTools() {}

    // The frame's error message; false, for a page that refuses to be left.
    static bool Refuse(const char* text);
    // The frame's Yes/No question; true unless the answer is No.
    static bool Confirm(const char* question);
    // The question asked before the changes are written.
    static constexpr const char* kApplyQuestion =
        "Now the changes will be applied permanently\nAre you sure that everything is correct?";

    HWND Item(int id) const { return GetDlgItem(window_, id); }
    bool Checked(int id) const { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
    template <std::size_t N>
    void AddTools(const TooltipTool (&tools)[N]) {
        AddTooltips(window_, tools);
    }

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    bool ownedByDialog_ = false;
};

// A page that runs one long operation each time it is shown, showing its progress through its host.
class OperationPage : public WizardPage {
protected:
    explicit OperationPage(PageHostControls controls) : controls_(controls) {}

    void OnInit() override { host_ = std::make_unique<PageHost>(window(), controls_); }
    bool OnCommand(WORD id, WORD code) override {
        // Only the start command runs anything: other commands (the log's focus notices) must not
        // end the action the operation holds.
        if (id == 0 && code == kStartCommand) Start();
        return true;
    }
    // Posted, so that the page is drawn before the operation begins.
    void PostStart() { PostMessageA(window(), WM_COMMAND, MAKEWPARAM(0, kStartCommand), 0); }
    virtual void Start() = 0;

    std::unique_ptr<PageHost> host_;

private:
    PageHostControls controls_;
};

// The eight pages, by step.
std::unique_ptr<WizardPage> MakeWelcomePage();
std::unique_ptr<WizardPage> MakeFileListPage();
std::unique_ptr<WizardPage> MakeSearchOptionsPage();
std::unique_ptr<WizardPage> MakeProcessingOptionsPage();
std::unique_ptr<WizardPage> MakeSearchPage();
std::unique_ptr<WizardPage> MakeReviewPage();
std::unique_ptr<WizardPage> MakeDeletionPage();
std::unique_ptr<WizardPage> MakeApplyPage();

}  // namespace corvane
