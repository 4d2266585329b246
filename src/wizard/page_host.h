// A page's long operation shown in its own controls: the log list, the progress bars and the status line.
#pragma once

#include <windows.h>

#include "platform/operation_host.h"
#include "shell/text_width.h"

namespace corvane {

struct PageHostControls {
    int log = 0;          // list box; 0 when the page has none
    int overall = 0;      // progress bar of the files done
    int fileProgress = 0; // progress bar inside a file
    int status = 0;       // static text
};

class PageHost : public OperationHost {
public:
    PageHost(HWND page, PageHostControls controls) : page_(page), controls_(controls), logWidth_(page, controls.log) {}
    PageHost(const PageHost&) = delete;
    PageHost& operator=(const PageHost&) = delete;

    void AddLogLine(const std::string& text, bool append) override;
    void SetOverallProgress(std::int32_t done, std::int32_t total) override;
    void SetFileProgress(std::int32_t position, std::int32_t range) override;
    void SetStatusText(const std::string& text) override;
    int PumpMessages() override;
    // Asked with the program's name as caption, No as the default; Yes at once when the frame is
    // closing, since the user has already chosen to leave.
    bool AskYesNo(const std::string& question) override;
    // An error box with the program's name as caption; none when the frame is closing.
    void ShowError(const std::string& message) override;

    // Empties the log and forgets its widest line.
    void ClearLog();
    // Shows the log and the bars as they stand, newest line in view; pages call it when their
    // operation ends (and before reading a bar).
    void Flush();

private:
    struct Bar {
        std::int32_t range = 0;
        std::int32_t position = 0;
        bool pending = false;
    };
    void ShowBar(int id, Bar& bar);

    HWND page_;
    PageHostControls controls_;
    ListWidth logWidth_;
    bool batching_ = false;  // the log is not redrawn until the next Flush
    ULONGLONG lastFlush_ = 0;
    Bar overall_, file_;
};

}  // namespace corvane
