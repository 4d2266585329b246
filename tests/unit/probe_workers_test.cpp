// The probers' threads: reused from one request to the next, each answer handed to its own probe.
#include "platform/probe_workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace corvane {
namespace {

// The most requests one thread has run.
std::atomic<int> mostOnOneThread{0};

ProbeWorkers::Work Answer(int verdict, std::atomic<int>* runs, int milliseconds = 0) {
    return [verdict, runs, milliseconds](const std::atomic<bool>&) {
        if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        ++*runs;
        thread_local int onThisThread = 0;
        if (++onThisThread > mostOnOneThread.load()) mostOnOneThread = onThisThread;
        ProbeOutcome outcome;
        outcome.verdict = verdict;
        return outcome;
    };
}

TEST(ProbeWorkers, ThreadsAreReusedAndEachProbeGetsItsOwnAnswer) {
    ProbeWorkers workers(true);
    std::atomic<int> runs{0};
    // One after another: a thread that finished takes the next request.
    for (int i = 0; i < 200; ++i) {
        const std::unique_ptr<UrlProbe> probe = workers.Start(Answer(i % 2 ? kProbeValid : kProbeBroken, &runs));
        ASSERT_NE(probe, nullptr);
        ASSERT_TRUE(probe->Wait(5000));
        EXPECT_EQ(probe->Result(), i % 2 ? kProbeValid : kProbeBroken);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // time for the thread to be back in the pool
    }
    EXPECT_LE(workers.threadCount(), 8u);
    EXPECT_GE(mostOnOneThread.load(), 25);
    // Many at once: as many threads as requests in flight, each answer where it belongs.
    std::vector<std::unique_ptr<UrlProbe>> probes;
    for (int i = 0; i < 16; ++i) probes.push_back(workers.Start(Answer(i % 3 ? kProbeValid : kProbeBroken, &runs, 20)));
    for (int i = 0; i < 16; ++i) {
        ASSERT_TRUE(probes[static_cast<std::size_t>(i)]->Wait(5000));
        EXPECT_EQ(probes[static_cast<std::size_t>(i)]->Result(), i % 3 ? kProbeValid : kProbeBroken);
    }
    EXPECT_LE(workers.threadCount(), 17u);
    EXPECT_EQ(runs.load(), 216);
}

}  // namespace
}  // namespace corvane
