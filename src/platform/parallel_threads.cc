// Work shared between cores where the system has threads (POSIX, Windows).
#include "platform/parallel.h"

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sched.h>
#endif

namespace halvex {

int WorkerCount() {
  // The cores the process may run on: a run confined to one (taskset, a
  // container's CPU set) shares no work. hardware_concurrency counts every
  // core of the machine, and answers 0 where it cannot tell.
  unsigned cores = std::thread::hardware_concurrency();
#if defined(__linux__)
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    cores = static_cast<unsigned>(CPU_COUNT(&allowed));
  }
#endif
  // A few cores are all the reading and writing of one file can use.
  return static_cast<int>(std::clamp(cores, 1u, 8u));
}

void RunTasks(int count, const std::function<void(int)>& task) {
  std::vector<std::thread> threads;
  for (int k = 1; k < count; ++k) threads.emplace_back(task, k);
  if (count > 0) task(0);
  for (std::thread& thread : threads) thread.join();
}

void RunAlone(const std::function<void()>& work) {
  static std::mutex alone;
  std::lock_guard<std::mutex> lock(alone);
  work();
}

}  // namespace halvex
