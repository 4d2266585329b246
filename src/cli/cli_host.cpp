// The long-operation host of corvane-cli: the log goes to standard output (or is kept for JSON), Ctrl+C stops.
#include "cli/cli_host.h"

#include <atomic>
#include <csignal>

namespace corvane {
namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) { interrupted = true; }

}  // namespace

CliHost::CliHost(bool echo) : echo_(echo) { std::signal(SIGINT, OnInterrupt); }

CliHost::~CliHost() { std::signal(SIGINT, SIG_DFL); }

void CliHost::AddLogLine(const std::string& text, bool append) {
    if (append && !lines_.empty()) {
        lines_.back() += text;
        return;
    }
    Flush();
    lines_.push_back(text);
}

void CliHost::Flush() {
    if (!echo_) return;
    // A line is printed once the next one starts, since the operation may still append to it.
    for (; printed_ < lines_.size(); ++printed_) std::printf("%s\n", lines_[printed_].c_str());
    std::fflush(stdout);
}

void CliHost::ShowError(const std::string& message) {
    Flush();
    std::fprintf(stderr, "corvane-cli: %s\n", message.c_str());
}

int CliHost::PumpMessages() { return interrupted ? kPollStop : kPollNothing; }

}  // namespace corvane
