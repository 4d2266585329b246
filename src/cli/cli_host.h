// The long-operation host of corvane-cli: the log goes to standard output (or is kept for JSON), Ctrl+C stops.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/operation_host.h"

namespace corvane {

// Writes text to standard output at once. On Windows each write to a device or console is a call to
// the system, and text mode cuts output into pieces of a few hundred bytes: lines end in "\r\n" here
// instead, and the whole text is one write.
void WriteOut(const std::string& text);

class CliHost : public OperationHost {
public:
    // echo: print each log line once it is complete; otherwise only keep the lines.
    explicit CliHost(bool echo);
    ~CliHost() override;

    void AddLogLine(const std::string& text, bool append) override;
    void SetOverallProgress(std::int32_t, std::int32_t) override {}
    void SetFileProgress(std::int32_t, std::int32_t) override {}
    void SetStatusText(const std::string& text) override { status_ = text; }
    // 1 (stop) once Ctrl+C was pressed, else 0.
    int PumpMessages() override;
    // The ESC question of the apply step: a stop asked for with Ctrl+C is always confirmed.
    bool AskYesNo(const std::string&) override { return true; }
    // On standard error, so that it is seen also beside --json.
    void ShowError(const std::string& message) override;

    // Prints the last line if it is still pending, and hands everything printed to the system.
    void Flush();
    const std::vector<std::string>& lines() const { return lines_; }
    const std::string& status() const { return status_; }

private:
    void Collect();
    void HandOver(bool now);

    bool echo_;
    std::uint32_t polls_ = 0;
    std::string pending_;  // printed lines not yet handed to the system
    std::chrono::steady_clock::time_point lastHandOver_;
    std::vector<std::string> lines_;
    std::size_t printed_ = 0;
    std::string status_;
};

}  // namespace corvane
