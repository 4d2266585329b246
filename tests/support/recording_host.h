// A host of long operations for tests: records every call in order and answers polls as scripted.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/operation_host.h"

namespace corvane {
namespace testing_support {

struct HostCall {
    enum Kind { kLog, kOverallProgress, kFileProgress, kStatus, kPoll };
    Kind kind;
    std::string text;       // kLog, kStatus
    bool append = false;    // kLog
    std::int32_t a = 0;     // kOverallProgress: done; kFileProgress: position; kPoll: the poll's number (1-based)
    std::int32_t b = 0;     // kOverallProgress: total; kFileProgress: range; kPoll: the answer given
};

class RecordingHost : public OperationHost {
public:
    // The n-th poll (counting from 1) answers `answer`; every other poll answers the default.
    void AnswerPoll(std::int32_t n, int answer) { answers_[n] = answer; }
    // ESC held at the n-th poll.
    void StopAtPoll(std::int32_t n) { AnswerPoll(n, kPollStop); }
    void SetDefaultAnswer(int answer) { defaultAnswer_ = answer; }

    void AddLogLine(const std::string& text, bool append) override {
        calls.push_back({HostCall::kLog, text, append, 0, 0});
        if (append && !log_.empty())
            log_.back() += text;
        else
            log_.push_back(text);
    }
    void SetOverallProgress(std::int32_t done, std::int32_t total) override {
        calls.push_back({HostCall::kOverallProgress, std::string(), false, done, total});
    }
    void SetFileProgress(std::int32_t position, std::int32_t range) override {
        calls.push_back({HostCall::kFileProgress, std::string(), false, position, range});
    }
    void SetStatusText(const std::string& text) override {
        calls.push_back({HostCall::kStatus, text, false, 0, 0});
        status_ = text;
    }
    int PumpMessages() override {
        ++polls_;
        const auto it = answers_.find(polls_);
        const int answer = it == answers_.end() ? defaultAnswer_ : it->second;
        calls.push_back({HostCall::kPoll, std::string(), false, polls_, answer});
        return answer;
    }

    // The log as a list box would show it: appended texts joined to their line.
    const std::vector<std::string>& log() const { return log_; }
    const std::string& status() const { return status_; }
    std::int32_t polls() const { return polls_; }

    // (position, range) of every SetFileProgress, in order.
    std::vector<std::pair<std::int32_t, std::int32_t>> fileProgress() const {
        return Pairs(HostCall::kFileProgress);
    }
    // (done, total) of every SetOverallProgress, in order.
    std::vector<std::pair<std::int32_t, std::int32_t>> overallProgress() const {
        return Pairs(HostCall::kOverallProgress);
    }
    // The kinds of all calls in order, as one letter each (L log, O overall, F file, S status, P poll):
    // handy for checking how calls interleave.
    std::string sequence() const {
        std::string s;
        for (const HostCall& c : calls) s += "LOFSP"[c.kind];
        return s;
    }

    void Clear() {
        calls.clear();
        log_.clear();
        status_.clear();
        polls_ = 0;
        answers_.clear();
        defaultAnswer_ = kPollNothing;
    }

    std::vector<HostCall> calls;

private:
    std::vector<std::pair<std::int32_t, std::int32_t>> Pairs(HostCall::Kind kind) const {
        std::vector<std::pair<std::int32_t, std::int32_t>> out;
        for (const HostCall& c : calls)
            if (c.kind == kind) out.emplace_back(c.a, c.b);
        return out;
    }

    std::vector<std::string> log_;
    std::string status_;
    std::int32_t polls_ = 0;
    std::map<std::int32_t, int> answers_;
    int defaultAnswer_ = kPollNothing;
};

}  // namespace testing_support
}  // namespace corvane
