// Work shared between cores must end as work on one thread would: every task
// run once, what a task throws thrown to the caller (a run out of memory ends
// with its message, not with the program aborted), shared tables changed one
// at a time.
#include "platform/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <vector>

namespace halvex {
namespace {

TEST(RunTasks, EveryTaskEndsAndTheFirstThrowReachesTheCaller) {
  constexpr int kCount = 6;
  std::vector<std::atomic<int>> runs(kCount);
  auto task = [&](int k) {
    ++runs[static_cast<std::size_t>(k)];
    if (k == 2) throw std::bad_alloc();
    if (k == 4) throw std::runtime_error("later");
  };
  EXPECT_THROW(RunTasks(kCount, task), std::bad_alloc);
  for (const std::atomic<int>& count : runs) EXPECT_EQ(count, 1);

  // Task 0 runs on the calling thread: its throw too waits for the others.
  std::atomic<int> ended = 0;
  EXPECT_THROW(RunTasks(3,
                        [&](int k) {
                          ++ended;
                          if (k == 0) throw std::runtime_error("first");
                        }),
               std::runtime_error);
  EXPECT_EQ(ended, 3);
  RunTasks(0, [](int) { FAIL() << "no task to run"; });
}

TEST(RunAlone, SharedCountersLoseNoChange) {
  constexpr int kTasks = 4;
  constexpr int kSteps = 20000;
  long total = 0;
  RunTasks(kTasks, [&](int) {
    for (int step = 0; step < kSteps; ++step) RunAlone([&] { ++total; });
  });
  EXPECT_EQ(total, long{kTasks} * kSteps);
}

}  // namespace
}  // namespace halvex
