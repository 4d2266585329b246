// A user-dialog seam for tests: answers from a script, records every call.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "shell/user_dialogs.h"

namespace corvane {

struct DialogCall {
    std::string kind;     // "message", "open", "browse", "about", "help", "shell", "flash"
    HWND owner = nullptr;
    std::string text;     // message text, help target, shell file, open title
    std::string caption;  // message caption, shell parameters
    UINT type = 0;        // message box type; open-file flags; the browser's box on entry
};

class ScriptedDialogs : public UserDialogs {
public:
    ScriptedDialogs() { SetDialogs(this); }
    ~ScriptedDialogs() override { SetDialogs(nullptr); }

    // Answers of message boxes, in order; when none is left IDYES for Yes/No boxes, else IDOK.
    std::deque<int> answers;
    // Results of open-file dialogs: an empty selection cancels.
    std::deque<std::vector<std::string>> openResults;
    // Results of folder browsers: result code, path, and the box's state afterwards (-1 leaves it).
    struct BrowseResult {
        int result;
        std::string path;
        int addSubfolders;
    };
    std::deque<BrowseResult> browseResults;

    std::vector<DialogCall> calls;

    int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) override {
        calls.push_back({"message", owner, text, caption, type});
        if (!answers.empty()) {
            int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return (type & 0x0F) == MB_YESNO ? IDYES : IDOK;
    }
    bool OpenFiles(const OpenFilesRequest& request, std::vector<std::string>* selection) override {
        calls.push_back({"open", request.owner, request.title, request.initialFolder, request.flags});
        if (openResults.empty()) return false;
        *selection = openResults.front();
        openResults.pop_front();
        return !selection->empty();
    }
    int BrowseForFolder(HINSTANCE, HFONT, HWND owner, std::string* path, int* addSubfolders) override {
        calls.push_back({"browse", owner, *path, "", static_cast<UINT>(*addSubfolders)});
        if (browseResults.empty()) return -1;
        BrowseResult r = browseResults.front();
        browseResults.pop_front();
        if (r.addSubfolders >= 0) *addSubfolders = r.addSubfolders;
        if (r.result == 0) *path = r.path;
        return r.result;
    }
    void ShowAboutBox(const AboutBoxRequest& request) override {
        calls.push_back({"about", request.owner, request.link1, request.link2, 0});
    }
    void ShowHelpTopic(const std::string& target) override { calls.push_back({"help", nullptr, target, "", 0}); }
    void ShellOpen(HWND owner, const std::string& file, const std::string& parameters) override {
        calls.push_back({"shell", owner, file, parameters, 0});
    }
    void FlashIfInBackground(HWND window) override { calls.push_back({"flash", window, "", "", 0}); }

    // The calls of one kind, in order.
    std::vector<DialogCall> Of(const std::string& kind) const {
        std::vector<DialogCall> out;
        for (const DialogCall& c : calls)
            if (c.kind == kind) out.push_back(c);
        return out;
    }
};

}  // namespace corvane
