// The long-operation host of corvane-cli: the log goes to standard output (or is kept for JSON), Ctrl+C stops.
#include "cli/cli_host.h"

#include <atomic>
#include <chrono>
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
    Collect();
    HandOver(false);
    lines_.push_back(text);
}

void CliHost::Collect() {
    // A line is printed once the next one starts, since the operation may still append to it.
    if (echo_)
        for (; printed_ < lines_.size(); ++printed_) pending_ += lines_[printed_] + "\n";
}

void CliHost::HandOver(bool now) {
    // Each write is a system call, which costs milliseconds under some systems; a reader sees
    // the lines within a tenth of a second all the same. Whole lines only, so that nothing
    // written to standard error in between lands inside one.
    if (pending_.empty()) return;
    const auto time = std::chrono::steady_clock::now();
    if (now || time - lastHandOver_ >= std::chrono::milliseconds(100)) {
        std::fwrite(pending_.data(), 1, pending_.size(), stdout);
        std::fflush(stdout);
        pending_.clear();
        lastHandOver_ = time;
    }
}

void CliHost::Flush() {
    Collect();
    HandOver(true);
}

void CliHost::ShowError(const std::string& message) {
    Flush();
    std::fprintf(stderr, "corvane-cli: %s\n", message.c_str());
}

int CliHost::PumpMessages() {
    // Polls come thousands of times a second; the clock is read on a few of them.
    if (++polls_ % 16 == 0) HandOver(false);
    return interrupted ? kPollStop : kPollNothing;
}

}  // namespace corvane
