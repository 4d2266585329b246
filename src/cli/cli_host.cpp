// The long-operation host of corvane-cli: the log goes to standard output (or is kept for JSON), Ctrl+C stops.
#include "cli/cli_host.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace corvane {
namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) { interrupted = true; }

}  // namespace

void WriteOut(const std::string& text) {
#ifdef _WIN32
    // Binary only while this writes: whatever else prints, or takes over the descriptor, finds it as it was.
    std::fflush(stdout);
    const int mode = _setmode(_fileno(stdout), _O_BINARY);
    if (mode != -1 && mode != _O_BINARY && text.find('\n') != std::string::npos) {
        std::string lines;
        lines.reserve(text.size() + text.size() / 16);
        for (const char c : text) {
            if (c == '\n') lines.push_back('\r');
            lines.push_back(c);
        }
        std::fwrite(lines.data(), 1, lines.size(), stdout);
    } else {
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    std::fflush(stdout);
    if (mode != -1) _setmode(_fileno(stdout), mode);
#else
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
#endif
}

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
        WriteOut(pending_);
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
