// A page's long operation shown in its own controls: the log list, the progress bars and the status line.
#pragma once

#include <windows.h>

#include "platform/operation_host.h"

namespace corvane {

struct PageHostControls {
    int log = 0;          // list box; 0 when the page has none
    int overall = 0;      // progress bar of the files done
    int fileProgress = 0; // progress bar inside a file
    int status = 0;       // static text
};

class PageHost : public OperationHost {
public:
    PageHost(HWND page, PageHostControls controls) : page_(page), controls_(controls) {}

    void AddLogLine(const std::string& text, bool append) override;
    void SetOverallProgress(std::int32_t done, std::int32_t total) override;
    void SetFileProgress(std::int32_t position, std::int32_t range) override;
    void SetStatusText(const std::string& text) override;
    int PumpMessages() override;
    // Asked with the program's name as caption, No as the default; Yes at once when the frame is
    // closing, since the user has already chosen to leave.
    bool AskYesNo(const std::string& question) override;

    // Empties the log and forgets its widest line.
    void ClearLog();

private:
    HWND page_;
    PageHostControls controls_;
    int logExtent_ = 0;
};

}  // namespace corvane
