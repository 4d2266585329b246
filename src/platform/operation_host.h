// What a long operation (search, apply, restore) needs from the window that runs it.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

enum PollResult : int { kPollNothing = 0, kPollStop = 1, kPollSkip = 2 };

class OperationHost {
public:
    virtual ~OperationHost() = default;
    // A new line of the log, or (append) text added to its last line.
    virtual void AddLogLine(const std::string& text, bool append) = 0;
    // Overall bar: range 0..total, position done + 1.
    virtual void SetOverallProgress(std::int32_t done, std::int32_t total) = 0;
    // File bar: range 0..range at the given position.
    virtual void SetFileProgress(std::int32_t position, std::int32_t range) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    // Dispatches pending work and reports a held key: 0 nothing, 1 ESC (stop), 2 F10 (skip).
    virtual int PumpMessages() = 0;
    // Asks the user a Yes/No question; true for Yes. A host that cannot ask answers Yes.
    virtual bool AskYesNo(const std::string& question) {
        (void)question;
        return true;
    }
    // Tells the user why the operation cannot go on. A host that cannot show it has it in the log.
    virtual void ShowError(const std::string& message) { (void)message; }
};

// A host that shows nothing and never stops.
class NullHost : public OperationHost {
public:
    void AddLogLine(const std::string&, bool) override {}
    void SetOverallProgress(std::int32_t, std::int32_t) override {}
    void SetFileProgress(std::int32_t, std::int32_t) override {}
    void SetStatusText(const std::string&) override {}
    int PumpMessages() override { return kPollNothing; }
};

}  // namespace corvane
